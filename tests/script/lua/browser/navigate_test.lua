-- navigate on a WebBrowser made by the markup: allowed schemes go to the
-- browser, everything else is refused with false, and other controls that
-- report "Control" answer false.
local w = createWindow("main.xml")
local browser = w:getChild(3)
local label = w:getChild(4)

checkEqual(browser:getName(), "Control", "a browser reports the type name Control")
checkEqual(type(browser.navigate), "function", "a browser object has navigate")

local refused = {
  "javascript:alert(1)",
  "JavaScript:alert(1)",
  " javascript:alert(1)",
  "java\tscript:alert(1)",
  "vbscript:msgbox(1)",
  "data:text/html,<b>hi</b>",
  "ftp://example.test/file",
  "about",
  "",
}
for _, address in ipairs(refused) do
  checkEqual(browser:navigate(address), false, "refused: " .. address)
end
checkEqual(browser:navigate(), false, "no address")
checkEqual(browser:navigate(80), false, "a number is no address")
checkEqual(browser:navigate({}), false, "a table is no address")

checkEqual(browser:navigate("about:blank"), true, "about:blank is loaded")
checkEqual(browser:navigate("FILE:///C:/windows/win.ini"), true, "a file address in capitals is loaded")

checkEqual(label:navigate("about:blank"), false, "a label is no browser")

test.destroy(w)
