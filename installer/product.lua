-- The product this installer installs: the one place its name, version and
-- publisher are written. The setup's and the uninstaller's scripts take them
-- from here; shared.lua derives the registry keys, folder and shortcut names
-- from the name. Plain data only, so that a build step can write this file
-- from a product description.
return {
  name = "Kavri",            -- on every page; the install and start-menu folders' name
  version = "1.0.0",
  publisher = "Kavri",
  program = "Kavri.exe",     -- payload entry: the program the shortcuts start
  readme = "readme.txt",     -- payload entry: the readme the finish page offers
  installMode = "perMachine",   -- whom it installs for: "perMachine", "perUser" or "choose" (install_mode.lua)
}
