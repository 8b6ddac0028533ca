// Test helper: an executable with a payload resource (id 300, over the size
// read through file views) that reads it the way the installer does, so a
// test can change its file on disk while it runs.
//   pin_probe     prints "ready" and waits for a line on its input; then
//                 holds its own file (ModuleFile::pin) and prints how that
//                 went ("pin pinned", "pin other-file", "pin refused") and
//                 what the payload is read through ("source file-views" or
//                 "source loaded-image"), then "crc XXXXXXXX" of the payload
//                 as read; waits for another line and prints the CRC again.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "package/crc32.h"
#include "package/mapped_file_source.h"
#include "package/module_file.h"
#include "package/resource_file_system.h"

namespace {

void waitForLine() {
  char line[64];
  if (!std::fgets(line, sizeof line, stdin)) std::exit(3);
}

uint32_t crcOf(const kavri::PackageSource& source) {
  uint32_t crc = 0;
  const size_t piece = 64u << 10;
  for (uint64_t at = 0; at < source.size(); at += piece) {
    const size_t length = size_t(source.size() - at < piece ? source.size() - at : piece);
    kavri::PackageView view = source.view(at, length);
    if (!view) std::exit(4);
    crc = kavri::package::crc32Update(crc, view.data(), length);
  }
  return crc;
}

}  // namespace

int main() {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  std::printf("ready\n");
  waitForLine();
  const HMODULE module = ::GetModuleHandleW(nullptr);
  kavri::ModuleFile file;
  const kavri::ModuleFile::Pin pin = file.pin(module);
  std::printf("pin %s\n", pin == kavri::ModuleFile::Pin::Pinned      ? "pinned"
                          : pin == kavri::ModuleFile::Pin::OtherFile ? "other-file"
                                                                     : "refused");
  kavri::ResourceFileSystem files(module, &file);
  files.registerName(L"payload", 300);
  std::unique_ptr<kavri::PackageSource> source = files.openPackage(L"payload");
  if (!source) return 2;
  const bool views = dynamic_cast<kavri::MappedFileSource*>(source.get()) != nullptr;
  std::printf("source %s\n", views ? "file-views" : "loaded-image");
  std::printf("crc %08x\n", unsigned(crcOf(*source)));
  waitForLine();
  std::printf("crc %08x\n", unsigned(crcOf(*source)));
  return 0;
}
