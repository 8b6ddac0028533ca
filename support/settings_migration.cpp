// Settings migration: converts the installed application's old image, video
// and song lists ("settings\*settings.json") into its new list files.
//
// The order of work makes sure nothing is lost: the old lists are read and
// converted, the new files are written, and only then are the contents of
// the old "settings" folder deleted, keeping the new lists and every old list
// that was not carried over completely (unreadable, malformed, partly
// converted, or its new files could not be written). A run that finds none of
// the three old lists changes nothing, so the files of an earlier run stay.
#include "support/settings_migration.h"

#include <windows.h>
#include <shlobj.h>

#include <cmath>
#include <functional>
#include <vector>

#include "support/debug_log.h"
#include "support/folders.h"
#include "support/json.h"
#include "support/win32_handles.h"

namespace kavri {
namespace {

constexpr wchar_t kProductFolder[] = L"Pelvano\\";
constexpr wchar_t kUserFolder[] = L"User";   // the new application has run: nothing to migrate
constexpr wchar_t kSettingsFolder[] = L"settings\\";
// Old lists, in the settings folder.
constexpr wchar_t kOldImageList[] = L"imagelistsettings.json";
constexpr wchar_t kOldVideoList[] = L"videolistsettings.json";
constexpr wchar_t kOldSongList[] = L"songlistsettings.json";
// New lists: two in the settings folder, three in the base folder.
constexpr wchar_t kNewImageList[] = L"imagelist.json";
constexpr wchar_t kNewVideoList[] = L"videolist.json";
constexpr wchar_t kNativeSongs[] = L"nativesongs.json";
constexpr wchar_t kOnlineSongs[] = L"kavrisongs.json";
constexpr wchar_t kLocalSongs[] = L"localsongs.json";
constexpr char16_t kOnlineSongMark[] = u"12123131231231";

// What became of one old list.
enum class Outcome { Absent, Complete, Incomplete };

const wchar_t* outcomeName(Outcome outcome) {
  switch (outcome) {
    case Outcome::Absent: return L"absent";
    case Outcome::Complete: return L"migrated";
    case Outcome::Incomplete: return L"kept (not migrated completely)";
  }
  return L"";
}

DWORD attributesOf(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()); }

bool isFile(const std::wstring& path) {
  const DWORD attributes = attributesOf(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool sameFileName(const std::wstring& a, const wchar_t* b) {
  return ::CompareStringOrdinal(a.c_str(), -1, b, -1, TRUE) == CSTR_EQUAL;
}

// Deletes every entry of `folder` (ending in '\') that `keep` does not name,
// as removeDirectoryTree does: read-only attributes cleared, subfolders with
// their contents, failures ignored. The folder itself stays.
void clearFolderExcept(const std::wstring& folder, const std::function<bool(const std::wstring&)>& keep) {
  struct Entry {
    std::wstring name;
    DWORD attributes;
  };
  std::vector<Entry> doomed;   // collected first: the search is closed before anything is deleted
  {
    WIN32_FIND_DATAW data;
    const UniqueFind find(::FindFirstFileW((folder + L"*").c_str(), &data));
    if (!find) return;
    do {
      const std::wstring name = data.cFileName;
      if (name != L"." && name != L".." && !keep(name)) doomed.push_back({name, data.dwFileAttributes});
    } while (::FindNextFileW(find.get(), &data));
  }
  for (const Entry& entry : doomed) {
    const std::wstring path = folder + entry.name;
    if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) {
      removeDirectoryTree(path);
      continue;
    }
    if (entry.attributes & FILE_ATTRIBUTE_READONLY) {
      ::SetFileAttributesW(path.c_str(), entry.attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
    }
    ::DeleteFileW(path.c_str());
  }
}

// Ids and "song_id" values are compared after truncation toward zero;
// truncating the double itself keeps ids beyond the 32-bit range distinct.
double wholeNumber(const JObject& value) { return std::trunc(value.asNumber()); }

std::vector<double> readSequence(const JObject& list) {
  std::vector<double> ids;
  for (const JObject& id : list.member(u"sequence").elements()) ids.push_back(wholeNumber(id));
  return ids;
}

// The first item whose "id" equals `id`, reading the ids from the first item
// on; null when none does.
const JObject* findById(const JObject::Elements& items, double id) {
  for (const JObject& item : items) {
    if (wholeNumber(item.member(u"id")) == id) return &item;
  }
  return nullptr;
}

std::u16string lowerCaseAscii(std::u16string text) {
  for (char16_t& c : text) {
    if (c >= u'A' && c <= u'Z') c = char16_t(c - u'A' + u'a');
  }
  return text;
}

// Each converter appends to its lists as it goes and returns true when the
// whole old list was converted. Any exception (missing or malformed file,
// missing member, wrong type, or any other) ends it where it occurred; what
// was appended before stays.

bool convertImageList(const std::wstring& file, JObject& images) {
  try {
    const JObject old = JObject::parseFile(file);
    for (const JObject& item : old.elements()) images.append(item.member(u"path"));
    return true;
  } catch (...) {
    return false;
  }
}

bool convertVideoList(const std::wstring& file, JObject& videos) {
  try {
    const JObject old = JObject::parseFile(file);
    const std::vector<double> sequence = readSequence(old);
    const JObject listed = old.member(u"videos");
    for (const double id : sequence) {
      const JObject* video = findById(listed.elements(), id);
      if (!video) continue;   // a listed id without a video adds nothing
      JObject entry(JType::Object);
      entry.setMember(u"id", video->member(u"id"));
      entry.setMember(u"file", video->member(u"path"));
      entry.setMember(u"duration", video->member(u"total_second"));
      videos.append(entry);
    }
    return true;
  } catch (...) {
    return false;
  }
}

struct SongLists {
  JObject native{JType::Array};   // the play order: song ids or files
  JObject online{JType::Array};   // songs with a "song_id"
  JObject local{JType::Array};    // songs without one
};

bool convertSongList(const std::wstring& file, SongLists& lists) {
  try {
    const JObject old = JObject::parseFile(file);
    const std::vector<double> sequence = readSequence(old);
    const JObject listed = old.member(u"songs");
    const JObject::Elements& songs = listed.elements();

    for (const double id : sequence) {
      const JObject* song = findById(songs, id);
      if (!song) continue;
      JObject entry(JType::Object);
      const JObject songId = song->member(u"song_id");
      if (wholeNumber(songId) != 0) {
        entry.setMember(u"id", songId);
      } else {
        entry.setMember(u"file", JObject::makeString(lowerCaseAscii(song->member(u"song_path").asString())));
      }
      lists.native.append(entry);
    }

    for (const JObject& song : songs) {
      // "song_path" must be a string. The file it names is left where it is:
      // the new native-song list may still refer to it.
      static_cast<void>(song.member(u"song_path").asString());
      JObject entry(JType::Object);
      entry.setMember(u"file", JObject::makeString(u""));
      entry.setMember(u"name", song.member(u"title"));
      entry.setMember(u"tone", JObject::makeNumber(0));
      entry.setMember(u"sing", song.member(u"singer"));
      entry.setMember(u"time", song.member(u"total_second"));
      entry.setMember(u"lrcid", song.member(u"lyric_id"));
      entry.setMember(u"lrcurl", song.member(u"lyric_url"));
      const JObject songId = song.member(u"song_id");
      if (wholeNumber(songId) != 0) {
        entry.setMember(u"id", songId);
        entry.setMember(u"type", JObject::makeNumber(1));
        entry.setMember(u"mark", JObject::makeString(kOnlineSongMark));
        entry.setMember(u"songurl", JObject::makeString(u""));
        entry.setMember(u"accompany", JObject::makeNumber(1));
        lists.online.append(entry);
      } else {
        lists.local.append(entry);
      }
    }
    return true;
  } catch (...) {
    return false;
  }
}

Outcome outcomeOf(bool converted) { return converted ? Outcome::Complete : Outcome::Incomplete; }

void runMigration(const std::wstring& appDataFolder) {
  std::wstring base = appDataFolder;
  if (!base.empty() && base.back() != L'\\' && base.back() != L'/') base += L'\\';
  base += kProductFolder;
  if (isFolder(base + kUserFolder)) {
    debugLog(L"settings migration: \"User\" exists, nothing to do");
    return;
  }

  const std::wstring settings = base + kSettingsFolder;
  const bool haveImages = isFile(settings + kOldImageList);
  const bool haveVideos = isFile(settings + kOldVideoList);
  const bool haveSongs = isFile(settings + kOldSongList);
  if (!haveImages && !haveVideos && !haveSongs) {
    // Nothing to convert; new lists of an earlier run stay untouched.
    debugLog(L"settings migration: no old lists found");
    return;
  }

  JObject images(JType::Array);
  JObject videos(JType::Array);
  SongLists songs;
  Outcome imageOutcome = haveImages ? outcomeOf(convertImageList(settings + kOldImageList, images)) : Outcome::Absent;
  Outcome videoOutcome = haveVideos ? outcomeOf(convertVideoList(settings + kOldVideoList, videos)) : Outcome::Absent;
  Outcome songOutcome = haveSongs ? outcomeOf(convertSongList(settings + kOldSongList, songs)) : Outcome::Absent;

  // The new files first. An empty list writes no file, so it never replaces
  // or removes a list that an earlier run wrote.
  createDirectoryTree(settings);
  if (!images.saveArrayToFile(settings + kNewImageList)) imageOutcome = Outcome::Incomplete;
  if (!videos.saveArrayToFile(settings + kNewVideoList)) videoOutcome = Outcome::Incomplete;
  const bool nativeSaved = songs.native.saveArrayToFile(base + kNativeSongs);
  const bool onlineSaved = songs.online.saveArrayToFile(base + kOnlineSongs);
  const bool localSaved = songs.local.saveArrayToFile(base + kLocalSongs);
  if (!nativeSaved || !onlineSaved || !localSaved) songOutcome = Outcome::Incomplete;

  // Then the old settings folder is cleared of everything else.
  clearFolderExcept(settings, [&](const std::wstring& name) {
    return sameFileName(name, kNewImageList) || sameFileName(name, kNewVideoList) ||
           (imageOutcome == Outcome::Incomplete && sameFileName(name, kOldImageList)) ||
           (videoOutcome == Outcome::Incomplete && sameFileName(name, kOldVideoList)) ||
           (songOutcome == Outcome::Incomplete && sameFileName(name, kOldSongList));
  });

  debugLogf(L"settings migration: images %ls (%u), videos %ls (%u), songs %ls (%u native, %u online, %u local)",
            outcomeName(imageOutcome), unsigned(images.elements().size()), outcomeName(videoOutcome),
            unsigned(videos.elements().size()), outcomeName(songOutcome),
            unsigned(songs.native.elements().size()), unsigned(songs.online.elements().size()),
            unsigned(songs.local.elements().size()));
}

}  // namespace

void migrateApplicationSettings() noexcept {
  wchar_t folder[MAX_PATH] = {};
  if (!::SHGetSpecialFolderPathW(nullptr, folder, CSIDL_APPDATA, FALSE)) {
    ::OutputDebugStringW(L"settings migration: no application-data folder\n");
    return;
  }
  migrateApplicationSettings(folder);
}

void migrateApplicationSettings(const std::wstring& appDataFolder) noexcept {
  try {
    runMigration(appDataFolder);
  } catch (...) {
    ::OutputDebugStringW(L"settings migration: stopped by an unexpected error\n");
  }
}

}  // namespace kavri
