#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/message.h"

#include "forge/byte_writer.h"

// A fresh directory under the system's temporary folder, removed with everything
// in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string path(const std::string& name) const { return root_ + "/" + name; }
    // Writes `bytes` as the file `name` and returns its path.
    std::string write(const std::string& name, const Bytes& bytes) const;
    const std::string& root() const { return root_; }

private:
    std::string root_;
};

struct CommandResult {
    int status = -1;
    std::string out;
    std::string err;
    long peakKilobytes = 0;  // the most memory the command held at once (resident)
};

// The whole file as bytes; empty when it cannot be read.
std::string slurp(const std::string& path);

// Runs a shell command line, capturing both output streams and the exit status.
CommandResult runCommand(const std::string& commandLine);
// Runs kvtool with the given (already quoted) arguments.
CommandResult runKvtool(const std::string& arguments);
// Single-quotes a string for the shell.
std::string shellQuote(const std::string& text);

// Expects `body` to throw exactly the message text `text`.
template <class Body>
void expectMessage(const char* text, Body&& body) {
    try {
        body();
        ADD_FAILURE() << "expected \"" << text << "\"";
    } catch (Message message) {
        EXPECT_STREQ(message, text);
    }
}

using Rgba = std::array<uint8_t, 4>;

// A PNG file read back as RGBA.
struct Png {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;

    Rgba at(int x, int y) const {
        const uint8_t* p = rgba.data() + (static_cast<size_t>(y) * width + x) * 4;
        return {p[0], p[1], p[2], p[3]};
    }
};
// Reads a PNG file (a failure is reported to the running test).
Png readPng(const std::string& path);

// The gaps of blank columns at least `spaceAdvance` pixels wide between the
// first and the last column that holds text (`textColumns[x]`): in a line of
// overlay text, one for each space, since letters of a word stand closer.
int wordGaps(const std::vector<bool>& textColumns, int spaceAdvance);
