-- Kavri uninstaller: start-up script.
--
-- "Uninstall.exe" lives in the install folder, written there by the setup.
-- A program cannot delete its own file while it runs, so when started from
-- there it copies itself to the temporary folder, starts the copy with
-- /D=<install folder> and ends; the copy asks, closes the running program and
-- has "LG.lua" remove exactly what the install log lists, then schedules its
-- own file for deletion at the next restart.
--
-- Command line:
--   /S            silent: no window, no box; exit code 0 when removed,
--                 1 on failure, 2 when the user cancelled
--   /D=<folder>   the install folder (given to the copy; last, takes the
--                 rest of the line)

local PRODUCT = "Kavri"
local LOG_NAME = "install-log.json"
local PROGRAM_NAME = "Kavri.exe"

local MB_OK, MB_OKCANCEL, MB_ICONERROR, MB_ICONWARNING = 0, 1, 16, 48
local IDOK = 1
local SW_SHOWNORMAL, SW_MINIMIZE = 1, 6
local EXIT_FAILED, EXIT_CANCELLED = 1, 2

-- Splits the text before /D= into switches; /D= takes the rest of the line.
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
      options.folder = folder:gsub("[\\/]+$", "")
      rest = line:sub(1, before == "\"" and start - 2 or start - 1)
      break
    end
    at = start + 1
  end
  for word in rest:gmatch("[^%s]+") do
    if word:gsub("\"", ""):upper() == "/S" then options.silent = true end
  end
  return options
end

local options = parseCommandLine()
if options.silent then setSilent(true) end
local self = (arg and arg[0]) or getProcessPath() or ""
local temp = getTempFolder() or "C:\\"
-- No folder of the install stays current: it could not be removed then.
setCurrentDirectory(temp)

-- Only the copy in the temporary folder deletes itself (at the next restart).
local function forgetSelf()
  if moveFileAtRestart and self:lower():sub(1, #temp) == temp:lower() then moveFileAtRestart(self) end
end

local function fail(text, code)
  if not options.silent then showMessageBox(text, "错误", MB_OK + MB_ICONERROR) end
  setExitCode(code or EXIT_FAILED)
end

local function isInstalled(folder)
  return fileExists(folder .. "\\" .. LOG_NAME)
end

------------------------------------------------------------------------------
-- Started from the install folder: hand over to a copy in the temporary folder.

local function handOver()
  local folder = self:match("^(.*)\\[^\\]+$")
  if not folder or not isInstalled(folder) then
    fail("Kavri is not installed in " .. tostring(folder) .. ": its install log is missing.")
    return
  end
  local copy = string.format("%sKavri-Uninstall-%d.exe", temp, os.time())
  if not copyFile(self, copy) then
    fail("The uninstaller cannot copy itself to the temporary folder " .. temp .. ".")
    return
  end
  releaseMutex()   -- the copy takes it over
  local parameters = (options.silent and "/S " or "") .. "/D=" .. folder
  if not shellExecuteEx(copy, parameters, "open", SW_SHOWNORMAL, 0) then
    removeFile(copy)
    fail("The uninstaller cannot start its copy " .. copy .. ".")
    return
  end
  if not options.silent then return end
  -- A silent caller wants the outcome as the exit code: wait until the copy
  -- has removed the install log (done) or has ended without doing so.
  local waited = 0
  while waited < 600000 do
    if not isInstalled(folder) then
      setExitCode(0)
      return
    end
    if waited > 5000 and not isProcessRunning(copy) then break end
    sleep(200)
    waited = waited + 200
  end
  setExitCode(isInstalled(folder) and EXIT_FAILED or 0)
end

------------------------------------------------------------------------------
-- The copy: remove the installation.

local function readReport(text)
  local chunk = load("return " .. tostring(text), "report", "t", {})
  if not chunk then return nil end
  local ok, report = pcall(chunk)
  if ok and type(report) == "table" then return report end
  return nil
end

local function startRemoval(folder)
  return startWork("LG.lua", "program.lz", configurationText({ folder = folder }))
end

-- Closes the installed program when it runs; false when the user keeps it.
local function closeProgram(folder, window)
  local program = folder .. "\\" .. PROGRAM_NAME
  if not isProcessRunning(program) then return true end
  if window then
    local answer = window:showMessageBox("Kavri is running. Close it so that it can be removed?", "提示",
                                         MB_OKCANCEL + MB_ICONWARNING)
    if answer ~= IDOK then return false end
  end
  killProcess(program)
  return true
end

local function finished(report)
  if report.removed then setExitCode(0) else setExitCode(EXIT_FAILED) end
  forgetSelf()
end

local function runSilent(folder)
  closeProgram(folder, nil)
  local result
  if not startRemoval(folder) then
    setExitCode(EXIT_FAILED)
    return
  end
  waitWork(function(text)
    local report = readReport(text)
    if report and report.code == 3 then result = report end
    return 0
  end)
  finished(result or { removed = false })
end

local function runWindow(folder)
  local window = createWindow("main.xml")
  window:setTitle("Kavri Uninstall")
  window:setIcon(2)
  window:updateLayout()
  window:centerScreen()
  local pages = { confirm = window:getChild(100), progress = window:getChild(200), finish = window:getChild(300) }
  local working = false
  local function showPage(page)
    for _, each in pairs(pages) do each:setVisible(each == page) end
    window:updateLayout()
  end
  window:getChild(105):setText("Kavri is removed from " .. folder .. ".")

  local function quit()
    setExitCode(EXIT_CANCELLED)
    forgetSelf()
    window:endDialog(2)
  end
  window:getChild(2):addHandler(event.Click, function() window:showWindow(SW_MINIMIZE) end)
  window:getChild(3):addHandler(event.Click, function()
    if working then return end   -- removal is not undone halfway
    if pages.finish:getVisible() then window:endDialog(1) else quit() end
  end)
  window:getChild(103):addHandler(event.Click, quit)

  local bar = window:getChild(204)
  window:setMessageHandler(function(text)
    local report = readReport(text)
    if not report then return 0 end
    if report.code == 1 then
      window:getChild(202):setText(report.percent .. "%")
      window:getChild(203):setText(report.item or "")
      bar:setPosition(report.percent)
      window:updateLayout()
    elseif report.code == 3 then
      working = false
      finished(report)
      if report.removed then
        window:getChild(301):setText("Kavri is removed")
        window:getChild(302):setText(report.files .. " files, " .. report.shortcuts .. " shortcuts and the registration removed.")
        window:getChild(304):setText(report.kept > 0
          and (report.kept .. " files or folders of yours were kept, such as " .. report.example .. ".") or "")
        window:getChild(308):setText(report.later > 0
          and (report.later .. " files in use are removed when the computer restarts.") or "")
      else
        window:getChild(301):setText("Kavri could not be removed")
        window:getChild(302):setText(tostring(report.message or "an error occurred"))
        window:getChild(304):setText("")
        window:getChild(308):setText("")
      end
      showPage(pages.finish)
    end
    return 0
  end)

  window:getChild(102):addHandler(event.Click, function()
    if not closeProgram(folder, window) then return end
    bar:setRange(100)
    bar:setPosition(0)
    showPage(pages.progress)
    working = startRemoval(folder)
    if not working then
      window:showMessageBox("The uninstaller could not start removing files.", "错误", MB_OK + MB_ICONERROR)
      showPage(pages.confirm)
    end
  end)
  window:getChild(303):addHandler(event.Click, function() window:endDialog(1) end)
  showPage(pages.confirm)
  window:showDialog()
end

if not options.folder then
  handOver()
elseif not isInstalled(options.folder) then
  fail("Kavri is not installed in " .. options.folder .. ": its install log is missing.")
  forgetSelf()
elseif options.silent then
  runSilent(options.folder)
else
  runWindow(options.folder)
end
