#include "test_files.h"

#include <png.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "kvss-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a temporary directory");
    root_ = pattern;
}

TempDir::~TempDir() {
    std::error_code error;
    fs::remove_all(root_, error);
}

std::string TempDir::write(const std::string& name, const Bytes& bytes) const {
    const std::string file = path(name);
    writeFileBytes(file, bytes);
    return file;
}

std::string shellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') quoted += "'\\''";
        else quoted += c;
    }
    return quoted + "'";
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

CommandResult runCommand(const std::string& commandLine) {
    TempDir scratch;
    const std::string out = scratch.path("out");
    const std::string err = scratch.path("err");
    const std::string full = commandLine + " >" + shellQuote(out) + " 2>" + shellQuote(err) + " </dev/null";
    // Spawned and waited for with wait4, whose usage covers the shell and the
    // command it ran: the peak memory is the command's.
    const char* const arguments[] = {"sh", "-c", full.c_str(), nullptr};
    pid_t child = 0;
    int raw = -1;
    rusage usage{};
    if (posix_spawn(&child, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(arguments), environ) == 0) {
        while (wait4(child, &raw, 0, &usage) < 0 && errno == EINTR) {
        }
    }
    CommandResult result;
    result.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.peakKilobytes = usage.ru_maxrss;
    result.out = slurp(out);
    result.err = slurp(err);
    return result;
}

CommandResult runKvtool(const std::string& arguments) {
    return runCommand(shellQuote(KVTOOL_PATH) + " " + arguments);
}

Png readPng(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    Png png;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        ADD_FAILURE() << path << ": " << image.message;
        return png;
    }
    image.format = PNG_FORMAT_RGBA;
    png.width = static_cast<int>(image.width);
    png.height = static_cast<int>(image.height);
    png.rgba.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, png.rgba.data(), 0, nullptr)) ADD_FAILURE() << image.message;
    return png;
}

int wordGaps(const std::vector<bool>& textColumns, int spaceAdvance) {
    int gaps = 0, blank = 0;
    bool textSeen = false;
    for (const bool text : textColumns) {
        if (!text) {
            ++blank;
            continue;
        }
        if (textSeen && blank >= spaceAdvance) ++gaps;
        textSeen = true;
        blank = 0;
    }
    return gaps;
}
