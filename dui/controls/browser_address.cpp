// The scheme check for addresses given to the embedded browser.
#include "dui/controls/browser_address.h"

namespace dui {
namespace {

bool isAsciiLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }

wchar_t lowerAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool isSchemeChar(wchar_t c) {
  return isAsciiLetter(c) || (c >= L'0' && c <= L'9') || c == L'+' || c == L'-' || c == L'.';
}

}  // namespace

bool isNavigableAddress(const std::wstring& address) {
  // The scheme: a letter, then letters, digits, '+', '-' or '.', up to ':'.
  if (address.empty() || !isAsciiLetter(address[0])) return false;
  std::size_t colon = 0;
  while (colon < address.size() && isSchemeChar(address[colon])) ++colon;
  if (colon == address.size() || address[colon] != L':') return false;
  std::wstring scheme;
  scheme.reserve(colon);
  for (std::size_t i = 0; i < colon; ++i) scheme.push_back(lowerAscii(address[i]));
  for (const wchar_t* allowed : {L"https", L"http", L"about", L"file"})
    if (scheme == allowed) return true;
  return false;
}

}  // namespace dui
