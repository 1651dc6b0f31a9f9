#include "support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <thread>

#include "support/temp_folder.h"

extern char** environ;

namespace velorin::test {

CChildProcess::~CChildProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

bool CChildProcess::Start(const std::filesystem::path& program,
                          const std::vector<std::string>& args,
                          const std::map<std::string, std::string>& env,
                          const std::filesystem::path& outputFile) {
    output_ = outputFile;
    std::vector<std::string> argv = {program.string()};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> argp;
    for (auto& a : argv) argp.push_back(a.data());
    argp.push_back(nullptr);

    std::map<std::string, std::string> merged;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        size_t eq = entry.find('=');
        if (eq != std::string::npos) merged[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    for (auto& [k, v] : env) merged[k] = v;
    std::vector<std::string> envs;
    for (auto& [k, v] : merged) envs.push_back(k + "=" + v);
    std::vector<char*> envp;
    for (auto& e : envs) envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    int rc = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) pid_ = -1;
    return rc == 0;
}

std::optional<int> CChildProcess::Wait(std::chrono::milliseconds timeout) {
    if (pid_ <= 0) return std::nullopt;
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        pid_t r = waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            pid_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void CChildProcess::Signal(int sig) {
    if (pid_ > 0) kill(pid_, sig);
}

std::string CChildProcess::Output() const {
    return ReadFile(output_);
}

bool CChildProcess::WaitForOutput(const std::string& text,
                                  std::chrono::milliseconds timeout) const {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (Output().find(text) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return Output().find(text) != std::string::npos;
}

RunResult RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                     const std::map<std::string, std::string>& env,
                     std::chrono::milliseconds timeout) {
    CTempFolder folder;
    CChildProcess child;
    RunResult result;
    if (!child.Start(program, args, env, folder / "out.txt")) return result;
    std::optional<int> code = child.Wait(timeout);
    if (!code) {
        child.Signal(SIGKILL);
        code = child.Wait(std::chrono::seconds(5));
    }
    result.exitCode = code.value_or(-1);
    result.output = child.Output();
    return result;
}

}  // namespace velorin::test
