#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

// Programs the end-to-end tests start and stop, and the private X server they
// draw on.

bool onPath(const char* program);

// Starts a program (searched on the PATH) with settings added to its
// environment. Its standard output goes into the file `output` when given, and
// its standard error into `errors`, or after the output when that is empty;
// `workingDirectory` is where it runs (empty: here). Returns its pid.
pid_t spawn(const std::vector<std::string>& args, const std::vector<std::string>& environment,
            const std::string& output = "", const std::string& errors = "", const std::string& workingDirectory = "");
// Waits for a child up to `limit`; its exit status (128 + the signal when one
// ended it), or -1 while it still runs.
int waitFor(pid_t pid, std::chrono::milliseconds limit);
// Asks a child to end, then makes it.
void stopProcess(pid_t pid);

// An Xvfb of its own: it picks a free display itself and names it, so test
// processes that ctest runs side by side never share one. It does not reset
// when a client leaves, so the next connection is never refused mid-reset.
class XServer {
public:
    XServer();  // started, or not running when Xvfb is missing or fails
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    bool running() const { return pid_ != 0; }
    const std::string& display() const { return display_; }

private:
    pid_t pid_ = 0;
    std::string display_;
};
