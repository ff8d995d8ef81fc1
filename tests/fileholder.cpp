// Holds a file open as virus scanners and sync clients do (others may read and write
// it, but not delete or replace it) for the given milliseconds, then lets it go. With a
// third argument "alone", nobody else may open it at all meanwhile.
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t *argv[])
{
    if (argc != 3 && argc != 4)
        return 2;
    const DWORD share = argc == 4 && std::wcscmp(argv[3], L"alone") == 0 ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE;
    const HANDLE file = CreateFileW(argv[1], GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    std::puts("held");
    std::fflush(stdout);
    Sleep(DWORD(std::wcstoul(argv[2], nullptr, 10)));
    CloseHandle(file);
    return 0;
}
