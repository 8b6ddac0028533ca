/* Test helper: holds a file open without sharing (as a running program holds
   its files), so an installer cannot replace it, until it is ended or the
   time given has passed.
     hold_file <path> <milliseconds>
   Prints "holding" once the file is open; exit code 1 when it cannot be. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) {
        fputs("usage: hold_file <path> <milliseconds>\n", stderr);
        return 2;
    }
    HANDLE file = CreateFileW(argv[1], GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        fprintf(stderr, "cannot open the file (error %lu)\n", GetLastError());
        return 1;
    }
    puts("holding");
    fflush(stdout);
    Sleep((DWORD)_wtoi(argv[2]));
    CloseHandle(file);
    return 0;
}
