// kvss-viewer for Linux: the model viewer as a program of its own.
#include <cstdio>
#include <exception>

#include "options/command_line.h"
#include "host/x11/x11_viewer.h"
#include "viewer/bindings.h"

int main(int argc, char** argv) {
    KvssOptions options;
    std::string help;
    try {
        options = parseViewerOptions(argc, argv, help);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kvss-viewer: %s\nRun kvss-viewer --help for the options.\n", error.what());
        return 1;
    }
    if (options.helpShown) {
        std::fputs(help.c_str(), stdout);
        std::fputs(("\nKeys and mouse:\n" + inspectorKeyTable()).c_str(), stdout);
        return 0;
    }
    return inspectorMain(options);
}
