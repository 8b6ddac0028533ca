-- Kavri demo installer: start-up script.
--
-- With a window (the default): welcome, licence (must be accepted), folder
-- (space needed and free, start-menu folder, desktop shortcut), progress
-- (bar by bytes, current file, slideshow, Cancel) and finish (what was done,
-- start the program, show the readme, restart when a file waits for it).
-- "LG.lua" does the whole job on a worker thread and reports here; control
-- ids are listed at the top of installer/frame/main.xml.
--
-- Command line (NSIS style):
--   /S              silent: no window, no box; exit code 0 when installed,
--                   1 on failure, 2 when cancelled, 3 for a refused folder,
--                   4 when the drive is too full
--   /D=<folder>     the install folder; last, and takes the rest of the line
--                   (spaces need no quotes; "/D=C:\a b" quoted whole works too)
--   /PACE=<ms>      a pause after each file, so a test can watch the progress
--                   page and cancel; never used otherwise

local PRODUCT = "Kavri"
local PRODUCT_KEY = "Software\\Kavri"

local MB_OK, MB_ABORTRETRYIGNORE, MB_YESNOCANCEL, MB_YESNO = 0, 2, 3, 4
local MB_ICONERROR, MB_ICONQUESTION, MB_ICONWARNING = 16, 32, 48
local IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO = 3, 4, 5, 6, 7
local SW_SHOWNORMAL, SW_MINIMIZE = 1, 6

-- Answers to the worker (see LG.lua).
local ANSWER_GO_ON, ANSWER_PAUSE, ANSWER_STOP = 0, 8, 9
local ANSWER_RETRY, ANSWER_SKIP, ANSWER_CANCEL = 1, 2, 3
local ANSWER_CLOSE_PROGRAM, ANSWER_AT_RESTART = 1, 2

local EXIT_FAILED, EXIT_CANCELLED, EXIT_BAD_FOLDER, EXIT_NO_SPACE = 1, 2, 3, 4

------------------------------------------------------------------------------
-- The command line.

-- Splits the text before /D= into switches; /D= itself takes the rest of the
-- line, so a folder with spaces needs no quotes.
local function parseCommandLine()
  local options = { silent = false }
  local line = getCommandLine and getCommandLine() or ""
  local rest = line
  local at = 1
  while true do
    local start = line:find("/[Dd]=", at)
    if not start then break end
    local before = start > 1 and line:sub(start - 1, start - 1) or " "
    if before:match("[%s\"]") then
      local folder = line:sub(start + 3):gsub("%s+$", "")
      if before == "\"" then folder = folder:gsub("\"$", "") end
      options.folder = folder
      rest = line:sub(1, before == "\"" and start - 2 or start - 1)
      break
    end
    at = start + 1
  end
  for word in rest:gmatch("[^%s]+") do
    word = word:gsub("\"", "")
    local upper = word:upper()
    if upper == "/S" then
      options.silent = true
    elseif upper:match("^/PACE=%d+$") then
      options.pace = tonumber(word:sub(7))
    end
  end
  return options
end

------------------------------------------------------------------------------
-- The install folder: what may be chosen, what it needs, what is free.

local function lowerNoSlash(path)
  return (path:gsub("/", "\\"):gsub("\\+$", ""):lower())
end

-- Folders of the system itself: installing into one of them (or, for the
-- Windows folder, anywhere inside it) is refused.
local function systemFolders()
  local list = {}
  local function add(path)
    if path and path ~= "" then list[#list + 1] = lowerNoSlash(path) end
  end
  for _, name in ipairs({ "SystemRoot", "windir", "ProgramFiles", "ProgramFiles(x86)", "ProgramW6432",
                          "CommonProgramFiles", "CommonProgramFiles(x86)", "ProgramData",
                          "ALLUSERSPROFILE", "PUBLIC", "USERPROFILE", "APPDATA", "LOCALAPPDATA" }) do
    add(os.getenv(name))
  end
  local profile = os.getenv("USERPROFILE")
  if profile then add(profile:match("^(.*)\\[^\\]+\\?$")) end   -- the folder holding the profiles
  add(getProgramFolder())
  add(getAppDataFolder())
  add(getDesktopFolder())
  add(getStartMenuFolder())
  add(getTempFolder())
  return list
end

-- Returns the folder in its plain form (backslashes, no trailing one), or
-- nil and the reason it is refused.
local function checkFolder(text)
  local path = (text or ""):gsub("^%s+", ""):gsub("%s+$", ""):gsub("/", "\\")
  if path == "" then return nil, "Please choose the folder to install Kavri into." end
  if not path:match("^%a:\\") then
    return nil, "\"" .. path .. "\" is not a full path. Please give one that starts with a drive, "
                .. "such as C:\\Program Files\\Kavri."
  end
  path = path:sub(1, 3) .. path:sub(4):gsub("\\+", "\\")
  path = path:gsub("\\+$", "")
  if #path <= 2 then
    return nil, "Kavri cannot be installed into the root of a drive (" .. path:sub(1, 2):upper()
                .. "\\). Please choose a folder, such as " .. path:sub(1, 2):upper() .. "\\Kavri."
  end
  for name in path:sub(4):gmatch("[^\\]+") do
    if name == "." or name == ".." then
      return nil, "The folder must not contain \".\" or \"..\": please give the full path."
    end
    if name:find("[<>:\"|%?%*%c]") then
      return nil, "The folder name \"" .. name .. "\" contains a character Windows does not allow "
                  .. "(< > : \" | ? *)."
    end
    if name:match("[ %.]$") then
      return nil, "The folder name \"" .. name .. "\" must not end with a space or a dot."
    end
  end
  local lower = path:lower()
  for _, folder in ipairs(systemFolders()) do
    if lower == folder then
      local programs = getProgramFolder()
      local example = (programs and lower == lowerNoSlash(programs)) and (", such as " .. path .. "\\Kavri") or ""
      return nil, path .. " is a folder of the system. Please choose a folder of its own for Kavri"
                  .. example .. "."
    end
  end
  local windows = os.getenv("SystemRoot") or os.getenv("windir")
  if windows and lower:sub(1, #windows + 1) == lowerNoSlash(windows) .. "\\" then
    return nil, "Kavri cannot be installed inside the Windows folder. Please choose another folder."
  end
  return path
end

-- Bytes the payload needs, from the package itself (nil when unreadable).
local function payloadSize()
  local entries = listEntries and listEntries("program.lz")
  if type(entries) ~= "table" then return nil end
  local total = 0
  for _, entry in ipairs(entries) do total = total + (tonumber(entry.size) or 0) end
  return total
end

local function formatBytes(bytes)
  if bytes >= 1024 ^ 3 then return string.format("%.1f GB", bytes / 1024 ^ 3) end
  if bytes >= 1024 ^ 2 then return string.format("%.1f MB", bytes / 1024 ^ 2) end
  return string.format("%.0f KB", math.max(1, math.ceil(bytes / 1024)))
end

-- Checks the folder and the room on its drive: nil and the reason (and an
-- exit code for silent installs) when it will not do.
local function checkTarget(text)
  local folder, why = checkFolder(text)
  if not folder then return nil, why, EXIT_BAD_FOLDER end
  if installFolderIsSafe and not installFolderIsSafe(folder) then
    return nil, folder .. " was made by another user, who could change Kavri after it is installed. "
                .. "Please choose another folder.", EXIT_BAD_FOLDER
  end
  local needed = payloadSize()
  local free = getFreeSpace and getFreeSpace(folder)
  if needed and free and free < needed then
    return nil, "There is not enough space on drive " .. folder:sub(1, 2):upper() .. ": Kavri needs "
                .. formatBytes(needed) .. ", and " .. formatBytes(free) .. " is free.", EXIT_NO_SPACE
  end
  return folder
end

local function defaultFolder()
  local installed = regQueryString(HKEY_LOCAL_MACHINE, PRODUCT_KEY, "InstallPath")
  if installed and installed ~= "" then return installed end
  return (getProgramFolder() or "C:\\Program Files") .. "\\" .. PRODUCT
end

------------------------------------------------------------------------------
-- The worker's reports: table constructors made by LG.lua, read without
-- access to any global.

local function readReport(text)
  local chunk = load("return " .. tostring(text), "report", "t", {})
  if not chunk then return nil end
  local ok, report = pcall(chunk)
  if ok and type(report) == "table" then return report end
  return nil
end

local function workConfiguration(folder, options)
  return configurationText({
    installPath = folder,
    startMenu = options.startMenu or PRODUCT,
    desktop = options.desktop or false,
    pace = options.pace,
    silent = options.silent,
  })
end

------------------------------------------------------------------------------
-- Silent install: no window, answers chosen for the user.

local function runSilent(options)
  setSilent(true)
  local folder, _, code = checkTarget(options.folder or defaultFolder())
  if not folder then
    setExitCode(code)
    return
  end
  local result
  local function onMessage(text)
    local report = readReport(text)
    if not report then return ANSWER_GO_ON end
    if report.code == 2 then return ANSWER_CANCEL end
    if report.code == 4 then return ANSWER_AT_RESTART end
    if report.code == 3 then result = report end
    return ANSWER_GO_ON
  end
  if not startWork("LG.lua", "program.lz", workConfiguration(folder, options)) then
    setExitCode(EXIT_FAILED)
    return
  end
  waitWork(onMessage)
  if result and result.installed then
    setExitCode(0)
  elseif result and result.cancelled then
    setExitCode(EXIT_CANCELLED)
  else
    setExitCode(EXIT_FAILED)
  end
end

------------------------------------------------------------------------------
-- The installer window.

local function runWindow(options)
  local window = createWindow("main.xml")
  window:setTitle("Kavri Setup")
  window:setIcon(2)
  window:updateLayout()
  window:centerScreen()

  local pages = {
    welcome = window:getChild(100), licence = window:getChild(110), folder = window:getChild(120),
    progress = window:getChild(200), finish = window:getChild(300),
  }
  local current
  local function showPage(page)
    current = page
    for _, each in pairs(pages) do each:setVisible(each == page) end
    window:updateLayout()
  end

  local folderBox, agreement = window:getChild(11), window:getChild(13)
  local startMenuChoice, desktopChoice = window:getChild(16), window:getChild(17)
  local neededLabel, freeLabel = window:getChild(121), window:getChild(122)
  local progressBar, slideshow = window:getChild(204), window:getChild(205)
  local cancelButton = window:getChild(206)
  local heading, percentLabel, fileLabel = window:getChild(201), window:getChild(202), window:getChild(203)
  local startProgram, showReadme, restartNow = window:getChild(305), window:getChild(306), window:getChild(307)

  local state = { working = false, cancelRequested = false, result = nil, folder = nil }
  folderBox:setText(options.folder or defaultFolder())

  -- The space lines of the folder page follow the folder box.
  local needed = payloadSize()
  local shownFolder
  local function refreshSpace()
    local text = folderBox:getText()
    if text == shownFolder then return end
    shownFolder = text
    neededLabel:setText("Space needed: " .. (needed and formatBytes(needed) or "unknown"))
    local folder = checkFolder(text)
    local free = folder and getFreeSpace and getFreeSpace(folder)
    if free then
      local warning = (needed and free < needed) and "  (not enough)" or ""
      freeLabel:setText("Space free on drive " .. folder:sub(1, 2):upper() .. " " .. formatBytes(free) .. warning)
    else
      freeLabel:setText("Space free: unknown until a valid folder is given")
    end
    window:updateLayout()
  end
  window:setTimer(500, function()
    if current == pages.folder then refreshSpace() end
  end)

  -- Leaving before the copy asks; during the copy the close box cancels.
  local function askCancel()
    if state.cancelRequested or state.asking then return end
    -- The copy waits between files while the question is open.
    state.asking = true
    local answer = window:showMessageBox("Cancel the installation? Everything Setup has done so far is undone.",
                                         "提示", MB_YESNO + MB_ICONQUESTION)
    state.asking = false
    if answer ~= IDYES or not state.working then return end
    state.cancelRequested = true
    cancelButton:setEnabled(false)
    heading:setText("Cancelling...")
    fileLabel:setText("Setup stops after the current file and undoes its changes.")
    window:updateLayout()
  end
  window:getChild(2):addHandler(event.Click, function() window:showWindow(SW_MINIMIZE) end)
  window:getChild(3):addHandler(event.Click, function()
    if state.working then askCancel() return end
    if current ~= pages.finish then
      local answer = window:showMessageBox("Quit Kavri Setup? Kavri is not installed yet.", "提示",
                                           MB_YESNO + MB_ICONQUESTION)
      if answer ~= IDYES then return end
      setExitCode(EXIT_CANCELLED)
    end
    window:endDialog(2)
  end)
  cancelButton:addHandler(event.Click, askCancel)

  -- Welcome and licence.
  window:getChild(102):addHandler(event.Click, function() showPage(pages.licence) end)
  local licenceNext = window:getChild(112)
  agreement:addHandler(event.ValueChange, function() licenceNext:setEnabled(agreement:getCheck()) end)
  licenceNext:setEnabled(agreement:getCheck())
  window:getChild(111):addHandler(event.Click, function() showPage(pages.welcome) end)
  licenceNext:addHandler(event.Click, function()
    if not agreement:getCheck() then return end
    showPage(pages.folder)
    refreshSpace()
  end)

  -- Folder page.
  window:getChild(12):addHandler(event.Click, function()
    local folder = window:browseForFolder("Choose the folder to install Kavri into")
    if folder then
      -- A chosen parent folder gets the product's own folder below it.
      if not folder:lower():find("kavri[\\/]*$") then folder = folder:gsub("[\\/]+$", "") .. "\\" .. PRODUCT end
      folderBox:setText(folder)
      refreshSpace()
    end
  end)
  window:getChild(123):addHandler(event.Click, function() showPage(pages.licence) end)

  -- The finish page says what was done.
  local function showFinish(report)
    local lines
    startProgram:setVisible(false)
    showReadme:setVisible(false)
    restartNow:setVisible(false)
    if report.installed then
      window:getChild(301):setText("Kavri is installed")
      lines = {
        report.count .. " files (" .. formatBytes(report.bytes) .. ") installed in " .. state.folder .. ".",
        report.shortcuts > 0 and (report.shortcuts .. " shortcuts made; Kavri is in the list of installed programs.")
                            or "Kavri is in the list of installed programs.",
        report.skipped > 0 and (report.skipped .. " files were skipped.") or "",
      }
      if report.restart then
        lines[3] = "Some files are in use: they are replaced when the computer restarts."
        restartNow:setVisible(true)
        restartNow:setCheck(false)
      else
        startProgram:setVisible(report.program ~= nil)
        startProgram:setCheck(report.program ~= nil)
        showReadme:setVisible(true)
        showReadme:setCheck(false)
      end
    elseif report.cancelled then
      setExitCode(EXIT_CANCELLED)
      window:getChild(301):setText("Setup was cancelled")
      lines = { "Kavri was not installed.", "Everything Setup had done was undone.", "" }
    else
      setExitCode(EXIT_FAILED)
      window:getChild(301):setText("Setup failed")
      lines = { "Kavri was not installed: " .. tostring(report.message or "an error occurred") .. ".",
                "Everything Setup had done was undone.", "" }
    end
    window:getChild(302):setText(lines[1])
    window:getChild(304):setText(lines[2])
    window:getChild(308):setText(lines[3])
    state.result = report
    showPage(pages.finish)
  end

  -- Reports of the worker.
  local function onMessage(text)
    local report = readReport(text)
    if not report then return ANSWER_GO_ON end
    if report.code == 1 then
      if state.cancelRequested then return ANSWER_STOP end
      if state.asking then return ANSWER_PAUSE end
      percentLabel:setText(report.percent .. "%")
      fileLabel:setText(state.cancelRequested and "Cancelling..." or report.file)
      progressBar:setPosition(report.percent)
      window:updateLayout()   -- labels measure their new text
      return ANSWER_GO_ON
    elseif report.code == 2 then
      if state.cancelRequested then return ANSWER_CANCEL end
      local answer = window:showMessageBox("Setup cannot write " .. report.path .. ":\n" .. report.reason
        .. "\n\nAbort: cancel the installation and undo it.\nRetry: try again.\nIgnore: skip this file.",
        "错误", MB_ABORTRETRYIGNORE + MB_ICONERROR)
      if answer == IDRETRY then return ANSWER_RETRY end
      if answer == IDIGNORE then return ANSWER_SKIP end
      state.cancelRequested = true
      return ANSWER_CANCEL
    elseif report.code == 4 then
      if state.cancelRequested then return ANSWER_CANCEL end
      local answer = window:showMessageBox(report.path .. " is in use, probably because Kavri is running."
        .. "\n\nYes: close Kavri and replace the file now."
        .. "\nNo: replace the file when the computer restarts."
        .. "\nCancel: cancel the installation and undo it.",
        "提示", MB_YESNOCANCEL + MB_ICONWARNING)
      if answer == IDYES then return ANSWER_CLOSE_PROGRAM end
      if answer == IDNO then return ANSWER_AT_RESTART end
      state.cancelRequested = true
      return ANSWER_CANCEL
    elseif report.code == 5 then
      heading:setText("Cancelling...")
      fileLabel:setText("Undoing the changes...")
      cancelButton:setEnabled(false)
      window:updateLayout()
    elseif report.code == 3 then
      state.working = false
      slideshow:playStop()
      showFinish(report)
    end
    return ANSWER_GO_ON
  end
  window:setMessageHandler(onMessage)

  window:getChild(14):addHandler(event.Click, function()
    local folder, why = checkTarget(folderBox:getText())
    if not folder then
      window:showMessageBox(why, "提示", MB_OK + MB_ICONWARNING)
      return
    end
    local choice = startMenuChoice:getText()
    if choice == "Do not create shortcuts" then choice = "" end
    state.folder = folder
    state.cancelRequested = false
    progressBar:setRange(100)
    progressBar:setPosition(0)
    percentLabel:setText("0%")
    fileLabel:setText("")
    heading:setText("Installing...")
    cancelButton:setEnabled(true)
    showPage(pages.progress)
    slideshow:playStart()
    local config = workConfiguration(folder, { startMenu = choice, desktop = desktopChoice:getCheck(),
                                               pace = options.pace })
    state.working = startWork("LG.lua", "program.lz", config)
    if not state.working then
      window:showMessageBox("Setup could not start copying.", "错误", MB_OK + MB_ICONERROR)
      slideshow:playStop()
      showPage(pages.folder)
    end
  end)

  window:getChild(303):addHandler(event.Click, function()
    local report = state.result
    if report and report.installed then
      if restartNow:getVisible() and restartNow:getCheck() then
        window:endDialog(1)
        reboot()
        return
      end
      if startProgram:getVisible() and startProgram:getCheck() and report.program then
        releaseMutex()   -- the program may start another installer later
        shellExecuteEx(report.program, "", "open", SW_SHOWNORMAL, 0)
      end
      if showReadme:getVisible() and showReadme:getCheck() then
        shellExecuteEx(state.folder .. "\\readme.txt", "", "open", SW_SHOWNORMAL, 0)
      end
    end
    window:endDialog(1)
  end)

  showPage(pages.welcome)
  window:showDialog()
end

local options = parseCommandLine()
if options.silent then
  runSilent(options)
else
  runWindow(options)
end
