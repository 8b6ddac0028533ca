-- A layout that does not parse: createWindow answers nothing and the report
-- names the file and the parser's complaint.
expectError('broken.xml')
local w = createWindow("broken.xml")
checkEqual(w, nil, "no window object")
local good = createWindow("main.xml")
check(good ~= nil, "a good layout still makes a window")
test.destroy(good)
