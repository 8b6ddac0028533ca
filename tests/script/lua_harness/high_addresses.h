// Native objects at high addresses, for scripts that check handles above 2^32.
#pragma once

namespace kavri::test {

// Switches operator new of this executable to memory above 2^32 (on) or back
// to the heap (off). Answers whether high allocation is now on: never on
// 32-bit Windows, where no address lies that high.
bool allocateHigh(bool on);

}  // namespace kavri::test
