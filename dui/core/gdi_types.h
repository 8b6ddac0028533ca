// The device-context handle type used by draw(HDC, ...), without <windows.h> in
// builds that do not paint (the window-free host build of the tree and layout).
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
struct HDC__;
typedef HDC__* HDC;
#endif
