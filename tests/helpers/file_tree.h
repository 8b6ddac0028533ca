// Folder trees for file-based tests under Wine: scratch folders, fixture
// trees copied in, and snapshots of a tree's folders and file contents.
#pragma once

#include <map>
#include <string>

namespace kavri::test {

// Relative path ('\' separated) -> file bytes; folders appear as "name\"
// with an empty content, so empty folders are compared too.
using FileTree = std::map<std::wstring, std::string>;

FileTree readTree(const std::wstring& root);
// Creates the folders and files of `tree` below `root` (which is created).
void writeTree(const std::wstring& root, const FileTree& tree);

// The bytes of a file, or "<unreadable>" (so a comparison shows what went wrong).
std::string readFileBytes(const std::wstring& path);
// The same for a path in UTF-8.
std::string readFileBytes(const std::string& utf8Path);
bool writeFileBytes(const std::wstring& path, const std::string& bytes);

// A fresh, empty folder on the test prefix's system drive, deleted afterwards.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::wstring& name);
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::wstring& path() const { return path_; }
  std::wstring operator/(const std::wstring& relative) const { return path_ + L"\\" + relative; }

 private:
  std::wstring path_;
};

}  // namespace kavri::test
