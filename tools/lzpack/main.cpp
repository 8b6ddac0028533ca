// lzpack: builds, lists and extracts ".lz" packages.
//
//   lzpack create OUT.lz DIR    every file under DIR, named by its relative path
//   lzpack list PKG             name, stored size and unpacked size per entry
//   lzpack extract PKG DIR      every entry into DIR
//
// Exit code 0 on success, 1 on any error (with a message on stderr).
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

#include "package/package_archive.h"
#include "package_builder.h"
#include "tools/whole_file.h"

namespace fs = std::filesystem;
using kavri::PackageArchive;
using namespace kavri::package;
using kavri::tools::readWholeFile;
using kavri::tools::writeWholeFile;

namespace {

std::string display(const fs::path& p) { return p.u8string(); }

std::string display(const std::u16string& name) { return fs::path(name).u8string(); }

int fail(const std::string& message) {
  std::cerr << "lzpack: " << message << "\n";
  return 1;
}

int create(const fs::path& output, const fs::path& root) {
  std::error_code ec;
  if (!fs::is_directory(root, ec)) return fail("not a folder: " + display(root));
  std::vector<PackageEntry> entries;
  std::vector<fs::path> files;
  for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_regular_file(ec)) files.push_back(it->path());
  }
  if (ec) return fail("cannot read folder " + display(root) + ": " + ec.message());
  for (const fs::path& file : files) {
    PackageEntry entry;
    entry.name = file.lexically_relative(root).generic_u16string();
    if (!readWholeFile(file, entry.data)) return fail("cannot read " + display(file));
    entries.push_back(std::move(entry));
  }

  BuildOptions options;
  uint64_t total = 0;
  for (const PackageEntry& e : entries) total += e.data.size();
  const bool showProgress = isatty(fileno(stderr)) && total > (8u << 20);
  if (showProgress) {
    options.progress = [](size_t done, size_t count, uint64_t bytes, uint64_t allBytes) {
      std::fprintf(stderr, "\rlzpack: %zu/%zu files, %llu/%llu MB", done, count,
                   (unsigned long long)(bytes >> 20), (unsigned long long)(allBytes >> 20));
      std::fflush(stderr);
    };
  }
  std::vector<uint8_t> image;
  std::string error;
  const bool built = buildPackage(std::move(entries), options, image, error);
  if (showProgress) std::fprintf(stderr, "\n");
  if (!built) return fail(error);
  if (!writeWholeFile(output, image.data(), image.size()))
    return fail("cannot write " + display(output));
  return 0;
}

bool loadPackage(const fs::path& path, std::vector<uint8_t>& image, std::string& error) {
  if (!readWholeFile(path, image)) {
    error = "cannot read " + display(path);
    return false;
  }
  PackageArchive probe(image.data(), image.size());
  if (probe.entryCount() == 0 && image.size() != 8) {
    // An empty package is exactly a terminator and the offset word.
    error = "damaged or empty package: " + display(path);
    return false;
  }
  return true;
}

int list(const fs::path& path) {
  std::vector<uint8_t> image;
  std::string error;
  if (!loadPackage(path, image, error)) return fail(error);
  PackageArchive archive(image.data(), image.size());
  archive.forEachEntry([](const std::u16string& name, const PackageArchive::EntryInfo& info) {
    const uint32_t unpacked = info.unpackedSize ? info.unpackedSize : info.storedSize;
    std::printf("%s\t%u\t%u\n", display(name).c_str(), info.storedSize, unpacked);
  });
  return 0;
}

// An entry name is extracted only as a plain relative path below the target.
bool safeRelative(const fs::path& rel) {
  if (rel.empty() || rel.is_absolute() || rel.has_root_name() || rel.has_root_directory()) return false;
  for (const fs::path& part : rel)
    if (part == ".." || part == ".") return false;
  return true;
}

int extract(const fs::path& path, const fs::path& root) {
  std::vector<uint8_t> image;
  std::string error;
  if (!loadPackage(path, image, error)) return fail(error);
  PackageArchive archive(image.data(), image.size());
  int status = 0;
  archive.forEachEntry([&](const std::u16string& name, const PackageArchive::EntryInfo&) {
    if (status) return;
    const fs::path rel = fs::path(name).lexically_normal();
    if (!safeRelative(rel)) {
      status = fail("refusing entry outside the target folder: " + display(name));
      return;
    }
    size_t size = 0;
    bool intact = false;   // decoded to its size, with its CRC-32 when the record has one
    kavri::HeapBuffer data = archive.extract(name, &size, &intact);
    if (!data || !intact) {
      status = fail("damaged entry: " + display(name));
      return;
    }
    const fs::path target = root / rel;
    std::error_code ec;
    fs::create_directories(target.parent_path(), ec);
    if (!writeWholeFile(target, data.get(), size)) status = fail("cannot write " + display(target));
  });
  return status;
}

int usage() {
  std::cerr << "lzpack: usage: lzpack create OUT.lz DIR | lzpack list PKG | lzpack extract PKG DIR\n";
  return 1;
}

int run(const std::vector<fs::path>& args) {
  if (args.size() == 3 && args[0] == "create") return create(args[1], args[2]);
  if (args.size() == 2 && args[0] == "list") return list(args[1]);
  if (args.size() == 3 && args[0] == "extract") return extract(args[1], args[2]);
  return usage();
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
#else
int main(int argc, char** argv) {
#endif
  std::vector<fs::path> args(argv + 1, argv + argc);
  try {
    return run(args);
  } catch (const std::exception& e) {
    return fail(e.what());
  }
}
