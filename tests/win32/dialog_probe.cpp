// Looks at kvss.scr's resources and at its running configuration dialog.
//   dialog_probe template SCR     the string, the icon and dialog 2003's template, decoded
//   dialog_probe state            the open dialog's selections and check boxes
//   dialog_probe set T S B M W R F N selects entries T and S, sets the five boxes, selects monitors entry N
//   dialog_probe message CAPTION  the texts of a message box
// Waits up to 90 s for the window; exits 1 when something is missing.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "wait_until.h"

namespace {
constexpr const char* dialogTitle = "Korvane Screensaver";
constexpr int timeBox = 1006;
constexpr int speedBox = 1000;
constexpr int checkBoxes[] = {1001, 1002, 1003, 1004, 1005};
constexpr int monitorsBox = 1007;

std::string narrow(const WCHAR* text) {
    std::string result;
    for (; *text != 0; ++text) result += *text < 128 ? static_cast<char>(*text) : '?';
    return result;
}

// A name-or-ordinal field of a dialog template; moves `p` past it.
std::string nameOrOrdinal(const WORD*& p) {
    if (*p == 0xFFFF) {
        const WORD ordinal = p[1];
        p += 2;
        return "#" + std::to_string(ordinal);
    }
    std::string text = "\"" + narrow(reinterpret_cast<const WCHAR*>(p)) + "\"";
    while (*p != 0) ++p;
    ++p;
    return text;
}

int dumpTemplate(const char* path) {
    HMODULE module = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) {
        std::printf("cannot load %s\n", path);
        return 1;
    }
    char description[128] = "";
    LoadStringA(module, 1, description, sizeof description);
    std::printf("string 1 \"%s\"\n", description);
    std::printf("icon 100 %s\n", FindResourceA(module, MAKEINTRESOURCEA(100), MAKEINTRESOURCEA(14)) ? "present" : "missing");

    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(2003), MAKEINTRESOURCEA(5));
    if (resource == nullptr) {
        std::printf("dialog 2003 missing\n");
        return 1;
    }
    const auto* base = static_cast<const BYTE*>(LockResource(LoadResource(module, resource)));
    const auto* header = reinterpret_cast<const DLGTEMPLATE*>(base);
    const WORD* p = reinterpret_cast<const WORD*>(header + 1);
    const std::string menu = nameOrOrdinal(p);
    const std::string windowClass = nameOrOrdinal(p);
    const std::string caption = nameOrOrdinal(p);
    std::printf("dialog style 0x%08lx exstyle 0x%lx at %d,%d size %dx%d menu %s class %s caption %s\n", header->style,
                header->dwExtendedStyle, header->x, header->y, header->cx, header->cy, menu.c_str(),
                windowClass.c_str(), caption.c_str());
    if (header->style & DS_SETFONT) {
        const WORD points = *p++;
        std::printf("font %u \"%s\"\n", points, narrow(reinterpret_cast<const WCHAR*>(p)).c_str());
        while (*p != 0) ++p;
        ++p;
    }
    for (int i = 0; i < header->cdit; ++i) {
        p = reinterpret_cast<const WORD*>((reinterpret_cast<uintptr_t>(p) + 3) & ~uintptr_t{3});
        const auto* item = reinterpret_cast<const DLGITEMTEMPLATE*>(p);
        p = reinterpret_cast<const WORD*>(item + 1);
        const std::string itemClass = nameOrOrdinal(p);
        const std::string text = nameOrOrdinal(p);
        const WORD extra = *p++;
        p = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(p) + extra);
        std::printf("control %d class %s text %s style 0x%08lx at %d,%d size %dx%d\n", static_cast<short>(item->id),
                    itemClass.c_str(), text.c_str(), item->style, item->x, item->y, item->cx, item->cy);
    }
    return 0;
}

HWND waitForDialog(const char* title = dialogTitle) {
    HWND dialog = nullptr;
    // A dialog is shown once its initialisation is done.
    if (waitUntil([&] {
            dialog = FindWindowA(reinterpret_cast<LPCSTR>(32770), title);
            return dialog != nullptr && IsWindowVisible(dialog);
        }))
        return dialog;
    std::printf("no window \"%s\"\n", title);
    return nullptr;
}

BOOL CALLBACK printControl(HWND control, LPARAM) {
    char className[64] = "";
    char text[256] = "";
    GetClassNameA(control, className, sizeof className);
    GetWindowTextA(control, text, sizeof text);
    if (text[0] != 0) std::printf("%s \"%s\"\n", className, text);
    return TRUE;
}

int showMessage(const char* caption) {
    HWND box = waitForDialog(caption);
    if (box == nullptr) return 1;
    EnumChildWindows(box, printControl, 0);
    return 0;
}

int showState() {
    HWND dialog = waitForDialog();
    if (dialog == nullptr) return 1;
    for (int box : {timeBox, speedBox, monitorsBox}) {
        char text[64] = "";
        GetDlgItemTextA(dialog, box, text, sizeof text);
        std::printf("box %d selected %ld of %ld \"%s\"\n", box,
                    static_cast<long>(SendDlgItemMessageA(dialog, box, CB_GETCURSEL, 0, 0)),
                    static_cast<long>(SendDlgItemMessageA(dialog, box, CB_GETCOUNT, 0, 0)), text);
    }
    std::printf("checks");
    for (int box : checkBoxes) std::printf(" %u", IsDlgButtonChecked(dialog, box));
    std::printf("\n");
    return 0;
}

int setState(char** values) {
    HWND dialog = waitForDialog();
    if (dialog == nullptr) return 1;
    SendDlgItemMessageA(dialog, timeBox, CB_SETCURSEL, std::atoi(values[0]), 0);
    SendDlgItemMessageA(dialog, speedBox, CB_SETCURSEL, std::atoi(values[1]), 0);
    for (int i = 0; i < 5; ++i) CheckDlgButton(dialog, checkBoxes[i], std::atoi(values[2 + i]) ? BST_CHECKED : BST_UNCHECKED);
    SendDlgItemMessageA(dialog, monitorsBox, CB_SETCURSEL, std::atoi(values[7]), 0);
    return showState();
}
}  // namespace

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc == 3 && std::strcmp(argv[1], "template") == 0) return dumpTemplate(argv[2]);
    if (argc == 2 && std::strcmp(argv[1], "state") == 0) return showState();
    if (argc == 10 && std::strcmp(argv[1], "set") == 0) return setState(argv + 2);
    if (argc == 3 && std::strcmp(argv[1], "message") == 0) return showMessage(argv[2]);
    std::fprintf(stderr, "usage: dialog_probe template SCR | state | set T S B M W R F N | message CAPTION\n");
    return 2;
}
