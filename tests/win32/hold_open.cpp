// Holds a file open, as a program still closing holds its own image.
//   hold_open FILE SIGNAL MILLISECONDS
// Opens FILE sharing read, write and delete (so that deleting it succeeds but
// the file stays until the last handle closes), prints "holding", waits until
// the file SIGNAL is gone, then MILLISECONDS more, and closes it. Exits 0 when
// it held and let go, 1 when FILE could not be opened or SIGNAL never went.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "wait_until.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: hold_open FILE SIGNAL MILLISECONDS\n");
        return 1;
    }
    setvbuf(stdout, nullptr, _IONBF, 0);
    HANDLE file = CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::printf("cannot open %s (error %lu)\n", argv[1], GetLastError());
        return 1;
    }
    std::printf("holding\n");
    const char* signal = argv[2];
    const bool gone = waitUntil([signal] { return GetFileAttributesA(signal) == INVALID_FILE_ATTRIBUTES; });
    if (gone) Sleep(static_cast<DWORD>(std::atoi(argv[3])));  // how long the holder takes to close
    CloseHandle(file);
    std::printf(gone ? "let go\n" : "the signal never went\n");
    return gone ? 0 : 1;
}
