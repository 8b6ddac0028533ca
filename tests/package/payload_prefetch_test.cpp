// The decode-ahead helper of payload extraction: whatever order the worker
// asks for entries in, each comes out whole and exactly as packed (or as
// damaged, when it is), the helper really does decode ahead of a worker that
// walks the package in order, and a helper that fails leaves the worker free
// to go on alone.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "package/package_archive.h"
#include "package/payload_prefetch.h"
#include "support/win32_handles.h"
#include "tests/helpers/package_fixture.h"

namespace {

// Fault injection: once armed, the next allocation through operator new on
// any thread but the spared one (the test's) fails, once.
std::atomic<DWORD> g_sparedThread{0};
std::atomic<bool> g_failNext{false};
std::atomic<int> g_injected{0};

}  // namespace

void* operator new(std::size_t size) {
  if (g_failNext.load() && ::GetCurrentThreadId() != g_sparedThread.load() && g_failNext.exchange(false)) {
    ++g_injected;
    throw std::bad_alloc();
  }
  if (void* p = ::HeapAlloc(::GetProcessHeap(), 0, size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  if (p) ::HeapFree(::GetProcessHeap(), 0, p);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

namespace kavri {
namespace {

using package::DecodeResult;

// Collects what is written; `delayMs` stands for a slow file system, so the
// helper has time to get ahead.
struct Collect final : package::ByteOutput {
  std::string bytes;
  DWORD delayMs = 0;
  bool write(const uint8_t* data, size_t size) override {
    if (delayMs) ::Sleep(delayMs);
    bytes.append(reinterpret_cast<const char*>(data), size);
    return true;
  }
};

std::vector<uint8_t> textOf(int seed, size_t size) {
  std::vector<uint8_t> out(size);
  for (size_t i = 0; i < size; ++i) out[i] = uint8_t("abcdefgh "[(i * 7 + size_t(seed) * 13 + i / 97) % 9]);
  return out;
}

std::vector<uint8_t> noiseOf(uint32_t seed, size_t size) {
  std::vector<uint8_t> out(size);
  for (uint8_t& b : out) {
    seed = seed * 1664525u + 1013904223u;
    b = uint8_t(seed >> 24);
  }
  return out;
}

class PayloadPrefetchTest : public ::testing::Test {
 protected:
  // The package is built once (packing the large entry takes a while); each
  // test reads its own copy, which it may damage.
  static void SetUpTestSuite() {
    for (int i = 0; i < 24; ++i)
      entries_.push_back({u"t/" + std::u16string(1, char16_t(u'a' + i)), textOf(i, 20000 + size_t(i) * 5000)});
    entries_.push_back({u"noise.dat", noiseOf(7, 50000)});            // stored: not decoded ahead
    entries_.push_back({u"same1.txt", textOf(99, 30000)});            // two names, one data area
    entries_.push_back({u"same2.txt", textOf(99, 30000)});
    entries_.push_back({u"big.txt", textOf(5, PayloadPrefetcher::kBufferBound + 4096)});   // over the bound
    for (int i = 0; i < 8; ++i)
      entries_.push_back({u"u/" + std::u16string(1, char16_t(u'a' + i)), textOf(40 + i, 3000)});
    packed_ = test::buildImage(entries_);
  }
  static void TearDownTestSuite() {
    entries_.clear();
    packed_.clear();
  }

  void SetUp() override {
    ASSERT_FALSE(packed_.empty());
    image_ = packed_;
    archive_ = std::make_unique<PackageArchive>(image_.data(), image_.size());
    // The package's own order, as a script reading the entry list would go.
    archive_->forEachEntry([&](const std::u16string& name, const PackageArchive::EntryInfo&) { inOrder_.push_back(name); });
  }

  const std::vector<uint8_t>& contentOf(const std::u16string& name) const {
    for (const auto& e : entries_)
      if (e.name == name) return e.data;
    static const std::vector<uint8_t> none;
    return none;
  }

  static std::vector<package::PackageEntry> entries_;
  static std::vector<uint8_t> packed_;
  std::vector<uint8_t> image_;
  std::unique_ptr<PackageArchive> archive_;
  std::vector<std::u16string> inOrder_;
};

std::vector<package::PackageEntry> PayloadPrefetchTest::entries_;
std::vector<uint8_t> PayloadPrefetchTest::packed_;

TEST_F(PayloadPrefetchTest, EveryOrderOfRequestsGetsExactContent) {
  std::vector<std::u16string> reversed(inOrder_.rbegin(), inOrder_.rend());
  std::vector<std::u16string> everyOther, twice, backAndForth;
  for (size_t i = 0; i < inOrder_.size(); i += 2) everyOther.push_back(inOrder_[i]);
  for (const auto& name : inOrder_) {
    twice.push_back(name);
    twice.push_back(name);
  }
  for (size_t i = 0; i + 3 < inOrder_.size(); i += 3) {
    backAndForth.push_back(inOrder_[i + 2]);
    backAndForth.push_back(inOrder_[i]);
    backAndForth.push_back(inOrder_[i + 1]);
  }
  struct Case {
    const char* what;
    const std::vector<std::u16string>* names;
  };
  const Case cases[] = {
      {"package order", &inOrder_},
      {"reversed", &reversed},
      {"every other entry", &everyOther},
      {"each entry twice", &twice},
      {"jumping back and forth", &backAndForth},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PayloadPrefetcher prefetcher(*archive_);
    package::LzmaStreamDecoder decoder;
    for (const std::u16string& name : *c.names) {
      PackageArchive::EntryInfo info{};
      ASSERT_TRUE(archive_->find(name, info));
      Collect out;
      EXPECT_EQ(prefetcher.extract(info, decoder, out), DecodeResult::Intact);
      const std::vector<uint8_t>& expected = contentOf(name);
      EXPECT_EQ(out.bytes, std::string(expected.begin(), expected.end())) << std::string(name.begin(), name.end());
    }
  }
}

// With writes slower than decoding, a script walking the package in order
// gets most compressed entries already decoded.
TEST_F(PayloadPrefetchTest, TheHelperDecodesAheadOfAScriptGoingInOrder) {
  PayloadPrefetcher prefetcher(*archive_);
  package::LzmaStreamDecoder decoder;
  for (const std::u16string& name : inOrder_) {
    PackageArchive::EntryInfo info{};
    ASSERT_TRUE(archive_->find(name, info));
    Collect out;
    out.delayMs = 20;
    ASSERT_EQ(prefetcher.extract(info, decoder, out), DecodeResult::Intact);
  }
  // 24 + 8 small text entries and the shared pair; the first is always the
  // worker's own, the helper starts after it.
  EXPECT_GE(prefetcher.takenFromHelper(), 20u);
}

// A damaged entry decoded ahead is reported as damaged, not as written, and
// its neighbours are unaffected: a stream the decoder stops on, and damage
// only the entry's CRC-32 shows (a flipped byte, a damaged check).
TEST_F(PayloadPrefetchTest, ADamagedEntryDecodedAheadIsReportedDamaged) {
  PackageArchive::EntryInfo victim{};
  ASSERT_TRUE(archive_->find(u"t/e", victim));
  ASSERT_NE(victim.unpackedSize, 0u);
  const uint32_t end = victim.dataOffset + victim.storedSize;
  struct Case {
    const char* what;
    std::function<void(std::vector<uint8_t>&)> damage;
  };
  const Case cases[] = {
      {"second half scrambled",
       [&](std::vector<uint8_t>& im) {
         for (uint32_t i = victim.dataOffset + victim.storedSize / 2; i < end; ++i) im[i] ^= 0x5A;
       }},
      // For this content the decoder turns this flip into other bytes of the
      // right length without a complaint.
      {"a bit of the stream flipped", [&](std::vector<uint8_t>& im) { im[victim.dataOffset + 6] ^= 0x01; }},
      {"the CRC-32 in the record damaged",
       [&](std::vector<uint8_t>& im) { im[test::checkOffsetOf(im, u"t/e")] ^= 0x80; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> image = packed_;
    c.damage(image);
    PackageArchive damaged(image.data(), image.size());
    PayloadPrefetcher prefetcher(damaged);
    package::LzmaStreamDecoder decoder;
    for (const std::u16string& name : inOrder_) {
      PackageArchive::EntryInfo info{};
      ASSERT_TRUE(damaged.find(name, info));
      Collect out;
      out.delayMs = 5;
      const DecodeResult result = prefetcher.extract(info, decoder, out);
      if (name == u"t/e") {
        EXPECT_EQ(result, DecodeResult::Damaged);
      } else {
        EXPECT_EQ(result, DecodeResult::Intact) << std::string(name.begin(), name.end());
        const std::vector<uint8_t>& expected = contentOf(name);
        EXPECT_EQ(out.bytes, std::string(expected.begin(), expected.end()));
      }
    }
    EXPECT_GE(prefetcher.takenFromHelper(), 20u) << "the helper decoded ahead";
  }
}

// Ending the work while the helper is decoding waits for it and nothing else.
TEST_F(PayloadPrefetchTest, DestroyingWhileTheHelperDecodesEndsCleanly) {
  for (int round = 0; round < 5; ++round) {
    PayloadPrefetcher prefetcher(*archive_);
    package::LzmaStreamDecoder decoder;
    PackageArchive::EntryInfo info{};
    ASSERT_TRUE(archive_->find(inOrder_.front(), info));
    Collect out;
    EXPECT_EQ(prefetcher.extract(info, decoder, out), DecodeResult::Intact);
  }
}

// Runs `work` on this thread; should it not end within 20 s (a lock left
// held, a wait nobody ends), the process ends with a message: the stuck
// thread cannot be unwound.
void failIfStuck(const std::function<void()>& work) {
  UniqueHandle done(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ASSERT_TRUE(done);
  std::thread watchdog([&done] {
    if (::WaitForSingleObject(done.get(), 20000) != WAIT_TIMEOUT) return;
    std::fputs("payload_prefetch_test: extraction stuck after the helper failed\n", stderr);
    std::fflush(stderr);
    ::ExitProcess(3);
  });
  work();
  ::SetEvent(done.get());
  watchdog.join();
}

// The helper runs out of memory while handing a decoded entry over: it stops
// and leaves nothing held, so every later request is served (by the worker
// decoding itself) and the prefetcher still ends. Many small entries, so the
// helper's queue needs memory of its own while it runs ahead.
TEST(PayloadPrefetchFaults, AHelperOutOfMemoryLeavesTheWorkerToGoOnAlone) {
  std::vector<package::PackageEntry> entries;
  for (int i = 0; i < 300; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "f/%03d", i);
    std::vector<uint8_t> content = textOf(i, 1500);
    content.insert(content.begin(), name, name + std::strlen(name));   // no two alike (alike ones share data)
    entries.push_back({std::u16string(name, name + std::strlen(name)), content});
  }
  const std::vector<uint8_t> image = test::buildImage(entries);
  ASSERT_FALSE(image.empty());
  PackageArchive archive(image.data(), image.size());
  std::vector<std::u16string> names;
  archive.forEachEntry([&](const std::u16string& name, const PackageArchive::EntryInfo&) { names.push_back(name); });
  ASSERT_EQ(names.size(), entries.size());

  g_injected = 0;
  g_sparedThread = ::GetCurrentThreadId();
  failIfStuck([&] {
    PayloadPrefetcher prefetcher(archive);
    package::LzmaStreamDecoder decoder;
    g_failNext = true;   // the helper allocates nothing until the first request
    for (size_t i = 0; i < names.size(); ++i) {
      PackageArchive::EntryInfo info{};
      ASSERT_TRUE(archive.find(names[i], info));
      Collect out;
      out.delayMs = 1;
      ASSERT_EQ(prefetcher.extract(info, decoder, out), DecodeResult::Intact);
      ASSERT_EQ(names[i], entries[i].name);   // zero-padded: the same order
      ASSERT_EQ(out.bytes, std::string(entries[i].data.begin(), entries[i].data.end()));
    }
  });
  g_failNext = false;
  EXPECT_EQ(g_injected.load(), 1) << "the helper never allocated: no fault was injected";
}

}  // namespace
}  // namespace kavri
