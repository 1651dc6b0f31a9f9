#pragma once
// A real child process for system tests: its stdout goes to a file that the
// test reads while it runs.
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace velorin::test {

class CChildProcess {
public:
    CChildProcess() = default;
    ~CChildProcess();
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    // `env` entries are added to (or replace those of) the test's environment.
    bool Start(const std::filesystem::path& program, const std::vector<std::string>& args,
               const std::map<std::string, std::string>& env,
               const std::filesystem::path& outputFile);
    // The exit code (128 + n for a signal), or nothing when it still runs after `timeout`.
    std::optional<int> Wait(std::chrono::milliseconds timeout);
    void Signal(int sig);
    std::string Output() const;
    // Waits until the output holds `text`; false after `timeout`.
    bool WaitForOutput(const std::string& text, std::chrono::milliseconds timeout) const;
    bool Running() const { return pid_ > 0; }

private:
    pid_t pid_ = -1;
    std::filesystem::path output_;
};

struct RunResult {
    int exitCode = -1;
    std::string output;
};

// Runs a program to its end (killing it after `timeout`) and returns its stdout.
RunResult RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                     const std::map<std::string, std::string>& env,
                     std::chrono::milliseconds timeout = std::chrono::seconds(30));

}  // namespace velorin::test
