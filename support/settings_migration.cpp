// Settings migration: converts the installed application's old image, video
// and song lists ("settings\*settings.json") into its new list files.
//
// The order of work makes sure nothing is lost: the old lists are read and
// converted, the new files are written, and only then are the contents of
// the old "settings" folder deleted, keeping the new lists and every old list
// that was not carried over completely. A run that finds none of the three old
// lists changes nothing, so the files of an earlier run stay.
//
// Each old list is converted once. A list that was read but not carried over
// completely (malformed, partly converted, videos left out of its play order,
// or a new file of the same name the application has written already) is kept
// as "<name>.kept", out of the next run's way; only a list whose new files
// could not be written stays under its old name, to be tried again. A new
// file that exists already is never overwritten: the application may have
// changed it since. The migration runs elevated inside the user's folder, so
// every write goes through a new temporary file renamed by its handle and every
// deletion through a handle that does not follow links.
#include "support/settings_migration.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "support/debug_log.h"
#include "support/file_replace.h"
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

constexpr wchar_t kKeptSuffix[] = L".kept";

// What became of one old list.
enum class Outcome { Absent, Complete, Incomplete, Unwritten };

const wchar_t* outcomeName(Outcome outcome) {
  switch (outcome) {
    case Outcome::Absent: return L"absent";
    case Outcome::Complete: return L"migrated";
    case Outcome::Incomplete: return L"kept aside (not migrated completely)";
    case Outcome::Unwritten: return L"kept (new files not written)";
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
  for (const Entry& entry : doomed) removeEntryNoFollow(folder + entry.name);
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
    std::vector<const JObject*> carried;
    for (const double id : sequence) {
      const JObject* video = findById(listed.elements(), id);
      if (!video) continue;   // a listed id without a video adds nothing
      JObject entry(JType::Object);
      entry.setMember(u"id", video->member(u"id"));
      entry.setMember(u"file", video->member(u"path"));
      entry.setMember(u"duration", video->member(u"total_second"));
      videos.append(entry);
      carried.push_back(video);
    }
    // A video outside the play order is not carried over: the old list must
    // stay for it.
    for (const JObject& video : listed.elements())
      if (std::find(carried.begin(), carried.end(), &video) == carried.end()) return false;
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

// Saves a new list unless the file exists already (the application wrote it,
// perhaps changed since): an existing file is never overwritten. An empty list
// writes nothing.
enum class Saved { Written, Existing, Failed };
Saved saveNewList(const JObject& list, const std::wstring& path) {
  if (list.elements().empty()) return Saved::Written;
  if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES && isFile(path)) return Saved::Existing;
  const std::string text = list.toText();
  if (writeFileThroughTemporary(path, text.data(), text.size(), false)) return Saved::Written;
  return isFile(path) ? Saved::Existing : Saved::Failed;
}

// Worst of the outcomes of one list's new files.
void account(Outcome& outcome, Saved saved) {
  if (outcome == Outcome::Absent) return;
  if (saved == Saved::Failed) outcome = Outcome::Unwritten;
  else if (saved == Saved::Existing && outcome == Outcome::Complete) outcome = Outcome::Incomplete;
}

// Moves an old list that will not be converted again out of the way, keeping
// its content, through a handle that does not follow links.
void keepAside(const std::wstring& path) {
  UniqueFile file(::CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file) return;
  const std::wstring target = path + kKeptSuffix;
  std::vector<uint8_t> buffer(sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t));
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  info->ReplaceIfExists = TRUE;
  info->RootDirectory = nullptr;
  info->FileNameLength = DWORD(target.size() * sizeof(wchar_t));
  std::copy(target.begin(), target.end(), info->FileName);
  ::SetFileInformationByHandle(file.get(), FileRenameInfo, info, DWORD(buffer.size()));
}

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
  account(imageOutcome, saveNewList(images, settings + kNewImageList));
  account(videoOutcome, saveNewList(videos, settings + kNewVideoList));
  account(songOutcome, saveNewList(songs.native, base + kNativeSongs));
  account(songOutcome, saveNewList(songs.online, base + kOnlineSongs));
  account(songOutcome, saveNewList(songs.local, base + kLocalSongs));

  // Lists not carried over completely are kept aside, converted once.
  if (imageOutcome == Outcome::Incomplete) keepAside(settings + kOldImageList);
  if (videoOutcome == Outcome::Incomplete) keepAside(settings + kOldVideoList);
  if (songOutcome == Outcome::Incomplete) keepAside(settings + kOldSongList);

  // Then the old settings folder is cleared of everything else.
  auto keptName = [](const std::wstring& name, const wchar_t* list) {
    return sameFileName(name, (std::wstring(list) + kKeptSuffix).c_str());
  };
  clearFolderExcept(settings, [&](const std::wstring& name) {
    return sameFileName(name, kNewImageList) || sameFileName(name, kNewVideoList) ||
           keptName(name, kOldImageList) || keptName(name, kOldVideoList) || keptName(name, kOldSongList) ||
           (imageOutcome != Outcome::Complete && sameFileName(name, kOldImageList)) ||
           (videoOutcome != Outcome::Complete && sameFileName(name, kOldVideoList)) ||
           (songOutcome != Outcome::Complete && sameFileName(name, kOldSongList));
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
