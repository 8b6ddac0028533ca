/* Test helper: the text of a message box on the screen, for the test scripts.
     box_text CAPTION    waits up to 20 s for a shown top-level window with
                         that caption, prints its text as UTF-8, answers it
                         with OK and ends with 0; 1 when none appears
   A message box keeps its text in the static control 0xFFFF. */
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <stdio.h>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2) {
        fputs("usage: box_text CAPTION\n", stderr);
        return 2;
    }
    _setmode(_fileno(stdout), _O_BINARY);
    for (int tries = 0; tries < 200; ++tries) {
        HWND box = FindWindowW(NULL, argv[1]);
        if (box && IsWindowVisible(box)) {
            wchar_t text[1024] = {0};
            char utf8[4096];
            GetDlgItemTextW(box, 0xFFFF, text, 1024);
            int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, NULL, NULL);
            if (size > 1) fwrite(utf8, 1, (size_t)(size - 1), stdout);
            fputs("\n", stdout);
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            return 0;
        }
        Sleep(100);
    }
    return 1;
}
