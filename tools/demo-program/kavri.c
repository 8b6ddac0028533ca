/* The demo product "Kavri.exe" that the demo installer installs: a box that
   says what it is, so the finish page's "start the program", the start-menu
   shortcut and the uninstaller's "close the running program" have a real
   program to work on. */
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR commandLine, int show)
{
    (void)instance;
    (void)previous;
    (void)commandLine;
    (void)show;
    MessageBoxW(NULL,
                L"Kavri 1.0.0\n\nThis is the demo program that Kavri Setup installs. "
                L"Remove it with \"Uninstall Kavri\" in the start menu or the list of installed programs.",
                L"Kavri", MB_OK | MB_ICONINFORMATION);
    return 0;
}
