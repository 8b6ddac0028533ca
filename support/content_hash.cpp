// File hashing through bcrypt, read in pieces through one handle.
#include "content_hash.h"

#include <cstdint>
#include <vector>

#include "support/win32_handles.h"

namespace kavri {
namespace {

constexpr DWORD kPiece = 1u << 20;
constexpr ULONG kDigestBytes = 32;

bool failed(NTSTATUS status, unsigned long& error) {
  if (BCRYPT_SUCCESS(status)) return false;
  error = ERROR_INVALID_FUNCTION;   // no hash provider: the status has no Windows error of its own
  return true;
}

}  // namespace

bool sha256OfOpenFile(HANDLE file, std::string& hex, unsigned long& error) {
  hex.clear();
  error = 0;
  UniqueAlgorithm algorithm;
  if (failed(::BCryptOpenAlgorithmProvider(algorithm.put(), BCRYPT_SHA256_ALGORITHM, nullptr, 0), error)) return false;
  UniqueHash hash;
  if (failed(::BCryptCreateHash(algorithm.get(), hash.put(), nullptr, 0, nullptr, 0, 0), error)) return false;
  std::vector<uint8_t> piece(kPiece);
  for (;;) {
    DWORD read = 0;
    if (!::ReadFile(file, piece.data(), kPiece, &read, nullptr)) {
      error = ::GetLastError();
      return false;
    }
    if (read == 0) break;
    if (failed(::BCryptHashData(hash.get(), piece.data(), read, 0), error)) return false;
  }
  uint8_t digest[kDigestBytes];
  if (failed(::BCryptFinishHash(hash.get(), digest, kDigestBytes, 0), error)) return false;
  static const char kDigits[] = "0123456789abcdef";
  hex.reserve(2 * kDigestBytes);
  for (uint8_t byte : digest) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 15];
  }
  return true;
}

bool sha256OfFile(const std::wstring& path, std::string& hex, unsigned long& error) {
  UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) {
    hex.clear();
    error = ::GetLastError();
    return false;
  }
  return sha256OfOpenFile(file.get(), hex, error);
}

}  // namespace kavri
