// A stand-in for Windows 9x's PASSWORD.CPL. VerifyScreenSavePwd answers with
// the first character of the file named by KVSS_PASSWORD_ANSWER ('1' accepts,
// anything else refuses) and appends each answer to KVSS_PASSWORD_LOG.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

extern "C" BOOL WINAPI VerifyScreenSavePwd(HWND window) {
    bool accepted = false;
    if (const char* answerPath = std::getenv("KVSS_PASSWORD_ANSWER")) {
        if (std::FILE* answer = std::fopen(answerPath, "r")) {
            accepted = std::fgetc(answer) == '1';
            std::fclose(answer);
        }
    }
    if (const char* logPath = std::getenv("KVSS_PASSWORD_LOG")) {
        if (std::FILE* log = std::fopen(logPath, "ab")) {
            std::fprintf(log, "%s window=%d\n", accepted ? "accepted" : "refused", IsWindow(window) ? 1 : 0);
            std::fclose(log);
        }
    }
    return accepted ? TRUE : FALSE;
}
