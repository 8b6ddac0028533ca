-- Kavri demo installer: start-up script.
--
-- Shows the installer window from "main.xml": the first page shows the
-- licence in a scrolling panel and asks for its acceptance, the folder and
-- the start-menu folder, the second shows the copy job that
-- "LG.lua" runs in the background, the third says it is done. Control ids are
-- listed at the top of installer/frame/main.xml.

local SW_MINIMIZE = 6
local MB_OK, MB_YESNO, MB_ICONQUESTION, IDYES = 0, 4, 32, 6

local window = createWindow("main.xml")
window:setTitle("Kavri Setup")
window:setIcon(2)
window:updateLayout()
window:centerScreen()

local pages = { first = window:getChild(100), progress = window:getChild(200), last = window:getChild(300) }
local folderBox = window:getChild(11)
local installButton = window:getChild(14)
local agreement = window:getChild(13)
local startMenuChoice = window:getChild(16)
local installedFolder = nil

local function showPage(page)
  for _, each in pairs(pages) do each:setVisible(each == page) end
end

-- Title bar buttons.
window:getChild(2):addHandler(event.Click, function() window:showWindow(SW_MINIMIZE) end)
window:getChild(3):addHandler(event.Click, function()
  if pages.progress:getVisible() then
    local answer = window:showMessageBox("Setup is still copying files. Quit anyway?", "提示",
                                         MB_YESNO + MB_ICONQUESTION)
    if answer ~= IDYES then return end
  end
  window:endDialog(2)
end)

-- First page: the install button follows the agreement check box.
agreement:addHandler(event.ValueChange, function()
  installButton:setEnabled(agreement:getCheck())
end)
installButton:setEnabled(agreement:getCheck())

window:getChild(12):addHandler(event.Click, function()
  local folder = window:browseForFolder("Choose the folder to install Kavri into")
  if folder then folderBox:setText(folder) end
end)

-- First page: the start-menu folder gets a shortcut to the installed readme,
-- unless the user chose none.
local NO_SHORTCUTS = "Do not create shortcuts"
local function createShortcuts(installFolder)
  local choice = startMenuChoice:getText()
  local startMenu = getStartMenuFolder()
  if choice == "" or choice == NO_SHORTCUTS or not startMenu or not installFolder then return end
  local folder = startMenu .. "\\" .. choice
  createDirectory(folder)
  if not installFolder:find("[\\/]$") then installFolder = installFolder .. "\\" end
  createShortCut(installFolder .. "readme.txt", folder .. "\\Kavri Readme.lnk")
end

-- Background notifications from LG.lua: table constructors with a code.
local progressBar = window:getChild(204)
local slideshow = window:getChild(205)
local function onMessage(text)
  local ok, report = pcall(function() return load("return " .. text)() end)
  if not ok or type(report) ~= "table" then return 0 end
  if report.code == 1 then
    window:getChild(202):setText(report.percent .. "%")
    window:getChild(203):setText(report.file)
    progressBar:setPosition(report.percent)
    window:updateLayout()   -- labels measure their new text
  elseif report.code == 2 then
    local answer = window:showMessageBox("Cannot write " .. report.file .. ". Try again?", "错误",
                                         MB_YESNO + MB_ICONQUESTION)
    if answer == IDYES then return 1 end
  elseif report.code == 3 then
    local summary = report.count - report.failed .. " of " .. report.count .. " files installed."
    window:getChild(302):setText(summary)
    createShortcuts(installedFolder)
    window:updateLayout()
    slideshow:playStop()
    showPage(pages.last)
  end
  return 0
end
window:setMessageHandler(onMessage)

installButton:addHandler(event.Click, function()
  local folder = folderBox:getText()
  if folder == "" then
    window:showMessageBox("Please choose a folder.", "提示", MB_OK)
    return
  end
  installedFolder = folder
  progressBar:setRange(100)
  progressBar:setPosition(0)
  showPage(pages.progress)
  slideshow:playStart()
  -- The demo's payload is three small files: pace the copy so the progress
  -- page, its bar and its slideshow can be seen.
  local config = "{ installPath = " .. string.format("%q", folder) .. ", pace = 2000 }"
  if not startWork("LG.lua", "program.lz", config) then
    window:showMessageBox("Setup could not start copying.", "错误", MB_OK)
    slideshow:playStop()
    showPage(pages.first)
  end
end)

window:getChild(303):addHandler(event.Click, function() window:endDialog(1) end)

showPage(pages.first)
window:showDialog()
