// Links for tests of code that must never follow one: a junction where the
// system makes them (Windows), a Unix symbolic link under Wine, whose own
// link calls make nothing a test could see.
#pragma once

#include <string>

namespace kavri::test {

// A link made for a test and removed (itself, never what it leads to) when
// the object goes.
class TestLink {
 public:
  enum Kind { Folder, File };
  // Makes `link` lead to `target`. A folder link is a junction on Windows; a
  // file link (whose target need not exist) is made only under Wine.
  TestLink(std::wstring link, const std::wstring& target, Kind kind);
  ~TestLink();
  TestLink(const TestLink&) = delete;
  TestLink& operator=(const TestLink&) = delete;
  // False when no such link can be made here (the test should skip its cases).
  bool made() const { return made_; }

 private:
  std::wstring link_;
  bool made_ = false;
  bool junction_ = false;
};

}  // namespace kavri::test
