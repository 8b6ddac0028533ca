// The device-context and font handle types used by draw(HDC, ...) and the skin
// source, without <windows.h> in builds that do not paint (the window-free
// host build of the tree and layout).
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
struct HDC__;
typedef HDC__* HDC;
struct HFONT__;
typedef HFONT__* HFONT;
#endif
