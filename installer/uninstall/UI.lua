-- The uninstaller's start-up script.
--
-- "Uninstall.exe" lives in the install folder, written there by the setup.
-- A program cannot delete its own file while it runs, so when started from
-- there it copies itself into a private folder (createPrivateTempFolder: a
-- fresh folder with a random name that only the administrators and SYSTEM
-- may enter, never one that exists; SYSTEM's temporary folder is open to
-- every user), starts the copy with /D=<install folder> and ends; the copy
-- asks, closes the running program and has "LG.lua" remove exactly what the
-- install log lists, then schedules its own file and that folder for
-- deletion at the next restart. The copy's pages (confirm, progress, finish)
-- are each set up by a function of their own below. The product's name comes
-- from the setup's product.lua, shared with it.
--
-- Whom the install was for is in its install log (install_mode.lua:
-- ofInstall). An install for one user is removed with that user's rights,
-- asking for no others. One for all users needs administrator rights: an
-- uninstaller started without them (of a product that lets the user choose)
-- starts itself again with them (relaunchElevated, /ALLUSERS /RELAUNCHED)
-- and ends with that one's exit code.
--
-- Command line (shared.parseCommandLine):
--   /S            silent: no window, no box; exit code 0 when removed (files
--                 of the user's may stay), 1603 on failure, 1602 when the
--                 user cancelled (or refused the administrator rights), 740
--                 when those could not be had (shared.EXIT)
--   /D=<folder>   the install folder (given to the copy; last, takes the
--                 rest of the line)

local shared = require "shared"
local installMode = require "install_mode"

local product = shared.product
local REPORT, ANSWER, EXIT = shared.REPORT, shared.ANSWER, shared.EXIT
local MB, ID, SW, CAPTION = shared.MB, shared.ID, shared.SW, shared.CAPTION
local plain = shared.plain
local COPY_NAME = product.name .. "-Uninstall.exe"   -- the copy, in its private folder

local options = shared.parseCommandLine(getCommandLine())
if options.folder then options.folder = (options.folder:gsub("[\\/]+$", "")) end
if options.silent then setSilent(true) end
local self = (arg and arg[0]) or getProcessPath() or ""
local temp = getTempFolder()   -- ends with a backslash; nil when there is none

-- The copy: started with /D=, as COPY_NAME, in a private folder (whose name
-- ends in "-" and 16 hexadecimal digits). Only the copy deletes itself.
local selfFolder, selfName = self:match("^(.*)\\([^\\]+)$")
local isCopy = options.folder ~= nil and selfName ~= nil and selfName:lower() == COPY_NAME:lower()
  and selfFolder:match("\\[^\\]*%-" .. string.rep("%x", 16) .. "$") ~= nil

-- No folder of the install stays current: it could not be removed then.
if isCopy then setCurrentDirectory(selfFolder) elseif temp then setCurrentDirectory(temp) end

local function fail(text, code)
  if not options.silent then showMessageBox(text, CAPTION.ERROR, MB.OK + MB.ICONERROR) end
  setExitCode(code or EXIT.FAILED)
end

local function isInstalled(folder)
  return fileExists(folder .. "\\" .. shared.LOG_NAME)
end

-- The mode the installation in `folder` was made in; per machine when its
-- log cannot be read (the removal then says what is wrong with the log).
local function modeOf(folder)
  local mode, why = installMode.ofInstall(folder)
  if not mode then print("uninstall: the install mode is not known (" .. tostring(why) .. "): per machine\n") end
  return mode or installMode.PER_MACHINE
end

-- The copy's: the mode of the installation it removes, read before the
-- removal takes the log away.
local removalMode = isCopy and options.folder and isInstalled(options.folder) and modeOf(options.folder) or nil

-- The copy's file goes at the next restart, then its private folder (the
-- system works through the list in order, so the folder is empty by then).
-- Only for all users: scheduling that is the administrators' alone, and an
-- install for one user writes nothing for all users; the copy of its
-- uninstaller stays in the user's temporary folder.
local function forgetSelf()
  if isCopy and removalMode ~= installMode.PER_USER then
    moveFileAtRestart(self)
    moveFileAtRestart(selfFolder)
  end
end

------------------------------------------------------------------------------
-- Started from the install folder: hand over to a copy in a private folder.

-- An install for all users, and no administrator rights: this uninstaller
-- again, with them; its exit code is this one's.
local function relaunchForAllUsers()
  if options.relaunched then
    fail("The uninstaller was started again to remove " .. product.name .. " for all users, but without "
         .. "administrator rights.", EXIT.NEEDS_ELEVATION)
    return
  end
  local ok, code, reason = relaunchElevated(installMode.relaunchParameters({ silent = options.silent }))
  if ok then
    setExitCode(code)
  elseif reason == "cancelled" then
    print("uninstall: the administrator rights were not given\n")
    setExitCode(EXIT.CANCELLED)
  else
    fail("Removing " .. product.name .. " for all users needs administrator rights: " .. tostring(code) .. ".",
         EXIT.NEEDS_ELEVATION)
  end
end

local function handOver()
  local folder = self:match("^(.*)\\[^\\]+$")
  if not folder or not isInstalled(folder) then
    fail(product.name .. " is not installed in " .. tostring(folder) .. ": its install log is missing.")
    return
  end
  if installMode.needsElevation(modeOf(folder), isElevated()) then
    relaunchForAllUsers()
    return
  end
  -- A fresh private folder; there is no other place to fall back to.
  local private, why = createPrivateTempFolder()
  if not private then
    fail("The uninstaller cannot make a private folder for its copy: " .. tostring(why))
    return
  end
  local copy = private .. "\\" .. COPY_NAME
  local function dropCopy()
    removeInsideFolder(private, copy)
    removeInsideFolder(private, private)
  end
  if not copyFileNoReplace(self, copy) then
    dropCopy()
    fail("The uninstaller cannot copy itself to " .. copy .. ".")
    return
  end
  releaseMutex()   -- the copy takes it over
  local parameters = (options.silent and "/S " or "") .. "/D=" .. folder
  if not shellExecuteEx(copy, parameters, "open", SW.SHOWNORMAL, 0) then
    dropCopy()
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
  setExitCode(isInstalled(folder) and EXIT.FAILED or 0)
end

------------------------------------------------------------------------------
-- The copy: remove the installation.

local function startRemoval(folder)
  return startWork("LG.lua", "program.lz", configurationText({ folder = folder, mode = removalMode or modeOf(folder) }))
end

-- Closes the installed program when it runs; false when the user keeps it.
-- A product without a program (its product file names none) has none to close.
local function closeProgram(folder, window)
  if not product.program then return true end
  local program = folder .. "\\" .. product.program
  if not isProcessRunning(program) then return true end
  if window then
    local answer = window:showMessageBox(product.name .. " is running. Close it so that it can be removed?",
                                         CAPTION.NOTICE, MB.OKCANCEL + MB.ICONWARNING)
    if answer ~= ID.OK then return false end
  end
  killProcess(program)
  return true
end

-- The copy's exit code: 0 when the product is removed (files of the user's
-- may stay), EXIT.FAILED (1603) when it is not.
local function finished(report)
  if report.removed then setExitCode(0) else setExitCode(EXIT.FAILED) end
  forgetSelf()
end

local function runSilent(folder)
  closeProgram(folder, nil)
  local result
  if not startRemoval(folder) then
    setExitCode(EXIT.FAILED)
    return
  end
  waitWork(function(text)
    local report = shared.readReport(text)
    if report and report.code == REPORT.DONE then result = report end
    return ANSWER.GO_ON
  end)
  finished(result or { removed = false })
end

------------------------------------------------------------------------------
-- The uninstaller window (frame/main.xml). Each page's function finds its
-- controls by the ids the layout lists at its top, sets them up and returns
-- the page: { panel, ... what other pages call }. They share `removal`: the
-- window, the install folder, the pages by name, the page shown (`current`),
-- whether the removal runs (`working`) and `quit`.

-- Confirm: what is removed and from where. Remove closes the running program
-- (asking first) and starts the removal; Cancel quits.
local function confirmPage(removal)
  local ids = { page = 100, heading = 101, folder = 105, remove = 102, cancel = 103 }
  local window = removal.window
  window:getChild(ids.heading):setText(plain("Remove " .. product.name))
  window:getChild(ids.folder):setText(plain(product.name .. " is removed from " .. removal.folder .. "."))
  window:getChild(ids.cancel):addHandler(event.Click, removal.quit)
  window:getChild(ids.remove):addHandler(event.Click, function()
    if not closeProgram(removal.folder, window) then return end
    removal.pages.progress.start()
  end)
  return { panel = window:getChild(ids.page) }
end

-- Progress: the bar and the item being removed. The worker's reports arrive
-- here; its last one hands over to the finish page. A removal is not undone
-- halfway, so nothing here cancels it.
local function progressPage(removal)
  local ids = { page = 200, heading = 201, percent = 202, item = 203, bar = 204 }
  local window = removal.window
  local bar = window:getChild(ids.bar)
  window:getChild(ids.heading):setText(plain("Removing " .. product.name .. "..."))

  window:setMessageHandler(function(text)
    local report = shared.readReport(text)
    if not report then return ANSWER.GO_ON end
    if report.code == REPORT.PROGRESS then
      window:getChild(ids.percent):setText(report.percent .. "%")
      window:getChild(ids.item):setText(plain(report.item or ""))
      bar:setPosition(report.percent)
      window:updateLayout()
    elseif report.code == REPORT.DONE then
      removal.working = false
      finished(report)
      removal.pages.finish.show(report)
    end
    return ANSWER.GO_ON
  end)

  -- Starts the removal; back to the confirm page when it cannot start.
  local function start()
    bar:setRange(100)
    bar:setPosition(0)
    removal.show("progress")
    removal.working = startRemoval(removal.folder)
    if not removal.working then
      window:showMessageBox("The uninstaller could not start removing files.", CAPTION.ERROR, MB.OK + MB.ICONERROR)
      removal.show("confirm")
    end
  end

  return { panel = window:getChild(ids.page), start = start }
end

-- Finish: what was removed, what stays and why, or why nothing was; Close
-- ends the uninstaller.
local function finishPage(removal)
  local ids = { page = 300, heading = 301, line1 = 302, line2 = 304, line3 = 308, line4 = 309, close = 303 }
  local window = removal.window

  -- Shows the page for the worker's last report (its outcome: "removed",
  -- "kept" or "failed").
  local function show(report)
    local lines = {}
    if report.removed then
      window:getChild(ids.heading):setText(plain(product.name .. " is removed"))
      lines[1] = report.files .. " files, " .. report.shortcuts .. " shortcuts and the registration removed."
    else
      window:getChild(ids.heading):setText(plain(product.name .. " could not be removed"))
      lines[1] = tostring(report.message or "an error occurred")
      if (report.failed or 0) > 0 then
        lines[#lines + 1] = "Its registration and install log stay: run the uninstaller again."
      end
    end
    if (report.kept or 0) > 0 then
      lines[#lines + 1] = report.kept .. " files or folders of yours were kept, such as " .. report.example .. "."
    end
    if (report.skipped or 0) > 0 then
      lines[#lines + 1] = report.skipped .. " entries of the install log were not valid and were left alone."
    end
    if (report.later or 0) > 0 then
      lines[#lines + 1] = report.later .. " files in use are removed when the computer restarts."
    end
    for index, id in ipairs({ ids.line1, ids.line2, ids.line3, ids.line4 }) do
      window:getChild(id):setText(plain(lines[index] or ""))
    end
    removal.show("finish")
  end

  window:getChild(ids.close):addHandler(event.Click, function() window:endDialog(1) end)
  return { panel = window:getChild(ids.page), show = show }
end

-- The window's own controls: its title, minimise, and close, which does
-- nothing while the removal runs, quits before it and closes after it.
local function windowFrame(removal)
  local ids = { title = 4, minimise = 2, close = 3 }
  local window = removal.window
  window:getChild(ids.title):setText(plain(product.name .. " Uninstall"))
  window:getChild(ids.minimise):addHandler(event.Click, function() window:showWindow(SW.MINIMIZE) end)
  window:getChild(ids.close):addHandler(event.Click, function()
    if removal.working then return end   -- removal is not undone halfway
    if removal.current == "finish" then window:endDialog(1) else removal.quit() end
  end)
end

local function runWindow(folder)
  local window = createWindow("main.xml")
  window:setTitle(product.name .. " Uninstall")
  window:setIcon(2)
  window:updateLayout()
  window:centerScreen()

  local removal = { window = window, folder = folder, pages = {}, working = false }
  -- Shows the page of that name and hides the others.
  function removal.show(name)
    removal.current = name
    for each, page in pairs(removal.pages) do page.panel:setVisible(each == name) end
    window:updateLayout()
  end
  function removal.quit()
    setExitCode(EXIT.CANCELLED)
    forgetSelf()
    window:endDialog(2)
  end

  windowFrame(removal)
  removal.pages.confirm = confirmPage(removal)
  removal.pages.progress = progressPage(removal)
  removal.pages.finish = finishPage(removal)

  removal.show("confirm")
  window:showDialog()
end

if not options.folder then
  handOver()
elseif not isInstalled(options.folder) then
  fail(product.name .. " is not installed in " .. options.folder .. ": its install log is missing.")
  forgetSelf()
elseif options.silent then
  runSilent(options.folder)
else
  runWindow(options.folder)
end
