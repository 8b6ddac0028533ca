// The Control flag word: one named mask per bit. The script's readFlag and
// writeFlag address the same bits by number (mask = 1 << bit).
#pragma once

#include <cstdint>

namespace dui {
namespace flags {

constexpr std::uint32_t Enabled = 0x1;          // bit 0: receives mouse button, move and wheel events
constexpr std::uint32_t Visible = 0x2;          // bit 1: painted and hit-tested
constexpr std::uint32_t Focused = 0x4;          // bit 2: is (or was last) the window's keyboard focus
constexpr std::uint32_t Captured = 0x8;         // bit 3: holds the mouse capture
constexpr std::uint32_t MouseOver = 0x10;       // bit 4: on the path from the root to the control under the mouse
constexpr std::uint32_t RepaintOnMouse = 0x20;  // bit 5: repainted on press, release, enter and leave
constexpr std::uint32_t CaptureOnPress = 0x40;  // bit 6: takes the mouse capture on a left press
constexpr std::uint32_t Focusable = 0x80;       // bit 7: takes the keyboard focus on a left press
constexpr std::uint32_t ClearsFocus = 0x100;    // bit 8: a left press on it (not Focusable) removes the focus
constexpr std::uint32_t DropTarget = 0x200;     // bit 9: receives drag-and-drop events
constexpr std::uint32_t HitTransparent = 0x400; // bit 10: never returned by hit testing
constexpr std::uint32_t DoubleClicks = 0x800;   // bit 11: receives double-click events
constexpr std::uint32_t Collapsed = 0x1000;     // bit 12: measures as 0 x 0 and is not painted
constexpr std::uint32_t Container = 0x2000;     // bit 13: has a child list (set by Panel)
constexpr std::uint32_t Checked = 0x4000;       // bit 14: checked state of toggling controls
constexpr std::uint32_t ScriptBound = 0x40000;  // bit 18: a script object refers to this control
// Keyboard use, read by the window's focus order and access keys:
constexpr std::uint32_t TabStop = 0x80000;      // bit 19: Tab and Shift+Tab stop here
constexpr std::uint32_t TextEntry = 0x100000;   // bit 20: takes typed letters (no bare-letter access keys)
constexpr std::uint32_t LiteralText = 0x200000; // bit 21: "&" in its text is shown, never an access key
// Bits 15, 16, 17 and 22-31 are free for concrete controls.

constexpr std::uint32_t Initial = Enabled | Visible;
// Added by button-like controls: RepaintOnMouse | CaptureOnPress | ClearsFocus.
constexpr std::uint32_t ButtonLike = RepaintOnMouse | CaptureOnPress | ClearsFocus;

constexpr std::uint32_t maskOfBit(int bit) { return (bit >= 0 && bit < 32) ? (1u << bit) : 0u; }

}  // namespace flags
}  // namespace dui
