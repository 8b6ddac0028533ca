-- Kavri uninstaller: start-up script (placeholder until the uninstaller's
-- pages land). Shows nothing and ends with exit code 0.
setExitCode(0)
