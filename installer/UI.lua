-- Kavri demo installer: start-up script.
print("UI.lua started")
