// AlphaBlend from msimg32, loaded at run time from the system folder.
#pragma once

#include <windows.h>

namespace dui {

using AlphaBlendProc = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, int, int, BLENDFUNCTION);

// Loads "msimg32.dll" from the system folder only (never from the program's
// folder or the current directory) and looks up "AlphaBlend", which may be
// missing. Returns whether the module is loaded. Calling it again while the
// module is loaded changes nothing.
bool loadMsimg32();
// Forgets the entry point and frees the module.
void unloadMsimg32();

// The entry point, or null when msimg32 is not loaded or lacks it.
AlphaBlendProc alphaBlendProc();

}  // namespace dui
