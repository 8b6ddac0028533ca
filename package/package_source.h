// PackageSource: random access to a package's bytes through short-lived views,
// so that a reader never needs the whole package in memory at once. A source
// over memory hands out pointers into that memory; a source over a file maps
// only the part asked for and unmaps it when the view goes, so the pages read
// leave the working set again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "heap_buffer.h"

namespace kavri {

// A read-only view of part of a package; valid while it lives.
class PackageView {
 public:
  using Release = void (*)(void* base);
  PackageView() = default;
  PackageView(const uint8_t* data, void* base = nullptr, Release release = nullptr)
      : data_(data), base_(base), release_(release) {}
  PackageView(PackageView&& other) noexcept
      : data_(std::exchange(other.data_, nullptr)), base_(other.base_), release_(std::exchange(other.release_, nullptr)) {}
  PackageView& operator=(PackageView&& other) noexcept {
    if (this != &other) {
      reset();
      data_ = std::exchange(other.data_, nullptr);
      base_ = other.base_;
      release_ = std::exchange(other.release_, nullptr);
    }
    return *this;
  }
  PackageView(const PackageView&) = delete;
  PackageView& operator=(const PackageView&) = delete;
  ~PackageView() { reset(); }

  const uint8_t* data() const { return data_; }
  explicit operator bool() const { return data_ != nullptr; }
  void reset() {
    if (release_) release_(base_);
    data_ = nullptr;
    release_ = nullptr;
  }

 private:
  const uint8_t* data_ = nullptr;
  void* base_ = nullptr;
  Release release_ = nullptr;
};

class PackageSource {
 public:
  virtual ~PackageSource() = default;
  virtual uint64_t size() const = 0;
  // Bytes [offset, offset + length) of the package, or an empty view when the
  // range lies outside it or cannot be mapped. Safe to call from several
  // threads at once; each view is independent.
  virtual PackageView view(uint64_t offset, size_t length) const = 0;
  // The same bytes as the program was loaded with them, for what a reader
  // takes once and keeps (a package's directory): a source over a file that
  // also has the loaded copy answers from that copy, so what is kept is what
  // was loaded. Others answer as view().
  virtual PackageView viewLoaded(uint64_t offset, size_t length) const { return view(offset, length); }
  // The largest view a sequential reader should ask for at once: views of a
  // mapped file stay small so the address space and the working set do too.
  virtual size_t preferredWindow() const { return SIZE_MAX; }
};

// A package in memory that the caller keeps alive (an image already in memory,
// such as a resource of the running executable).
class MemoryPackageSource : public PackageSource {
 public:
  MemoryPackageSource(const void* data, size_t size)
      : data_(static_cast<const uint8_t*>(data)), size_(data ? size : 0) {}
  uint64_t size() const override { return size_; }
  PackageView view(uint64_t offset, size_t length) const override {
    if (offset > size_ || length > size_ - offset) return PackageView();
    return PackageView(data_ + offset);
  }

 private:
  const uint8_t* data_;
  size_t size_;
};

// A package in a heap buffer the source owns (a file system's loadFile copy).
class OwnedPackageSource final : public MemoryPackageSource {
 public:
  OwnedPackageSource(HeapBuffer buffer, size_t size) : MemoryPackageSource(buffer.get(), size), buffer_(std::move(buffer)) {}

 private:
  HeapBuffer buffer_;
};

}  // namespace kavri
