// Starting the real server program for the tests, and reading what it wrote.
#include "server/server_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "server/server_fixture.h"

namespace brakkon::server::testing {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

pid_t Spawn(const std::vector<std::string>& args, const std::filesystem::path& out,
            const std::filesystem::path& err) {
  std::vector<std::string> all{BRAKKON_SCORED_PATH};
  all.insert(all.end(), args.begin(), args.end());
  return SpawnProgram(all, out, err);
}

pid_t SpawnProgram(std::vector<std::string> all, const std::filesystem::path& out,
                   const std::filesystem::path& err) {
  std::vector<char*> argv;
  for (std::string& arg : all) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const std::string outPath = out.string();
  const std::string errPath = err.string();
  const pid_t pid = fork();
  if (pid == 0) {
    // Only async-signal-safe calls between fork and exec.
    const int outFd = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int errFd = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (outFd < 0 || errFd < 0) _exit(127);
    dup2(outFd, 1);
    dup2(errFd, 2);
    execv(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

int WaitForExit(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

Finished RunToEnd(const std::vector<std::string>& args) {
  TempFolder folder;
  const pid_t pid = Spawn(args, folder.Path() / "out", folder.Path() / "err");
  const int code = WaitForExit(pid);
  return {code, ReadFile(folder.Path() / "out"), ReadFile(folder.Path() / "err")};
}

RunningServer::RunningServer(const std::string& database, const std::filesystem::path& log,
                             const std::vector<std::string>& extraArgs)
    : log_(log) {
  std::vector<std::string> args{"--listen", "127.0.0.1:0", "--db", database};
  args.insert(args.end(), extraArgs.begin(), extraArgs.end());
  pid_ = Spawn(args, log.string() + ".out", log);
  const std::string ready = "listening on 127.0.0.1:";
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (port_ == 0 && std::chrono::steady_clock::now() < deadline) {
    const std::string text = ReadFile(log);
    const std::size_t at = text.find(ready);
    const std::size_t end = at == std::string::npos ? at : text.find('\n', at);
    if (end != std::string::npos) {
      port_ = std::stoi(text.substr(at + ready.size(), end - at - ready.size()));
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
}

RunningServer::~RunningServer() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    WaitForExit(pid_);
  }
}

int RunningServer::End(int signal) {
  kill(pid_, signal);
  const int code = WaitForExit(pid_);
  pid_ = 0;
  return code;
}

}  // namespace brakkon::server::testing
