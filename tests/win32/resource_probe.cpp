// Reads kvss.scr's manifest and version resource back as Windows reads them.
//   resource_probe manifest SCR   the RT_MANIFEST resources, then what the loader makes of
//                                 resource 1: settings, run level, supported systems and the
//                                 common controls version it binds
//   resource_probe version SCR    the fixed version and the version strings
// Exits 1 when something is missing.
#define _WIN32_WINNT 0x0A00
#define WINVER 0x0A00
#include <windows.h>

#include <cctype>
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace {
std::string narrow(const WCHAR* text) {
    std::string result;
    for (; *text != 0; ++text) result += *text < 128 ? static_cast<char>(*text) : '?';
    return result;
}

std::wstring widen(const char* text) {
    std::wstring result;
    for (; *text != 0; ++text) result += static_cast<WCHAR>(static_cast<unsigned char>(*text));
    return result;
}

BOOL CALLBACK countLanguage(HMODULE, LPCWSTR, LPCWSTR name, WORD language, LONG_PTR) {
    if (IS_INTRESOURCE(name))
        std::printf("RT_MANIFEST %u language 0x%04x\n", static_cast<unsigned>(reinterpret_cast<uintptr_t>(name)), language);
    else
        std::printf("RT_MANIFEST \"%s\" language 0x%04x\n", narrow(name).c_str(), language);
    return TRUE;
}

BOOL CALLBACK listManifest(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR) {
    EnumResourceLanguagesW(module, type, name, countLanguage, 0);
    return TRUE;
}

void printSetting(HANDLE context, const wchar_t* schema, const wchar_t* name) {
    WCHAR value[128] = L"";
    SIZE_T length = 0;
    if (QueryActCtxSettingsW(0, context, schema, name, value, ARRAYSIZE(value), &length))
        std::printf("setting %s \"%s\"\n", narrow(name).c_str(), narrow(value).c_str());
    else
        std::printf("setting %s none\n", narrow(name).c_str());
}

void printRunLevel(HANDLE context) {
    ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION level{};
    if (!QueryActCtxW(0, context, nullptr, RunlevelInformationInActivationContext, &level, sizeof level, nullptr)) {
        std::printf("run level unknown\n");
        return;
    }
    static const char* const names[] = {"unspecified", "asInvoker", "highestAvailable", "requireAdministrator"};
    const unsigned index = level.RunLevel;
    std::printf("run level %s uiAccess %lu\n", index < 4 ? names[index] : "?", level.UiAccess);
}

// The layout of today's SDK, which both Windows 10 and Wine return: mingw's
// headers still lack the MaxVersionTested field.
struct CompatibilityElement {
    GUID id;
    DWORD type;
    ULONGLONG maxVersionTested;
};
struct CompatibilityInformation {
    DWORD count;
    CompatibilityElement elements[1];
};

void printSupportedSystems(HANDLE context) {
    SIZE_T size = 0;
    QueryActCtxW(0, context, nullptr, CompatibilityInformationInActivationContext, nullptr, 0, &size);
    std::vector<ULONGLONG> buffer(size / sizeof(ULONGLONG) + 1);
    const auto* information = reinterpret_cast<const CompatibilityInformation*>(buffer.data());
    if (size < sizeof(DWORD) || !QueryActCtxW(0, context, nullptr, CompatibilityInformationInActivationContext,
                                               buffer.data(), buffer.size() * sizeof(ULONGLONG), nullptr)) {
        std::printf("supportedOS none\n");
        return;
    }
    const DWORD fit = (size - offsetof(CompatibilityInformation, elements)) / sizeof(CompatibilityElement);
    for (DWORD i = 0; i < information->count && i < fit; ++i) {
        if (information->elements[i].type != ACTCTX_COMPATIBILITY_ELEMENT_TYPE_OS) continue;
        const GUID& id = information->elements[i].id;
        std::printf("supportedOS {%08lx-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}\n", id.Data1, id.Data2, id.Data3,
                    id.Data4[0], id.Data4[1], id.Data4[2], id.Data4[3], id.Data4[4], id.Data4[5], id.Data4[6],
                    id.Data4[7]);
    }
}

// Where comctl32 comes from inside the context: version 6 is bound side by side,
// from the WinSxS folder; without the dependency it is the system folder's version 5.
void printCommonControls(HANDLE context) {
    ULONG_PTR cookie = 0;
    if (!ActivateActCtx(context, &cookie)) {
        std::printf("comctl32 not activated\n");
        return;
    }
    HMODULE comctl = LoadLibraryW(L"comctl32.dll");
    WCHAR path[MAX_PATH] = L"";
    if (comctl != nullptr) GetModuleFileNameW(comctl, path, MAX_PATH);
    std::string where = narrow(path);
    for (char& c : where) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const bool sideBySide = where.find("\\winsxs\\") != std::string::npos &&
                            where.find("microsoft.windows.common-controls_6595b64144ccf1df_6.") != std::string::npos;
    std::printf("comctl32 %s\n", sideBySide ? "6 side by side" : comctl ? "from the system folder" : "missing");
    DeactivateActCtx(0, cookie);
}

int showManifest(const char* path) {
    const std::wstring file = widen(path);
    HMODULE module = LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) {
        std::printf("cannot load %s\n", path);
        return 1;
    }
    EnumResourceNamesW(module, MAKEINTRESOURCEW(24), listManifest, 0);
    FreeLibrary(module);

    ACTCTXW request{sizeof request};
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = file.c_str();
    request.lpResourceName = MAKEINTRESOURCEW(1);
    HANDLE context = CreateActCtxW(&request);
    if (context == INVALID_HANDLE_VALUE) {
        std::printf("manifest 1 rejected by the loader, error %lu\n", GetLastError());
        return 1;
    }
    printSetting(context, L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware");
    printSetting(context, L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness");
    printRunLevel(context);
    printSupportedSystems(context);
    printCommonControls(context);
    ReleaseActCtx(context);
    return 0;
}

int showVersion(const char* path) {
    const std::wstring file = widen(path);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
    std::vector<BYTE> data(size);
    if (size == 0 || !GetFileVersionInfoW(file.c_str(), 0, size, data.data())) {
        std::printf("no version resource\n");
        return 1;
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && fixed != nullptr) {
        const auto part = [](DWORD pair, bool high) { return static_cast<unsigned>(high ? HIWORD(pair) : LOWORD(pair)); };
        std::printf("file version %u.%u.%u.%u product version %u.%u.%u.%u type %lu\n",
                    part(fixed->dwFileVersionMS, true), part(fixed->dwFileVersionMS, false),
                    part(fixed->dwFileVersionLS, true), part(fixed->dwFileVersionLS, false),
                    part(fixed->dwProductVersionMS, true), part(fixed->dwProductVersionMS, false),
                    part(fixed->dwProductVersionLS, true), part(fixed->dwProductVersionLS, false), fixed->dwFileType);
    }
    WORD* translation = nullptr;
    if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) ||
        length < 4) {
        std::printf("no translation\n");
        return 1;
    }
    std::printf("translation %04x %u\n", translation[0], translation[1]);
    for (const wchar_t* name : {L"FileDescription", L"ProductName", L"FileVersion", L"ProductVersion", L"OriginalFilename"}) {
        wchar_t block[96];
        wsprintfW(block, L"\\StringFileInfo\\%04x%04x\\%s", translation[0], translation[1], name);
        WCHAR* value = nullptr;
        if (VerQueryValueW(data.data(), block, reinterpret_cast<void**>(&value), &length) && value != nullptr)
            std::printf("%s \"%s\"\n", narrow(name).c_str(), narrow(value).c_str());
        else
            std::printf("%s missing\n", narrow(name).c_str());
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "manifest" && argc == 3) return showManifest(argv[2]);
    if (command == "version" && argc == 3) return showVersion(argv[2]);
    std::fprintf(stderr, "usage: resource_probe manifest SCR | version SCR\n");
    return 2;
}
