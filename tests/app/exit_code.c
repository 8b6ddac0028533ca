/* Test helper: runs a program and reports its whole exit code, of which Wine
   hands a Unix shell only the lowest 8 bits (1602 would read as 66).
     exit_code [--limited] <output file> <program> [arguments...]
   The program's command line is this one's from <program> on, exactly as
   given. Once the program has ended, its exit code goes to the output file
   in decimal, and this helper ends with it too. Exit code 255 (and nothing
   written) when it cannot be started.
   --limited starts it without administrator rights, with the limited token
   linked to this process's (Wine runs every process elevated, and gives it
   such a linked token, as Windows does for an administrator). */
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

/* The limited token linked to this process's, as a primary token; NULL when
   there is none. */
static HANDLE limitedToken(void)
{
    HANDLE token = NULL, primary = NULL;
    TOKEN_LINKED_TOKEN linked = {0};
    DWORD size = 0;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return NULL;
    if (GetTokenInformation(token, TokenLinkedToken, &linked, sizeof linked, &size)) {
        DuplicateTokenEx(linked.LinkedToken, TOKEN_ALL_ACCESS, NULL, SecurityImpersonation, TokenPrimary, &primary);
        CloseHandle(linked.LinkedToken);
    }
    CloseHandle(token);
    return primary;
}

int wmain(int argc, wchar_t** argv)
{
    int limited = argc > 1 && wcscmp(argv[1], L"--limited") == 0;
    if (argc < 3 + limited) {
        fputs("usage: exit_code [--limited] <output file> <program> [arguments...]\n", stderr);
        return 255;
    }
    const wchar_t* output = argv[1 + limited];
    wchar_t* command = _wcsdup(skipWords(GetCommandLineW(), 2 + limited));
    STARTUPINFOW startup = {sizeof startup};
    PROCESS_INFORMATION process;
    HANDLE token = limited ? limitedToken() : NULL;
    if (limited && !token) {
        fprintf(stderr, "no limited token (error %lu)\n", GetLastError());
        return 255;
    }
    BOOL started = command && (token ? CreateProcessAsUserW(token, NULL, command, NULL, NULL, FALSE, 0, NULL, NULL,
                                                            &startup, &process)
                                     : CreateProcessW(NULL, command, NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                                                      &process));
    if (token) CloseHandle(token);
    if (!started) {
        fprintf(stderr, "cannot start the program (error %lu)\n", GetLastError());
        return 255;
    }
    CloseHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 255;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    FILE* out = _wfopen(output, L"w");
    if (out) {
        fprintf(out, "%lu\n", code);
        fclose(out);
    }
    free(command);
    return (int)code;
}
