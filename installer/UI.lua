-- The setup's start-up script: the installer pages, or a silent install.
--
-- With a window (the default): welcome, licence (must be accepted), folder
-- (space needed and free, start-menu folder, desktop shortcut), progress
-- (bar by bytes, current file, slideshow, Cancel) and finish (what was done,
-- start the program, show the readme, restart when a file waits for it);
-- each page is set up by a function of its own below. "LG.lua" does the
-- whole job on a worker thread and reports here (the reports are listed in
-- shared.lua). The product's name and version come from product.lua.
--
-- Command line (shared.parseCommandLine):
--   /S              silent: no window, no box
--   /D=<folder>     the install folder; last, and takes the rest of the line,
--                   or quoted ("/D=C:\a b"), ending at its quote
--   /ALLUSERS       install for all users; /CURRENTUSER for the current user
--                   only (install_mode.lua: a product that lets the user
--                   choose takes either; one of a fixed mode refuses the
--                   other)
--   /PACE=<ms>      a pause after each file (tests only)
-- Anything else is refused with the usage text (a box; silent, only the
-- exit code). Exit codes (shared.EXIT): 0 installed, 3010 installed with a
-- restart needed, 1602 cancelled (also: the administrator rights asked for
-- were refused), 1603 failed, 3017 failed or cancelled with the undo
-- finished at the restart, 1638 installed in another folder, 1639 an
-- unknown switch or one not offered, 267 a refused folder, 112 a drive too
-- full, 740 administrator rights could not be had. A setup that hands an
-- install for all users to its copy with administrator rights ends with
-- that copy's exit code.
--
-- Whom the install is for (install_mode.lua) is settled first: the
-- product's mode, the switches and the rights this process has; where the
-- product lets the user choose, the folder page offers "For all users" and
-- "Just for me", and an install for all users without administrator rights
-- is handed to a copy started with them (relaunchElevated).
--
-- Before anything else, a journal left by a setup that was stopped half-way
-- (killed, or the machine went down) is undone, and the user told (a box;
-- silent, the debugger output).

local shared = require "shared"
local installFolder = require "install_folder"
local installJournal = require "install_journal"
local installMode = require "install_mode"

local product = shared.product
local REPORT, ANSWER, EXIT = shared.REPORT, shared.ANSWER, shared.EXIT
local MB, ID, SW, CAPTION = shared.MB, shared.ID, shared.SW, shared.CAPTION
local plain = shared.plain

-- The worker's configuration, its global `config` (see LG.lua).
local function workConfiguration(folder, mode, options)
  return configurationText({
    installPath = folder,
    mode = mode,
    startMenu = options.startMenu or product.name,
    desktop = options.desktop or false,
    pace = options.pace,
    silent = options.silent,
  })
end

------------------------------------------------------------------------------
-- Outcomes.

-- The exit code for the worker's last report.
local function exitCodeFor(report)
  if report.installed then return report.restart and EXIT.RESTART_NEEDED or EXIT.INSTALLED end
  if report.undoComplete == false then return EXIT.UNDO_AT_RESTART end
  if report.cancelled then return EXIT.CANCELLED end
  return EXIT.FAILED
end

-- The last report of a work in the mode of `places` that ended without
-- sending one (its script failed): what it had done is undone here from its
-- journal (or, when it had already finished, its clean-up completed).
local function stoppedWork(places, failure)
  local result = installJournal.recover(places) or installJournal.nothingUndone()
  if result.committed then
    return { installed = true, restart = result.restart, count = 0, skipped = 0, bytes = 0, shortcuts = 0 }
  end
  return installJournal.summary(result, { installed = false, cancelled = false,
    message = "Setup stopped unexpectedly" .. (failure and (" (" .. tostring(failure) .. ")") or "") })
end

-- Undoes what a setup in the mode of `places` stopped half-way left behind
-- (its journal), and says so. False when this setup must not go on: the
-- undo finishes only at the restart (exit code set).
local function recoverStoppedSetup(options, places)
  local result = installJournal.recover(places)
  if not result then return true end
  local earlier = "An earlier " .. product.name .. " Setup was stopped before it ended. "
  local text
  if result.refused then
    text = "A journal of an earlier " .. product.name .. " Setup was found, but other users could have changed it, "
           .. "so it was not used (" .. result.refused .. ")."
  elseif result.committed then
    text = earlier .. "It had installed " .. product.name .. "; Setup has finished its clean-up."
  else
    text = earlier .. "Setup has undone the " .. result.steps .. " steps it had taken."
  end
  local goOn = result.complete and not result.restart
  if not result.complete then
    text = text .. "\n\nSome could not be undone now, such as " .. tostring(installJournal.summary(result).example)
           .. (#result.later > 0 and ": they are undone when the computer restarts." or ".")
  end
  if not goOn then text = text .. "\n\nPlease restart the computer, then run Setup again." end
  print(product.name .. " Setup: " .. text .. "\n")
  if not options.silent then
    showMessageBox(text, goOn and CAPTION.NOTICE or CAPTION.ERROR, MB.OK + (goOn and MB.ICONWARNING or MB.ICONERROR))
  end
  if not goOn then
    setExitCode((result.committed and result.complete) and EXIT.RESTART_NEEDED or EXIT.UNDO_AT_RESTART)
  end
  return goOn
end

-- The command line's usage, for a switch Setup does not know.
local function refuseCommandLine(options)
  local text = "Unknown on the command line: " .. table.concat(options.unknown, " ") .. "\n\n"
    .. "Usage: Setup.exe [/S] [/ALLUSERS | /CURRENTUSER] [/D=folder]\n"
    .. "  /S  install without any window or question\n"
    .. "  /ALLUSERS  install for all users; /CURRENTUSER  for you alone\n"
    .. "  /D=folder  the folder to install into; last on the line (it takes the rest of it), "
    .. "or quoted: \"/D=C:\\My Programs\\" .. product.name .. "\""
  print(product.name .. " Setup: " .. text .. "\n")
  if not options.silent then showMessageBox(text, CAPTION.ERROR, MB.OK + MB.ICONERROR) end
  setExitCode(EXIT.BAD_COMMAND_LINE)
end

-- A mode the command line asks for that this installer does not offer (or
-- rights it could not get): said, and the exit code set; nothing is done.
local function refuseMode(options, why, code)
  local text = product.name .. " Setup: " .. why .. ". Nothing was done."
  print(text .. "\n")
  if not options.silent then showMessageBox(text, CAPTION.ERROR, MB.OK + MB.ICONERROR) end
  setExitCode(code)
end

-- Hands an install for all users to a copy of this setup started with
-- administrator rights (the system asks the user first), the instance guard
-- handed over with it, and waits for it. True once the copy has run (its exit
-- code is this setup's); else false, the message and the reason, with the
-- exit code set: CANCELLED when the user refused, NEEDS_ELEVATION otherwise.
local function relaunchForAllUsers(options, folder)
  local ok, code, reason = relaunchElevated(installMode.relaunchParameters(options, folder))
  if ok then
    setExitCode(code)
    return true
  end
  print(product.name .. " Setup: installing for all users needs administrator rights: " .. tostring(code)
        .. ". Nothing was done.\n")
  setExitCode(reason == "cancelled" and EXIT.CANCELLED or EXIT.NEEDS_ELEVATION)
  return false, code, reason
end

------------------------------------------------------------------------------
-- Silent install: no window, answers chosen for the user.

local function runSilent(options, mode)
  setSilent(true)
  local places = installMode.places(mode)
  local folder, why, code = installFolder.checkTarget(options.folder or installFolder.default(places), places)
  if not folder then
    print(product.name .. " Setup: " .. tostring(why) .. "\n")
    setExitCode(code)
    return
  end
  local result
  local function onReport(text)
    local report = shared.readReport(text)
    if not report then return ANSWER.GO_ON end
    if report.code == REPORT.FAILURE then return ANSWER.CANCEL end
    if report.code == REPORT.IN_USE then return ANSWER.AT_RESTART end
    if report.code == REPORT.DONE then result = report end
    return ANSWER.GO_ON
  end
  if not startWork("LG.lua", "program.lz", workConfiguration(folder, mode, options)) then
    setExitCode(EXIT.FAILED)
    return
  end
  local _, failure = waitWork(onReport)
  setExitCode(exitCodeFor(result or stoppedWork(places, failure)))
end

------------------------------------------------------------------------------
-- The installer window (frame/main.xml). Each page's function finds its
-- controls by the ids the layout lists at its top, sets them up and returns
-- the page: { panel, onShow (optional), ... what other pages call }. They
-- share `setup`: the window, the command line's options, the pages by name,
-- the page shown (`current`) and the state of the copy (`working`,
-- `cancelRequested`, `asking`, `folder`, `result`).

-- Welcome: what Setup installs; Next.
local function welcomePage(setup)
  local ids = { page = 100, heading = 101, intro = 103, closeFirst = 104, next = 102 }
  local window = setup.window
  window:getChild(ids.heading):setText(plain("Welcome to " .. product.name .. " Setup"))
  window:getChild(ids.intro):setText(plain("This program installs " .. product.name .. " " .. product.version
                                           .. " on your computer."))
  window:getChild(ids.closeFirst):setText(plain("Close " .. product.name
                                                .. " if it is running, then click Next to continue."))
  window:getChild(ids.next):addHandler(event.Click, function() setup.show("licence") end)
  return { panel = window:getChild(ids.page) }
end

-- Licence: the agreement scrolls in its panel (15); Next waits until the box
-- is ticked.
local function licencePage(setup)
  local ids = { page = 110, agreement = 13, back = 111, next = 112 }
  local window = setup.window
  local agreement, nextButton = window:getChild(ids.agreement), window:getChild(ids.next)
  agreement:addHandler(event.ValueChange, function() nextButton:setEnabled(agreement:getCheck()) end)
  nextButton:setEnabled(agreement:getCheck())
  window:getChild(ids.back):addHandler(event.Click, function() setup.show("welcome") end)
  nextButton:addHandler(event.Click, function()
    if agreement:getCheck() then setup.show("folder") end
  end)
  return { panel = window:getChild(ids.page) }
end

-- Folder: where to install, with the space the payload needs and the space
-- free on the folder's drive (following the box twice a second), the
-- start-menu folder and the desktop shortcut; and, for a product that lets
-- the user choose, for whom: "For all users" or "Just for me" (the folder
-- box follows the choice while it holds the other one's default). Install
-- checks the folder and hands over to the progress page, or, for all users
-- without administrator rights, to a copy of the setup started with them.
local function folderPage(setup)
  local ids = { page = 120, heading = 124, folder = 11, browse = 12, needed = 121, free = 122,
                startMenu = 16, desktop = 17, whom = 125, allUsers = 18, justMe = 19, back = 123, install = 14 }
  local window = setup.window
  local folderBox, neededLabel, freeLabel = window:getChild(ids.folder), window:getChild(ids.needed),
                                            window:getChild(ids.free)
  local startMenuChoice, desktopChoice = window:getChild(ids.startMenu), window:getChild(ids.desktop)
  local allUsersChoice, justMeChoice = window:getChild(ids.allUsers), window:getChild(ids.justMe)
  window:getChild(ids.heading):setText(plain("Choose where to install " .. product.name))

  -- Whom the install is for: the radio buttons show it; only a product that
  -- lets the user choose, started without a switch naming a mode, lets it
  -- change.
  local shownDefault
  local function setMode(mode)
    setup.mode = mode
    setup.places = installMode.places(mode)
    allUsersChoice:setCheck(mode == installMode.PER_MACHINE)
    justMeChoice:setCheck(mode == installMode.PER_USER)
    local default = installFolder.default(setup.places)
    if shownDefault == nil or folderBox:getText() == shownDefault then folderBox:setText(default) end
    shownDefault = default
  end
  local offered = setup.productMode == installMode.CHOOSE
  for _, control in ipairs({ window:getChild(ids.whom), allUsersChoice, justMeChoice }) do
    control:setVisible(offered)
    control:setEnabled(not setup.modeFixed)
  end
  allUsersChoice:setText("For all &users")
  justMeChoice:setText("&Just for me")
  if setup.options.folder then
    folderBox:setText(setup.options.folder)
    shownDefault = false   -- a folder given on the command line stays
  end
  setMode(setup.mode or setup.suggested)

  local needed = installFolder.payloadSize()
  local shownFolder
  local function refreshSpace()
    local text = folderBox:getText()
    if text == shownFolder then return end
    shownFolder = text
    neededLabel:setText("Space needed: " .. (needed and installFolder.formatBytes(needed) or "unknown"))
    local folder = installFolder.check(text)
    local free = folder and getFreeSpace(folder)
    if free then
      local warning = (needed and free < needed) and "  (not enough)" or ""
      freeLabel:setText(plain("Space free on drive " .. folder:sub(1, 2):upper() .. " "
                              .. installFolder.formatBytes(free) .. warning))
    else
      freeLabel:setText("Space free: unknown until a valid folder is given")
    end
    window:updateLayout()
  end
  window:setTimer(500, function()
    if setup.current == "folder" then refreshSpace() end
  end)

  window:getChild(ids.browse):addHandler(event.Click, function()
    local folder = window:browseForFolder("Choose the folder to install " .. product.name .. " into")
    if folder then
      -- A chosen parent folder gets the product's own folder below it.
      local parent = folder:gsub("[\\/]+$", "")
      if parent:sub(-#product.name):lower() ~= product.name:lower() then folder = parent .. "\\" .. product.name end
      folderBox:setText(folder)
      refreshSpace()
    end
  end)
  local function chooseMode(mode)
    return function()
      if setup.modeFixed then return end
      setMode(mode)
      refreshSpace()
    end
  end
  allUsersChoice:addHandler(event.Click, chooseMode(installMode.PER_MACHINE))
  justMeChoice:addHandler(event.Click, chooseMode(installMode.PER_USER))

  -- For all users without administrator rights: this window steps aside
  -- while the copy with them runs (from its folder page, with this folder),
  -- and the setup ends with its exit code. Refused, this page stays.
  local function relaunch(folder)
    window:showWindow(SW.HIDE)
    local ran, message, reason = relaunchForAllUsers(setup.options, folder)
    if ran then
      window:endDialog(1)
      return
    end
    window:showWindow(SW.SHOWNORMAL)
    local text = reason == "cancelled"
      and ("Installing " .. product.name .. " for all users needs administrator rights, which were not given.\n\n"
           .. "Choose \"Just for me\" to install it for you alone, or Install to be asked again.")
      or ("Setup could not be started with administrator rights: " .. tostring(message) .. ".")
    window:showMessageBox(text, CAPTION.NOTICE, MB.OK + MB.ICONWARNING)
  end

  window:getChild(ids.back):addHandler(event.Click, function() setup.show("licence") end)
  window:getChild(ids.install):addHandler(event.Click, function()
    -- The copy with administrator rights checks the folder as the one that
    -- installs into it (who may change it is judged against those rights);
    -- here only its form.
    local needsRights = installMode.needsElevation(setup.mode, setup.elevated)
    local folder, why
    if needsRights then
      folder, why = installFolder.check(folderBox:getText())
    else
      folder, why = installFolder.checkTarget(folderBox:getText(), setup.places)
    end
    if not folder then
      window:showMessageBox(why, CAPTION.NOTICE, MB.OK + MB.ICONWARNING)
      return
    end
    if needsRights then
      relaunch(folder)
      return
    end
    local choice = startMenuChoice:getText()
    if choice == "Do not create shortcuts" then choice = "" end
    setup.pages.progress.start(folder, { startMenu = choice, desktop = desktopChoice:getCheck(),
                                         pace = setup.options.pace })
  end)
  return { panel = window:getChild(ids.page), onShow = refreshSpace }
end

-- Progress: the bar by bytes, the current file and the slideshow while the
-- worker copies. Cancel (or the close box) asks first. The worker's reports
-- arrive here, its questions are put to the user, and its last report hands
-- over to the finish page.
local function progressPage(setup)
  local ids = { page = 200, heading = 201, percent = 202, file = 203, bar = 204, slideshow = 205, cancel = 206 }
  local window = setup.window
  local heading, percentLabel, fileLabel = window:getChild(ids.heading), window:getChild(ids.percent),
                                           window:getChild(ids.file)
  local bar, slideshow, cancelButton = window:getChild(ids.bar), window:getChild(ids.slideshow),
                                       window:getChild(ids.cancel)

  -- The copy waits between files while the question is open.
  local function askCancel()
    if setup.cancelRequested or setup.asking then return end
    setup.asking = true
    local answer = window:showMessageBox("Cancel the installation? Everything Setup has done so far is undone.",
                                         CAPTION.NOTICE, MB.YESNO + MB.ICONQUESTION)
    setup.asking = false
    if answer ~= ID.YES or not setup.working then return end
    setup.cancelRequested = true
    cancelButton:setEnabled(false)
    heading:setText("Cancelling...")
    fileLabel:setText("Setup stops after the current file and undoes its changes.")
    window:updateLayout()
  end
  cancelButton:addHandler(event.Click, askCancel)

  local function onProgress(report)
    if setup.cancelRequested then return ANSWER.STOP end
    if setup.asking then return ANSWER.PAUSE end
    percentLabel:setText(report.percent .. "%")
    fileLabel:setText(setup.cancelRequested and "Cancelling..." or plain(report.file))
    bar:setPosition(report.percent)
    window:updateLayout()   -- labels measure their new text
    return ANSWER.GO_ON
  end

  -- A question of the worker's, put in a box: the answer `answers` maps the
  -- pressed button to, else (Cancel, Abort) the cancel, which is then
  -- remembered.
  local function ask(text, caption, buttons, answers)
    local answer = answers[window:showMessageBox(text, caption, buttons)]
    if answer then return answer end
    setup.cancelRequested = true
    return ANSWER.CANCEL
  end

  local function onFailure(report)
    if setup.cancelRequested then return ANSWER.CANCEL end
    local text = "Setup cannot write " .. report.path .. ":\n" .. report.reason
    if report.required then   -- the install cannot do without it
      return ask(text .. "\n\nRetry: try again.\nCancel: cancel the installation and undo it.",
                 CAPTION.ERROR, MB.RETRYCANCEL + MB.ICONERROR, { [ID.RETRY] = ANSWER.RETRY })
    end
    return ask(text .. "\n\nAbort: cancel the installation and undo it.\nRetry: try again.\nIgnore: skip this file.",
               CAPTION.ERROR, MB.ABORTRETRYIGNORE + MB.ICONERROR,
               { [ID.RETRY] = ANSWER.RETRY, [ID.IGNORE] = ANSWER.SKIP })
  end

  local function onFileInUse(report)
    if setup.cancelRequested then return ANSWER.CANCEL end
    local text = report.path .. " is in use, probably because " .. product.name .. " is running."
    if report.atRestart == false then   -- for one user: close it, or cancel
      return ask(text .. "\n\nOK: close " .. product.name .. " and replace the file now."
                 .. "\nCancel: cancel the installation and undo it.",
                 CAPTION.NOTICE, MB.OKCANCEL + MB.ICONWARNING, { [ID.OK] = ANSWER.CLOSE_PROGRAM })
    end
    return ask(text .. "\n\nYes: close " .. product.name .. " and replace the file now."
               .. "\nNo: replace the file when the computer restarts."
               .. "\nCancel: cancel the installation and undo it.",
               CAPTION.NOTICE, MB.YESNOCANCEL + MB.ICONWARNING,
               { [ID.YES] = ANSWER.CLOSE_PROGRAM, [ID.NO] = ANSWER.AT_RESTART })
  end

  window:setMessageHandler(function(text)
    local report = shared.readReport(text)
    if not report then return ANSWER.GO_ON end
    if report.code == REPORT.PROGRESS then return onProgress(report) end
    if report.code == REPORT.FAILURE then return onFailure(report) end
    if report.code == REPORT.IN_USE then return onFileInUse(report) end
    if report.code == REPORT.UNDOING then
      heading:setText("Cancelling...")
      fileLabel:setText("Undoing the changes...")
      cancelButton:setEnabled(false)
      window:updateLayout()
    elseif report.code == REPORT.DONE then
      setup.working = false
      slideshow:playStop()
      setup.pages.finish.show(report)
    end
    return ANSWER.GO_ON
  end)

  -- A work that ends without its last report (its script failed) would
  -- leave this page waiting for ever, and the window unclosable: the page
  -- notices, undoes what the work had done and shows the failure.
  window:setTimer(500, function()
    if setup.working and not workRunning() then
      setup.working = false
      slideshow:playStop()
      setup.pages.finish.show(stoppedWork(setup.places))
    end
  end)

  -- Starts the copy into `folder` with the folder page's choices.
  local function start(folder, choices)
    setup.folder = folder
    setup.cancelRequested = false
    bar:setRange(100)
    bar:setPosition(0)
    percentLabel:setText("0%")
    fileLabel:setText("")
    heading:setText("Installing...")
    cancelButton:setEnabled(true)
    setup.show("progress")
    slideshow:playStart()
    setup.working = startWork("LG.lua", "program.lz", workConfiguration(folder, setup.mode, choices))
    if not setup.working then
      window:showMessageBox("Setup could not start copying.", CAPTION.ERROR, MB.OK + MB.ICONERROR)
      slideshow:playStop()
      setup.show("folder")
    end
  end

  return { panel = window:getChild(ids.page), start = start, askCancel = askCancel }
end

-- Finish: what was done (installed, cancelled or failed, and what was undone);
-- start the program or show the readme (as the signed-in user), or restart
-- when a file waits for the restart. Finish ends the installer.
local function finishPage(setup)
  local ids = { page = 300, heading = 301, line1 = 302, line2 = 304, line3 = 308,
                startProgram = 305, showReadme = 306, restartNow = 307, finish = 303 }
  local window = setup.window
  local startProgram, showReadme, restartNow = window:getChild(ids.startProgram), window:getChild(ids.showReadme),
                                               window:getChild(ids.restartNow)
  startProgram:setText("&Start " .. plain(product.name) .. " now")

  -- What the undo of a cancel or a failure did: everything, or what waits
  -- for the restart (then offered) or could not be put back.
  local function undoLines(report)
    if report.undoComplete ~= false then return "Everything Setup had done was undone.", "" end
    local example = tostring(report.example or "a file")
    if (report.later or 0) > 0 then
      restartNow:setVisible(true)
      restartNow:setCheck(false)
      return "Not everything could be undone now: " .. example .. " is in use.",
             "It is put back when the computer restarts; until then no setup can run."
    end
    return "Not everything could be undone: " .. example .. " could not be put back.",
           report.kept and ("The earlier file is kept as " .. report.kept .. ".") or ""
  end

  -- Shows the page for the worker's last report; the exit code follows it.
  local function show(report)
    local heading, lines
    startProgram:setVisible(false)
    showReadme:setVisible(false)
    restartNow:setVisible(false)
    if report.installed then
      heading = product.name .. " is installed"
      lines = {
        (report.count or 0) .. " files (" .. installFolder.formatBytes(report.bytes or 0) .. ") installed in "
          .. setup.folder .. ".",
        (report.shortcuts or 0) > 0
          and (report.shortcuts .. " shortcuts made; " .. product.name .. " is in the list of installed programs.")
          or (product.name .. " is in the list of installed programs."),
        (report.skipped or 0) > 0 and (report.skipped .. " files were skipped.") or "",
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
    else
      heading = report.cancelled and "Setup was cancelled" or "Setup failed"
      lines = { report.cancelled and (product.name .. " was not installed.")
                  or (product.name .. " was not installed: " .. tostring(report.message or "an error occurred") .. "."),
                undoLines(report) }
    end
    setExitCode(exitCodeFor(report))
    window:getChild(ids.heading):setText(plain(heading))
    window:getChild(ids.line1):setText(plain(lines[1]))
    window:getChild(ids.line2):setText(plain(lines[2]))
    window:getChild(ids.line3):setText(plain(lines[3] or ""))
    setup.result = report
    setup.show("finish")
  end

  -- Starts the program or the readme as the signed-in user, never with the
  -- setup's administrator rights; false when that cannot be done (the
  -- reason goes to the debugger output, the page says it in short).
  local function startAsUser(path)
    local ok, why = shellExecuteAsUser(path, "", "open", SW.SHOWNORMAL)
    if not ok then print(product.name .. " Setup: " .. path .. " was not started: " .. tostring(why) .. "\n") end
    return ok
  end

  window:getChild(ids.finish):addHandler(event.Click, function()
    local report = setup.result
    if report and report.installed and restartNow:getVisible() and restartNow:getCheck() then
      window:endDialog(1)
      reboot()
      return
    end
    local notStarted = {}
    if startProgram:getVisible() and startProgram:getCheck() and report.program then
      releaseMutex()   -- the program may start another installer later
      if not startAsUser(report.program) then notStarted[#notStarted + 1] = product.name end
      startProgram:setCheck(false)
    end
    if showReadme:getVisible() and showReadme:getCheck() then
      if not startAsUser(setup.folder .. "\\" .. product.readme) then notStarted[#notStarted + 1] = "the readme" end
      showReadme:setCheck(false)
    end
    if #notStarted > 0 then   -- said on the page; the next Finish ends
      window:getChild(ids.line3):setText(plain(table.concat(notStarted, " and ") .. " could not be started for you: "
                                               .. "please start it from the start menu."))
      window:updateLayout()
      return
    end
    window:endDialog(1)
  end)

  return { panel = window:getChild(ids.page), show = show }
end

-- The window's own controls: its title, minimise, and close, which cancels a
-- running copy (asking first) and, before the finish page, asks to quit.
local function windowFrame(setup)
  local ids = { title = 4, minimise = 2, close = 3 }
  local window = setup.window
  window:getChild(ids.title):setText(plain(product.name .. " Setup"))
  window:getChild(ids.minimise):addHandler(event.Click, function() window:showWindow(SW.MINIMIZE) end)
  window:getChild(ids.close):addHandler(event.Click, function()
    if setup.working then
      setup.pages.progress.askCancel()
      return
    end
    if setup.current ~= "finish" then
      local answer = window:showMessageBox("Quit " .. product.name .. " Setup? " .. product.name
                                           .. " is not installed yet.", CAPTION.NOTICE, MB.YESNO + MB.ICONQUESTION)
      if answer ~= ID.YES then return end
      setExitCode(EXIT.CANCELLED)
    end
    window:endDialog(2)
  end)
end

-- `decision` is install_mode's for this run: its mode, or none yet (the
-- folder page asks, from `suggested`).
local function runWindow(options, decision, productMode, elevated)
  local window = createWindow("main.xml")
  window:setTitle(product.name .. " Setup")
  window:setIcon(2)
  window:updateLayout()
  window:centerScreen()

  local setup = { window = window, options = options, pages = {},
                  working = false, cancelRequested = false, asking = false,
                  productMode = productMode, elevated = elevated, mode = decision.mode,
                  modeFixed = decision.mode ~= nil, suggested = decision.suggested }
  -- Shows the page of that name and hides the others.
  function setup.show(name)
    setup.current = name
    for each, page in pairs(setup.pages) do page.panel:setVisible(each == name) end
    window:updateLayout()
    if setup.pages[name].onShow then setup.pages[name].onShow() end
  end

  windowFrame(setup)
  setup.pages.welcome = welcomePage(setup)
  setup.pages.licence = licencePage(setup)
  setup.pages.folder = folderPage(setup)
  setup.pages.progress = progressPage(setup)
  setup.pages.finish = finishPage(setup)

  -- The copy started with administrator rights for a choice made on the
  -- folder page opens there: the licence was accepted already.
  setup.show(options.relaunched and "folder" or "welcome")
  window:showDialog()
end

local options = shared.parseCommandLine(getCommandLine())
if options.silent then setSilent(true) end
if #options.unknown > 0 then
  refuseCommandLine(options)
  return
end

-- Whom the install is for, before anything is touched.
local elevated = isElevated()
local productMode, modeProblem = installMode.ofProduct(product.installMode)
local decision, why, code
if productMode then
  decision, why, code = installMode.decide(productMode, options, elevated)
else
  why, code = modeProblem, EXIT.FAILED
end
if not decision then
  refuseMode(options, why, code)
  return
end
print(product.name .. " Setup: " .. installMode.describe(productMode, decision, elevated) .. "\n")
-- A silent install for all users without administrator rights goes to the
-- copy with them at once; a window asks from its folder page, on Install.
if decision.elevate and options.silent then
  relaunchForAllUsers(options)
  return
end

for _, mode in ipairs(installMode.journalModes(decision, elevated)) do
  if not recoverStoppedSetup(options, installMode.places(mode)) then return end
end
if options.silent then
  runSilent(options, decision.mode)
else
  runWindow(options, decision, productMode, elevated)
end
