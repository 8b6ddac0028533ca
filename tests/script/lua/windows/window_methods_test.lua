-- Window methods outside a modal run: the tree, layout, position, centring,
-- title, cursor, and what tables that are not windows get.
local function trunc(v) if v < 0 then return math.ceil(v) end return math.floor(v) end

local w = createWindow("main.xml")
check(type(w) == "table", "createWindow gives a table")
local root = w:getRoot()
check(root ~= nil, "getRoot gives the root's object")
checkEqual(w:getRoot(), root, "getRoot twice gives the same table")
checkEqual(root:getWindow(), w, "the root's getWindow gives the window object")

-- getChild by id; unknown ids and destroyed controls give nil.
test.addChild(root, "Control", 7)
local seven = w:getChild(7)
check(seven ~= nil, "getChild finds id 7")
checkEqual(w:getChild(7), seven, "getChild twice gives the same table")
checkEqual(w:getChild(8), nil, "getChild of an unknown id is nil")
test.destroy(seven)
checkEqual(w:getChild(7), nil, "getChild never reaches a destroyed control")

-- updateLayout: the root's desired size becomes the window size.
test.setInt(root, "width", 501)
test.setInt(root, "height", 401)
w:updateLayout()
local l, t, r, b = test.windowRect(w)
checkEqual(r - l, 501, "updateLayout width")
checkEqual(b - t, 401, "updateLayout height")

w:setPosition(37, 45)
local x, y = w:getPosition()
checkEqual(x, 37, "setPosition/getPosition x")
checkEqual(y, 45, "setPosition/getPosition y")

-- centerScreen: x = (screen - width) / 2, y = (screen - height - 100) / 2,
-- truncating toward zero (also for a window larger than the screen).
local sw, sh = test.screenSize()
local sizes = { { 501, 401 }, { 500, 400 }, { sw + 3, sh + 1 } }
for _, size in ipairs(sizes) do
  test.setInt(root, "width", size[1])
  test.setInt(root, "height", size[2])
  w:updateLayout()
  w:centerScreen()
  local cx, cy = w:getPosition()
  local what = "centerScreen " .. size[1] .. "x" .. size[2]
  checkEqual(cx, trunc((sw - size[1]) / 2), what .. " x")
  checkEqual(cy, trunc((sh - size[2] - 100) / 2), what .. " y")
end

w:setTitle("安装向导")
checkEqual(test.title(w), "安装向导", "setTitle sets the window text")

-- setCursor never looks at its object.
local notAWindow = { setCursor = w.setCursor }
notAWindow:setCursor(32514)   -- IDC_WAIT
checkEqual(test.cursor(), test.systemCursor(32514), "setCursor on a table that is not a window")
w:setCursor(32512)            -- IDC_ARROW
checkEqual(test.cursor(), test.systemCursor(32512), "setCursor on the window")

-- Methods on a table that never came from createWindow: no results.
local methods = { "getRoot", "getChild", "getPosition", "showDialog", "showMessageBox", "setTimer",
                  "browseForFolder" }
for _, name in ipairs(methods) do
  checkEqual(select("#", w[name]({})), 0, name .. " on a foreign table returns nothing")
end

w:showWindow(5)   -- SW_SHOW
check(test.isVisible(w), "showWindow shows")
w:showWindow(0)
check(not test.isVisible(w), "showWindow hides")

test.destroy(w)
checkEqual(select("#", w:getPosition()), 0, "a destroyed window's object returns nothing")
checkEqual(#debug.getregistry().__window, 0, "the destroyed window left __window")
