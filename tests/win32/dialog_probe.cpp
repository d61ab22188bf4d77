// Looks at kvss.scr's resources and at its running configuration dialog.
//   dialog_probe template SCR     the string, the icon and dialog 2003's template, decoded
//   dialog_probe state            the open dialog's selections, check boxes and game row
//   dialog_probe set T S B M W R F N selects entries T and S, sets the five boxes, selects monitors entry N
//   dialog_probe message CAPTION  the texts of a message box
//   dialog_probe browse FOLDER    presses Browse..., types the folder into the picker and
//                                 opens it; the game row after, or the message refusing it (then closed)
//   dialog_probe press ID         clicks the dialog's button ID
//   dialog_probe fit SCR          measures every text of the open dialog in the dialog's
//                                 font against its control's room
// Waits up to 90 s for a window; exits 1 when something is missing or a text does not fit.
#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "wait_until.h"

namespace {
constexpr const char* dialogTitle = "Korvane Screensaver";
constexpr int timeBox = 1006;
constexpr int speedBox = 1000;
constexpr int checkBoxes[] = {1001, 1002, 1003, 1004, 1005};
constexpr int monitorsBox = 1007;
constexpr int gameFolder = 1008;
constexpr int gameSource = 1009;
constexpr int browseButton = 1010;
constexpr const char* pickerTitle = "Choose the folder Korvane is installed in";

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

struct TemplateItem {
    int id;
    std::string itemClass, text;
    DWORD style;
    int x, y, cx, cy;
};
struct DialogTemplate {
    std::string description, icon, menu, windowClass, caption, face;
    DWORD style = 0, extendedStyle = 0;
    int x = 0, y = 0, cx = 0, cy = 0, points = 0;
    std::vector<TemplateItem> items;
};

// The string, the icon and dialog 2003 of the program at `path`, as its resources hold them.
bool loadTemplate(const char* path, DialogTemplate& dialog) {
    HMODULE module = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) {
        std::printf("cannot load %s\n", path);
        return false;
    }
    char description[128] = "";
    LoadStringA(module, 1, description, sizeof description);
    dialog.description = description;
    dialog.icon = FindResourceA(module, MAKEINTRESOURCEA(100), MAKEINTRESOURCEA(14)) ? "present" : "missing";
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(2003), MAKEINTRESOURCEA(5));
    if (resource == nullptr) {
        std::printf("dialog 2003 missing\n");
        return false;
    }
    const auto* base = static_cast<const BYTE*>(LockResource(LoadResource(module, resource)));
    const auto* header = reinterpret_cast<const DLGTEMPLATE*>(base);
    const WORD* p = reinterpret_cast<const WORD*>(header + 1);
    dialog.menu = nameOrOrdinal(p);
    dialog.windowClass = nameOrOrdinal(p);
    dialog.caption = nameOrOrdinal(p);
    dialog.style = header->style;
    dialog.extendedStyle = header->dwExtendedStyle;
    dialog.x = header->x;
    dialog.y = header->y;
    dialog.cx = header->cx;
    dialog.cy = header->cy;
    if (header->style & DS_SETFONT) {
        dialog.points = *p++;
        dialog.face = narrow(reinterpret_cast<const WCHAR*>(p));
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
        dialog.items.push_back({static_cast<short>(item->id), itemClass, text, item->style, item->x, item->y, item->cx, item->cy});
    }
    return true;
}

int dumpTemplate(const char* path) {
    DialogTemplate dialog;
    if (!loadTemplate(path, dialog)) return 1;
    std::printf("string 1 \"%s\"\n", dialog.description.c_str());
    std::printf("icon 100 %s\n", dialog.icon.c_str());
    std::printf("dialog style 0x%08lx exstyle 0x%lx at %d,%d size %dx%d menu %s class %s caption %s\n", dialog.style,
                dialog.extendedStyle, dialog.x, dialog.y, dialog.cx, dialog.cy, dialog.menu.c_str(),
                dialog.windowClass.c_str(), dialog.caption.c_str());
    if (!dialog.face.empty()) std::printf("font %d \"%s\"\n", dialog.points, dialog.face.c_str());
    for (const TemplateItem& item : dialog.items)
        std::printf("control %d class %s text %s style 0x%08lx at %d,%d size %dx%d\n", item.id, item.itemClass.c_str(),
                    item.text.c_str(), item.style, item.x, item.y, item.cx, item.cy);
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
    char folder[1024] = "", source[256] = "";
    GetDlgItemTextA(dialog, gameFolder, folder, sizeof folder);
    GetDlgItemTextA(dialog, gameSource, source, sizeof source);
    std::printf("game \"%s\" %s\n", folder, source);
    return 0;
}

// The first visible child of `parent` of that class.
HWND childOfClass(HWND parent, const char* wanted) {
    struct Search {
        const char* wanted;
        HWND found;
    } search{wanted, nullptr};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM data) -> BOOL {
            auto* search = reinterpret_cast<Search*>(data);
            char name[64] = "";
            GetClassNameA(child, name, sizeof name);
            if (lstrcmpiA(name, search->wanted) != 0 || !IsWindowVisible(child)) return TRUE;
            search->found = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A message box that the dialog owns (it has the dialog's caption).
HWND messageOver(HWND dialog) {
    HWND box = nullptr;
    while ((box = FindWindowExA(nullptr, box, reinterpret_cast<LPCSTR>(32770), dialogTitle)) != nullptr)
        if (box != dialog && GetWindow(box, GW_OWNER) == dialog && IsWindowVisible(box)) return box;
    return nullptr;
}

int browse(const char* folder) {
    HWND dialog = waitForDialog();
    if (dialog == nullptr) return 1;
    // Posted: the button's click runs the picker's own message loop.
    PostMessageA(GetDlgItem(dialog, browseButton), BM_CLICK, 0, 0);
    HWND picker = waitForDialog(pickerTitle);
    if (picker == nullptr) return 1;
    HWND name = nullptr;
    if (!waitUntil([&] { return (name = childOfClass(picker, "Edit")) != nullptr; })) {
        std::printf("no file name field in the picker\n");
        return 1;
    }
    SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder));
    PostMessageA(GetDlgItem(picker, IDOK), BM_CLICK, 0, 0);
    HWND box = nullptr;
    if (!waitUntil([&] { return !IsWindow(picker) || (box = messageOver(dialog)) != nullptr; })) {
        std::printf("the picker stayed open\n");
        return 1;
    }
    // A refusal comes as a message box, while the picker may still be closing.
    waitUntil([&] { return (box = messageOver(dialog)) != nullptr; }, 3000);
    if (box != nullptr) {
        std::printf("refused ");
        EnumChildWindows(box, printControl, 0);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        return waitUntil([&] { return !IsWindow(box); }) ? 0 : 1;
    }
    return showState();
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
// -- fit: every text within its control ------------------------------------------

// The text's width and height in the font selected into `dc`, on one line.
SIZE textSize(HDC dc, const std::wstring& text, bool prefix) {
    RECT box{0, 0, 0, 0};
    DrawTextW(dc, text.c_str(), -1, &box, DT_CALCRECT | DT_SINGLELINE | (prefix ? 0 : DT_NOPREFIX));
    return {box.right - box.left, box.bottom - box.top};
}

struct Fit {
    HWND dialog;
    HDC dc;
    int dpi, unitX;  // unitX: the average character width that dialog units are quarters of
    int cut = 0;
};

int scaled(int pixelsAt96, int dpi) { return MulDiv(pixelsAt96, dpi, 96); }

// Room a control's frame takes from its text, as Windows' and Wine's controls draw
// them: a check box's box and the gap after it; a push button's edges; a combo box's
// arrow and edges. Generous on purpose, so that a fit here is a fit there.
int frameOf(const std::string& kind, DWORD style, const Fit& fit) {
    if (kind == "button") {
        const DWORD type = style & BS_TYPEMASK;
        if (type == BS_AUTOCHECKBOX || type == BS_CHECKBOX) return scaled(13, fit.dpi) + fit.unitX;
        return 2 * fit.unitX;
    }
    if (kind == "combobox") return GetSystemMetrics(SM_CXVSCROLL) + scaled(8, fit.dpi);
    return 0;
}

void measure(Fit& fit, HWND control, const std::wstring& text, int need, int needHeight) {
    RECT room{};
    GetClientRect(control, &room);
    const int id = GetDlgCtrlID(control);
    const bool fits = need <= room.right && needHeight <= room.bottom;
    std::printf("%s %d \"%s\" needs %dx%d px, has %ldx%ld\n", fits ? "fits" : "CUT", static_cast<short>(id), narrow(text.c_str()).c_str(),
                need, needHeight, room.right, room.bottom);
    if (!fits) ++fit.cut;
}

BOOL CALLBACK measureControl(HWND control, LPARAM data) {
    Fit& fit = *reinterpret_cast<Fit*>(data);
    char name[64] = "";
    GetClassNameA(control, name, sizeof name);
    std::string kind = name;
    for (char& c : kind) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    // The edit field and list inside a combo box are measured as the combo box.
    if (GetParent(control) != fit.dialog) return TRUE;
    const DWORD style = static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE));
    TEXTMETRICA metrics{};
    GetTextMetricsA(fit.dc, &metrics);

    // Inside the dialog's client area.
    RECT area{}, box{};
    GetClientRect(fit.dialog, &area);
    GetWindowRect(control, &box);
    MapWindowPoints(nullptr, fit.dialog, reinterpret_cast<POINT*>(&box), 2);
    if (box.left < 0 || box.top < 0 || box.right > area.right || box.bottom > area.bottom) {
        std::printf("CUT %d lies at %ld,%ld-%ld,%ld outside the dialog's %ldx%ld\n", static_cast<short>(GetDlgCtrlID(control)),
                    box.left, box.top, box.right, box.bottom, area.right, area.bottom);
        ++fit.cut;
    }

    if (kind == "combobox") {
        const int count = static_cast<int>(SendMessageA(control, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            WCHAR entry[256] = L"";
            SendMessageW(control, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(entry));
            measure(fit, control, entry, textSize(fit.dc, entry, false).cx + frameOf(kind, style, fit), metrics.tmHeight);
        }
        return TRUE;
    }
    WCHAR text[1024] = L"";
    GetWindowTextW(control, text, 1024);
    if (text[0] == 0) return TRUE;
    const bool prefix = kind != "static" || (style & SS_NOPREFIX) == 0;
    const SIZE size = textSize(fit.dc, text, prefix);
    int height = size.cy;
    if (kind == "button" && (style & BS_TYPEMASK) <= BS_DEFPUSHBUTTON) height += scaled(4, fit.dpi);
    // A path gives up its middle rather than its room: only its height must fit.
    const bool elides = kind == "static" && (style & SS_ELLIPSISMASK) != 0;
    measure(fit, control, text, elides ? 0 : size.cx + frameOf(kind, style, fit), height);
    return TRUE;
}

int measureFit(const char* path) {
    DialogTemplate layout;
    if (!loadTemplate(path, layout)) return 1;
    HWND dialog = waitForDialog();
    if (dialog == nullptr) return 1;
    HDC dc = GetDC(dialog);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    // The dialog's font as the dialog manager makes it from the template.
    std::wstring face(layout.face.begin(), layout.face.end());
    HFONT font = CreateFontW(-MulDiv(layout.points, dpi, 72), 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_DONTCARE, face.c_str());
    SelectObject(dc, font);
    SIZE alphabet{};
    const char* letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    GetTextExtentPoint32A(dc, letters, 52, &alphabet);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    Fit fit{dialog, dc, dpi, (alphabet.cx / 26 + 1) / 2};
    std::printf("%d DPI: \"%s\" %d pt, dialog units %dx%d px per 4x8\n", dpi, layout.face.c_str(), layout.points,
                fit.unitX, static_cast<int>(metrics.tmHeight));

    // The same font as the dialog's, or the measures mean nothing: the
    // dialog's own controls are as wide as these units make the template's.
    int checked = 0;
    for (const TemplateItem& item : layout.items) {
        HWND control = GetDlgItem(dialog, item.id);
        if (item.id == -1 || control == nullptr) continue;
        RECT box{};
        GetWindowRect(control, &box);
        const int expected = MulDiv(item.cx, fit.unitX, 4);
        if (std::abs((box.right - box.left) - expected) > 1) {
            std::printf("CUT the probe's font is not the dialog's: control %d is %ld px wide, %d units make %d px\n",
                        item.id, box.right - box.left, item.cx, expected);
            return 1;
        }
        ++checked;
    }
    if (checked == 0) {
        std::printf("CUT no control of the template in the dialog\n");
        return 1;
    }
    EnumChildWindows(dialog, measureControl, reinterpret_cast<LPARAM>(&fit));
    ReleaseDC(dialog, dc);
    DeleteObject(font);
    return fit.cut == 0 ? 0 : 1;
}
}  // namespace

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IONBF, 0);
    // Per-monitor aware as kvss.scr's manifest makes it, so that both see the same pixels.
    using SetAwareness = BOOL(WINAPI*)(HANDLE);
    if (auto set = reinterpret_cast<SetAwareness>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("user32.dll"), "SetProcessDpiAwarenessContext"))))
        set(reinterpret_cast<HANDLE>(-4));  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
    if (argc == 3 && std::strcmp(argv[1], "template") == 0) return dumpTemplate(argv[2]);
    if (argc == 2 && std::strcmp(argv[1], "state") == 0) return showState();
    if (argc == 10 && std::strcmp(argv[1], "set") == 0) return setState(argv + 2);
    if (argc == 3 && std::strcmp(argv[1], "message") == 0) return showMessage(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "browse") == 0) return browse(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "fit") == 0) return measureFit(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "press") == 0) {
        HWND dialog = waitForDialog();
        if (dialog == nullptr) return 1;
        PostMessageA(GetDlgItem(dialog, std::atoi(argv[2])), BM_CLICK, 0, 0);
        return 0;
    }
    std::fprintf(stderr, "usage: dialog_probe template SCR | state | set T S B M W R F N | message CAPTION | "
                         "browse FOLDER | press ID | fit SCR\n");
    return 2;
}
