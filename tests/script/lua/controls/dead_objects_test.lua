-- Objects whose control has died: no results, getName "nil", registry cleaned.
local w = createWindow("main.xml")
local root = w:getRoot()
local child = test.newChild(root, "Control")
child:setText("before")
child:addHandler(30, function() end)
test.destroy(child)

local silent = { "getText", "getEnabled", "getVisible", "getParent", "getWindow", "readFlag", "setColor" }
for _, name in ipairs(silent) do
  checkEqual(select("#", child[name](child, 1)), 0, name .. " on a dead object returns nothing")
end
checkEqual(child:getName(), "nil", "getName on a dead object is the text nil")
child:setText("after")   -- no effect, no error
local controls = debug.getregistry().__control
checkEqual(controls[1][child], nil, "the dead object left the object map")

-- Calls that are not on a control object at all.
checkEqual(child.getName(5), "nil", "getName on a number")
checkEqual(select("#", child.getText({})), 0, "getText on a foreign table")

-- Destroying the window kills the objects of its tree.
local kept = test.newChild(root, "Panel")
test.destroy(w)
checkEqual(root:getName(), "nil", "the root's object is dead with its window")
checkEqual(kept:getName(), "nil", "a child's object is dead with its window")
checkEqual(next(debug.getregistry().__control[2]), nil, "no control handles remain")
