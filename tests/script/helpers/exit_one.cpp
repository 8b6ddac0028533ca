// Test helper: ends at once with exit code 1.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 1; }
