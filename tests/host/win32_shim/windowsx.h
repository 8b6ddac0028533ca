// Window-free stand-in for <windowsx.h>: the signed pointer coordinates of a
// mouse message's LPARAM.
#pragma once

#include "windows.h"

#define GET_X_LPARAM(lp) (static_cast<int>(static_cast<short>(LOWORD(lp))))
#define GET_Y_LPARAM(lp) (static_cast<int>(static_cast<short>(HIWORD(lp))))
