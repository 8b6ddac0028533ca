/* Test helper: runs a program and reports its whole exit code, of which Wine
   hands a Unix shell only the lowest 8 bits (1602 would read as 66).
     exit_code <output file> <program> [arguments...]
   The program's command line is this one's from <program> on, exactly as
   given. Once the program has ended, its exit code goes to the output file
   in decimal, and this helper ends with it too. Exit code 255 (and nothing
   written) when it cannot be started. */
#include <windows.h>
#include <stdio.h>

/* The command line after its first `count` words (quoted words count as one). */
static const wchar_t* skipWords(const wchar_t* line, int count)
{
    while (count-- > 0) {
        while (*line == L' ' || *line == L'\t') ++line;
        int quoted = 0;
        while (*line && (quoted || (*line != L' ' && *line != L'\t'))) {
            if (*line == L'"') quoted = !quoted;
            ++line;
        }
    }
    while (*line == L' ' || *line == L'\t') ++line;
    return line;
}

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) {
        fputs("usage: exit_code <output file> <program> [arguments...]\n", stderr);
        return 255;
    }
    wchar_t* command = _wcsdup(skipWords(GetCommandLineW(), 2));
    STARTUPINFOW startup = {sizeof startup};
    PROCESS_INFORMATION process;
    if (!command || !CreateProcessW(NULL, command, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
        fprintf(stderr, "cannot start the program (error %lu)\n", GetLastError());
        return 255;
    }
    CloseHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 255;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    FILE* out = _wfopen(argv[1], L"w");
    if (out) {
        fprintf(out, "%lu\n", code);
        fclose(out);
    }
    free(command);
    return (int)code;
}
