// Which addresses the embedded browser loads: the scheme check on its own
// (built natively as well).
#include <gtest/gtest.h>

#include <string>

#include "dui/controls/browser_address.h"

using dui::isNavigableAddress;

namespace {

TEST(BrowserAddress, OnlyWebAboutAndFileSchemes) {
  struct Case {
    const wchar_t* address;
    bool navigable;
  };
  const Case cases[] = {
      {L"https://example.test/", true},
      {L"http://example.test/a?b=c", true},
      {L"HTTPS://EXAMPLE.TEST/", true},
      {L"about:blank", true},
      {L"file:///C:/setup/readme.html", true},
      {L"http:", true},
      {L"javascript:alert(1)", false},
      {L"JavaScript:alert(1)", false},
      {L" javascript:alert(1)", false},
      {L" http://example.test/", false},
      {L"java\tscript:alert(1)", false},
      {L"java\nscript:alert(1)", false},
      {L"vbscript:msgbox(1)", false},
      {L"data:text/html,<b>x</b>", false},
      {L"ftp://example.test/", false},
      {L"res://ieframe.dll/", false},
      {L"https", false},
      {L"://example.test", false},
      {L"C:\\setup\\readme.html", false},
      {L"", false},
      {L"httpsx://example.test", false},
  };
  for (const Case& c : cases) EXPECT_EQ(isNavigableAddress(c.address), c.navigable) << "case " << (&c - cases);
  EXPECT_FALSE(isNavigableAddress(std::wstring(L"http\0://x", 9)));
}

}  // namespace
