// Figures for the Edit's text model (not a test): setting a large text,
// typing into it (each keystroke lays the lines out again) and pasting.
// Run: bash bench/run.sh text
#include <chrono>
#include <cstdio>
#include <string>

#include "dui/controls/edit_model.h"

namespace {

double millisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
  for (std::size_t size : {10000u, 100000u, 1000000u}) {
    std::wstring text;
    text.reserve(size);
    while (text.size() < size) text += L"The quick brown fox\tjumps over the lazy dog.\r\n";
    dui::EditModel model;
    model.setCharWidth([](wchar_t c) { return c == L'W' ? 12 : 7; });
    model.setGeometry(400, 16, 300);

    auto start = std::chrono::steady_clock::now();
    model.setText(text);
    const double setMs = millisecondsSince(start);

    start = std::chrono::steady_clock::now();
    for (int i = 0; i < 20; ++i) model.typeCharacter(L'x');
    const double typeMs = millisecondsSince(start) / 20;

    start = std::chrono::steady_clock::now();
    model.selectAll();
    model.replaceSelection(text);
    const double pasteMs = millisecondsSince(start);

    std::printf("%8zu characters, %6zu lines: set %8.2f ms, one keystroke %8.2f ms, paste over all %8.2f ms\n",
                text.size(), model.lines().size(), setMs, typeMs, pasteMs);
  }
  return 0;
}
