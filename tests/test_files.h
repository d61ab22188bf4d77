#pragma once

#include <string>

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
};

// Runs a shell command line, capturing both output streams and the exit status.
CommandResult runCommand(const std::string& commandLine);
// Runs kvtool with the given (already quoted) arguments.
CommandResult runKvtool(const std::string& arguments);
// Single-quotes a string for the shell.
std::string shellQuote(const std::string& text);
