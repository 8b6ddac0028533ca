// System API, packaged payloads: listEntries, the entries of a package with
// their unpacked sizes, so scripts never keep a payload's file list by hand.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "package/file_system.h"
#include "package/package_archive.h"
#include "script/lua_convert.h"
#include "script/system_api.h"
#include "script/system_api_modules.h"

namespace kavri {
namespace {

// The smallest package: the directory's terminating zero word and the
// directory offset. Anything larger holds at least one record.
constexpr size_t kEmptyPackageBytes = 8;

struct ListedEntry {
  std::u16string name;
  uint32_t dataOffset;
  uint32_t unpackedSize;
};

// The entries of `archive` (over an image of `imageSize` bytes) in package
// order, or false with `error` set when the package is damaged: a directory
// the reader had to give up on, or an entry whose data lie outside the image.
bool collectEntries(const PackageArchive& archive, size_t imageSize, std::vector<ListedEntry>& entries,
                    std::string& error) {
  if (archive.entryCount() == 0 && imageSize != kEmptyPackageBytes) {
    error = "the package is damaged (no readable directory)";
    return false;
  }
  bool inside = true;
  archive.forEachEntry([&](const std::u16string& name, const PackageArchive::EntryInfo& info) {
    if (info.dataOffset > imageSize || info.storedSize > imageSize - info.dataOffset) inside = false;
    // A stored entry records 0 as its unpacked size; its size is what is stored.
    entries.push_back({name, info.dataOffset, info.unpackedSize ? info.unpackedSize : info.storedSize});
  });
  if (!inside) {
    error = "the package is damaged (an entry lies outside it)";
    return false;
  }
  // The index is sorted by name; the data area keeps the order the package
  // was built in.
  std::stable_sort(entries.begin(), entries.end(),
                   [](const ListedEntry& a, const ListedEntry& b) { return a.dataOffset < b.dataOffset; });
  return true;
}

int pushEntries(lua_State* L, const PackageArchive& archive, size_t imageSize) {
  std::vector<ListedEntry> entries;
  std::string error;
  if (!collectEntries(archive, imageSize, entries, error)) {
    lua_pushnil(L);
    lua_pushlstring(L, error.data(), error.size());
    return 2;
  }
  lua_createtable(L, int(entries.size()), 0);
  int index = 0;
  for (const ListedEntry& entry : entries) {
    lua_createtable(L, 0, 2);
    pushWide(L, std::wstring(entry.name.begin(), entry.name.end()));
    lua_setfield(L, -2, "name");
    lua_pushnumber(L, lua_Number(entry.unpackedSize));
    lua_setfield(L, -2, "size");
    lua_rawseti(L, -2, ++index);
  }
  return 1;
}

int pushFailure(lua_State* L, const std::string& message) {
  lua_pushnil(L);
  lua_pushlstring(L, message.data(), message.size());
  return 2;
}

// listEntries([package]) -> { { name =, size = }, ... } in package order, or
// nil and a message. With a name, that packaged file is read; without one,
// the package bound as upvalue 1 (the worker's, when set) is listed.
int listEntries(lua_State* L) {
  const std::wstring name = argText(L, 1);
  if (name.empty()) {
    const auto* bound = static_cast<const WorkerPackage*>(lua_touserdata(L, lua_upvalueindex(1)));
    if (!bound || !bound->archive) return pushFailure(L, "listEntries: no package named");
    return pushEntries(L, *bound->archive, bound->imageSize);
  }
  FileSystem* fs = currentFileSystem();
  // Only the directory is read; the package is never loaded whole.
  std::unique_ptr<PackageSource> source = fs ? fs->openPackage(name) : nullptr;
  if (!source) return pushFailure(L, "listEntries: cannot load package " + wideToUtf8(name));
  const PackageArchive archive(*source);
  return pushEntries(L, archive, size_t(source->size()));
}

}  // namespace

void bindWorkerPackage(lua_State* L, const WorkerPackage* package) {
  lua_pushlightuserdata(L, const_cast<WorkerPackage*>(package));
  lua_pushcclosure(L, guardedCall<listEntries>, 1);
  lua_setglobal(L, "listEntries");
}

void registerPackageApi(lua_State* L) { bindWorkerPackage(L, nullptr); }

}  // namespace kavri
