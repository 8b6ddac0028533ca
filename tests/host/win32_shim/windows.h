// Window-free stand-in for <windows.h> in the native build of the scrolling
// controls: only the types, message-parameter macros and key codes their
// logic reads. Nothing here talks to a system.
#pragma once

#include <cstdint>

typedef unsigned int UINT;
typedef std::uintptr_t UINT_PTR;
typedef std::uintptr_t WPARAM;
typedef std::intptr_t LPARAM;
typedef unsigned long DWORD;
typedef unsigned short WORD;
struct HWND__;
typedef HWND__* HWND;

#define CALLBACK
#define LOWORD(l) (static_cast<WORD>(static_cast<std::uintptr_t>(l) & 0xffff))
#define HIWORD(l) (static_cast<WORD>((static_cast<std::uintptr_t>(l) >> 16) & 0xffff))
#define MAKELPARAM(l, h) \
  (static_cast<LPARAM>(static_cast<DWORD>(static_cast<WORD>(l)) | (static_cast<DWORD>(static_cast<WORD>(h)) << 16)))
#define MAKEWPARAM(l, h) \
  (static_cast<WPARAM>(static_cast<DWORD>(static_cast<WORD>(l)) | (static_cast<DWORD>(static_cast<WORD>(h)) << 16)))
#define WHEEL_DELTA 120
#define MK_LBUTTON 0x0001
#define GET_WHEEL_DELTA_WPARAM(w) (static_cast<short>(HIWORD(w)))

enum : unsigned { VK_PRIOR = 0x21, VK_NEXT, VK_END, VK_HOME, VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN };

// The font description "font.xml" fills (dui/markup/font_list): the fields,
// constants and the two calls that read the default GUI font.
typedef long LONG;
typedef unsigned char BYTE;
typedef wchar_t WCHAR;
typedef int BOOL;
typedef void* HGDIOBJ;
#define TRUE 1
#define FALSE 0
#define LF_FACESIZE 32
#define FW_NORMAL 400
#define DEFAULT_CHARSET 1
#define DEFAULT_GUI_FONT 17
struct LOGFONTW {
  LONG lfHeight, lfWidth, lfEscapement, lfOrientation, lfWeight;
  BYTE lfItalic, lfUnderline, lfStrikeOut, lfCharSet, lfOutPrecision, lfClipPrecision, lfQuality,
      lfPitchAndFamily;
  WCHAR lfFaceName[LF_FACESIZE];
};
HGDIOBJ GetStockObject(int object);
int GetObjectW(HGDIOBJ object, int size, void* out);
