#include "x_server.h"

#include <X11/Xlib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

using namespace std::chrono_literals;

bool onPath(const char* program) {
    return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

pid_t spawn(const std::vector<std::string>& args, const std::vector<std::string>& environment,
            const std::string& output, const std::string& errors, const std::string& workingDirectory) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (!workingDirectory.empty() && chdir(workingDirectory.c_str()) != 0) _exit(126);
        for (const std::string& setting : environment) putenv(const_cast<char*>(setting.c_str()));
        if (!output.empty()) freopen(output.c_str(), "w", stdout);
        if (!errors.empty()) freopen(errors.c_str(), "w", stderr);
        else if (!output.empty()) freopen(output.c_str(), "a", stderr);
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

int waitFor(pid_t pid, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::this_thread::sleep_for(20ms);
    }
    return -1;
}

void stopProcess(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    if (waitFor(pid, 3s) == -1) {
        kill(pid, SIGKILL);
        waitFor(pid, 3s);
    }
}

XServer::XServer() {
    if (!onPath("Xvfb")) return;
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "800x600x24", "-nolisten", "tcp",
                  "-noreset"},
                 {}, "/dev/null");
    close(fds[1]);
    std::string number;
    char c = 0;
    // Ends at the newline, or when Xvfb exits without naming a display.
    while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (!number.empty()) {
        display_ = ":" + number;
        for (int tries = 0; tries < 100; ++tries) {
            if (Display* d = XOpenDisplay(display_.c_str())) {
                XCloseDisplay(d);
                return;
            }
            std::this_thread::sleep_for(50ms);
        }
    }
    stopProcess(pid_);
    pid_ = 0;
}

XServer::~XServer() { stopProcess(pid_); }
