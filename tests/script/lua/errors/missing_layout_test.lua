-- A layout the package lacks: createWindow answers nothing and the author is
-- told which file, in the one error report, instead of an invisible window.
expectError('createWindow: layout "absent.xml" not found in the layout package')
local w = createWindow("absent.xml")
checkEqual(w, nil, "no window object")
checkEqual(#debug.getregistry().__window, 0, "no window registered")
