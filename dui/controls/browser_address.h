// Which addresses the embedded browser may be sent to: window-free, so it is
// tested natively too.
#pragma once

#include <string>

namespace dui {

// True for an address whose scheme is https, http, about or file (letters in
// any case), written as the very first characters and ended by ':'. Anything
// else is refused: other schemes (javascript, vbscript, data, ...), no scheme
// at all, and addresses that start with spaces or control characters or hide
// them inside the scheme, which a browser might strip to find a different
// scheme than the one checked here.
bool isNavigableAddress(const std::wstring& address);

}  // namespace dui
