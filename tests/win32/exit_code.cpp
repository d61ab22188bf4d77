// Runs a program and ends with its exit code as Windows reports it.
//   exit_code PROGRAM [ARGUMENT...]
// Wine records a process's exit code when the process asks to end, then kills
// it outright if its own teardown (Mesa's threads, under a loaded machine)
// takes longer than a fraction of a second: the Unix status then reads 137
// where every Windows caller sees the code the program gave. The scripts wait
// for this program instead, so that they judge the code Windows would.
#include <windows.h>

#include <cstdio>

namespace {
// Its own failures, apart from every code the programs under test give.
constexpr int notStarted = 127;
constexpr int startAttempts = 3;

// The command line past this program's own name, as the child gets it.
wchar_t* childCommandLine() {
    wchar_t* p = GetCommandLineW();
    const bool quoted = *p == L'"';
    if (quoted) ++p;
    while (*p != 0 && (quoted ? *p != L'"' : *p != L' ' && *p != L'\t')) ++p;
    if (quoted && *p == L'"') ++p;
    while (*p == L' ' || *p == L'\t') ++p;
    return p;
}
}  // namespace

int main(int argc, char**) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: exit_code PROGRAM [ARGUMENT...]\n");
        return notStarted;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    // Wine now and then fails a start before the program's first instruction,
    // with ERROR_INTERNAL_ERROR: the program never ran, so start it again.
    DWORD error = ERROR_SUCCESS;
    for (int attempt = 1; attempt <= startAttempts; ++attempt) {
        if (CreateProcessW(nullptr, childCommandLine(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &child)) {
            error = ERROR_SUCCESS;
            break;
        }
        error = GetLastError();
        if (error != ERROR_INTERNAL_ERROR) break;
        std::fprintf(stderr, "exit_code: start %d of %d failed inside Wine (error %lu)\n", attempt, startAttempts, error);
    }
    if (error != ERROR_SUCCESS) {
        std::fprintf(stderr, "exit_code: the program does not start (error %lu)\n", error);
        return notStarted;
    }
    CloseHandle(child.hThread);
    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD code = notStarted;
    GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hProcess);
    return static_cast<int>(code);
}
