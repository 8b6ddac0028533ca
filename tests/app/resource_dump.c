/* Test helper: what Windows reads from an executable's resources, printed as
   UTF-8 for the test scripts.
     resource_dump version FILE    the version resource, one "Key=value" a
                                   line: FileVersionNumbers and
                                   ProductVersionNumbers (a.b.c.d) from the
                                   fixed part, then the texts of its first
                                   language (GetFileVersionInfoW, VerQueryValueW)
     resource_dump manifest FILE   the manifest (RT_MANIFEST 1) as it is stored
     resource_dump strings FILE    the string table, one "id=text" a line
                                   (LoadStringW over ids 0 to 255)
   Exit code 1 when the file or the resource cannot be read. */
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <stdio.h>

static void writeUtf8(const wchar_t* text)
{
    char buffer[4096];
    int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer, sizeof buffer, NULL, NULL);
    if (size > 1) fwrite(buffer, 1, (size_t)(size - 1), stdout);
}

static int dumpVersion(const wchar_t* file)
{
    static const wchar_t* const keys[] = {L"CompanyName", L"FileDescription", L"FileVersion", L"InternalName",
                                          L"LegalCopyright", L"OriginalFilename", L"ProductName", L"ProductVersion"};
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(file, &ignored);
    if (size == 0) return 1;
    void* data = HeapAlloc(GetProcessHeap(), 0, size);
    if (!data || !GetFileVersionInfoW(file, 0, size, data)) return 1;

    VS_FIXEDFILEINFO* fixed = NULL;
    UINT length = 0;
    if (!VerQueryValueW(data, L"\\", (void**)&fixed, &length) || length < sizeof *fixed) return 1;
    printf("FileVersionNumbers=%lu.%lu.%lu.%lu\n", (unsigned long)HIWORD(fixed->dwFileVersionMS),
           (unsigned long)LOWORD(fixed->dwFileVersionMS), (unsigned long)HIWORD(fixed->dwFileVersionLS),
           (unsigned long)LOWORD(fixed->dwFileVersionLS));
    printf("ProductVersionNumbers=%lu.%lu.%lu.%lu\n", (unsigned long)HIWORD(fixed->dwProductVersionMS),
           (unsigned long)LOWORD(fixed->dwProductVersionMS), (unsigned long)HIWORD(fixed->dwProductVersionLS),
           (unsigned long)LOWORD(fixed->dwProductVersionLS));

    /* The texts of the first language the translation table names. */
    WORD* translation = NULL;
    if (!VerQueryValueW(data, L"\\VarFileInfo\\Translation", (void**)&translation, &length) || length < 4) return 1;
    for (size_t i = 0; i < sizeof keys / sizeof keys[0]; ++i) {
        wchar_t path[128];
        swprintf(path, 128, L"\\StringFileInfo\\%04x%04x\\%ls", translation[0], translation[1], keys[i]);
        wchar_t* value = NULL;
        if (!VerQueryValueW(data, path, (void**)&value, &length)) continue;
        writeUtf8(keys[i]);
        fputs("=", stdout);
        writeUtf8(value);
        fputs("\n", stdout);
    }
    return 0;
}

static int dumpManifest(const wchar_t* file)
{
    HMODULE module = LoadLibraryExW(file, NULL, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module) module = LoadLibraryExW(file, NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return 1;
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24) /* RT_MANIFEST */);
    HGLOBAL loaded = found ? LoadResource(module, found) : NULL;
    const void* bytes = loaded ? LockResource(loaded) : NULL;
    if (bytes) fwrite(bytes, 1, SizeofResource(module, found), stdout);
    FreeLibrary(module);
    return bytes ? 0 : 1;
}

static int dumpStrings(const wchar_t* file)
{
    HMODULE module = LoadLibraryExW(file, NULL, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module) module = LoadLibraryExW(file, NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return 1;
    for (UINT id = 0; id < 256; ++id) {
        wchar_t text[1024];
        if (LoadStringW(module, id, text, 1024) <= 0) continue;
        printf("%u=", id);
        writeUtf8(text);
        fputs("\n", stdout);
    }
    FreeLibrary(module);
    return 0;
}

int wmain(int argc, wchar_t** argv)
{
    _setmode(_fileno(stdout), _O_BINARY);   /* the bytes as they are, no CR added */
    if (argc == 3 && wcscmp(argv[1], L"version") == 0) return dumpVersion(argv[2]);
    if (argc == 3 && wcscmp(argv[1], L"manifest") == 0) return dumpManifest(argv[2]);
    if (argc == 3 && wcscmp(argv[1], L"strings") == 0) return dumpStrings(argv[2]);
    fputs("usage: resource_dump version|manifest|strings FILE\n", stderr);
    return 2;
}
