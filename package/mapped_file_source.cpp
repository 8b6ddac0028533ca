// File-mapping views over a package stored inside a file, and finding where a
// resource of a loaded module lies in the module's file.
#include "mapped_file_source.h"

#include <algorithm>

#include "support/win32_handles.h"

namespace kavri {
namespace {

// The release of a view handed out on its own: the view owns its mapping.
void unmapView(void* base) { UniqueMapView released(base); }

}  // namespace

// One mapped window; unmapped when the last view of it and the cache let go.
struct MappedFileSource::Window {
  uint64_t start = 0;   // package offset of the window
  uint64_t length = 0;
  const uint8_t* data = nullptr;   // package byte `start`
  UniqueMapView base;              // unmapped when the window goes
};

namespace {

using WindowRef = std::shared_ptr<void>;

void releaseWindowRef(void* holder) { delete static_cast<WindowRef*>(holder); }

}  // namespace

std::unique_ptr<MappedFileSource> MappedFileSource::open(HANDLE file, uint64_t offset, uint64_t size,
                                                         const void* loaded) {
  LARGE_INTEGER fileSize{};
  if (!::GetFileSizeEx(file, &fileSize) || uint64_t(fileSize.QuadPart) < offset ||
      uint64_t(fileSize.QuadPart) - offset < size || size == 0)
    return nullptr;
  UniqueHandle mapping(::CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr));
  if (!mapping) return nullptr;
  SYSTEM_INFO info{};
  ::GetSystemInfo(&info);
  return std::unique_ptr<MappedFileSource>(new MappedFileSource(mapping.release(), offset, size,
                                                                info.dwAllocationGranularity,
                                                                static_cast<const uint8_t*>(loaded)));
}

MappedFileSource::~MappedFileSource() {
  windows_[0].reset();   // views before the mapping they belong to
  windows_[1].reset();
}

const uint8_t* MappedFileSource::map(uint64_t start, uint64_t length, UniqueMapView& base) const {
  const uint64_t fileStart = offset_ + start;
  const uint64_t aligned = fileStart - fileStart % granularity_;   // views begin on the allocation granularity
  const uint64_t span = fileStart - aligned + length;
  if (span > SIZE_MAX) return nullptr;
  base.reset(::MapViewOfFile(mapping_.get(), FILE_MAP_READ, DWORD(aligned >> 32), DWORD(aligned & 0xFFFFFFFFu),
                             span ? SIZE_T(span) : 1));
  return base ? static_cast<const uint8_t*>(base.get()) + (fileStart - aligned) : nullptr;
}

PackageView MappedFileSource::view(uint64_t offset, size_t length) const {
  if (offset > size_ || length > size_ - offset) return PackageView();
  const uint64_t windowStart = offset - offset % kWindow;
  if (offset + length > windowStart + kWindow) {   // across a window boundary: a mapping of its own
    UniqueMapView base;
    const uint8_t* data = map(offset, length, base);
    return data ? PackageView(data, base.release(), unmapView) : PackageView();
  }
  std::shared_ptr<Window> window;
  {
    CriticalSectionLock hold(lock_);
    for (const std::shared_ptr<Window>& w : windows_)
      if (w && w->start == windowStart) window = w;
  }
  if (!window) {
    auto made = std::make_shared<Window>();
    made->start = windowStart;
    made->length = std::min<uint64_t>(kWindow, size_ - windowStart);
    made->data = map(windowStart, made->length, made->base);
    if (!made->data) return PackageView();
    window = made;
    CriticalSectionLock hold(lock_);
    windows_[nextSlot_++ % 2] = made;   // the older window goes once its views have
  }
  const uint8_t* data = window->data + (offset - windowStart);
  return PackageView(data, new WindowRef(std::move(window)), releaseWindowRef);
}

PackageView MappedFileSource::viewLoaded(uint64_t offset, size_t length) const {
  if (!loaded_) return view(offset, length);
  if (offset > size_ || length > size_ - offset) return PackageView();
  return PackageView(loaded_ + offset);
}

bool fileOffsetInModule(HMODULE module, const void* data, size_t size, uint64_t& offset) {
  const auto* base = reinterpret_cast<const uint8_t*>(module);
  const auto* at = static_cast<const uint8_t*>(data);
  if (!base || at < base) return false;
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE) return false;
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  if (nt->Signature != IMAGE_NT_SIGNATURE) return false;
  const uint64_t rva = uint64_t(at - base);
  const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
  for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
    const uint64_t start = section->VirtualAddress;
    const uint64_t raw = section->SizeOfRawData;
    if (rva >= start && rva - start <= raw && size <= raw - (rva - start)) {
      offset = uint64_t(section->PointerToRawData) + (rva - start);
      return true;
    }
  }
  return false;
}

}  // namespace kavri
