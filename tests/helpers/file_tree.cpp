// Folder-tree helpers for file-based tests.
#include "tests/helpers/file_tree.h"

#include <windows.h>

#include "support/folders.h"
#include "support/text_convert.h"
#include "support/win32_handles.h"
#include "tests/helpers/win_test_util.h"

namespace kavri::test {
namespace {

void readInto(const std::wstring& root, const std::wstring& relative, FileTree& tree) {
  WIN32_FIND_DATAW data;
  const UniqueFind find(::FindFirstFileW((root + L"\\" + relative + L"*").c_str(), &data));
  if (!find) return;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      tree[relative + name + L"\\"] = "";
      readInto(root, relative + name + L"\\", tree);
    } else {
      tree[relative + name] = readFileBytes(root + L"\\" + relative + name);
    }
  } while (::FindNextFileW(find.get(), &data));
}

}  // namespace

FileTree readTree(const std::wstring& root) {
  FileTree tree;
  readInto(root, L"", tree);
  return tree;
}

void writeTree(const std::wstring& root, const FileTree& tree) {
  createDirectoryTree(root);
  for (const auto& [relative, bytes] : tree) {
    if (!relative.empty() && relative.back() == L'\\') {
      createDirectoryTree(root + L"\\" + relative);
    } else {
      const size_t slash = relative.rfind(L'\\');
      if (slash != std::wstring::npos) createDirectoryTree(root + L"\\" + relative.substr(0, slash));
      writeFileBytes(root + L"\\" + relative, bytes);
    }
  }
}

std::string readFileBytes(const std::wstring& path) {
  const UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return "<unreadable>";
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  return bytes;
}

std::string readFileBytes(const std::string& utf8Path) { return readFileBytes(utf8ToWide(utf8Path)); }

bool writeFileBytes(const std::wstring& path, const std::string& bytes) {
  const UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return ::WriteFile(file.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

namespace {

// The scratch folders' parent: on the system drive of the test's own prefix,
// so the folders above a scratch folder are the drive's root alone. Below the
// build folder they would be whatever holds the checkout (a clone in /tmp,
// which everyone may write), and the tests of the folder checks would see
// that instead of what they set up.
std::wstring scratchRoot() {
  wchar_t drive[MAX_PATH] = {};
  const DWORD length = ::GetEnvironmentVariableW(L"SystemDrive", drive, MAX_PATH);
  const std::wstring root = (length > 0 && length < MAX_PATH) ? std::wstring(drive, length) : L"C:";
  return root + L"\\kavri-test-scratch";
}

}  // namespace

ScratchFolder::ScratchFolder(const std::wstring& name) : path_(scratchRoot() + L"\\" + name) {
  removeDirectoryTree(path_);
  createDirectoryTree(path_);
}

ScratchFolder::~ScratchFolder() { removeDirectoryTree(path_); }

}  // namespace kavri::test
