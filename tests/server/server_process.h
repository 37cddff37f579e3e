// The real brakkon-scored program in tests: started with its arguments, its output in files.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace brakkon::server::testing {

std::string ReadFile(const std::filesystem::path& path);

// Starts the program with `args`, its output going to the two files; returns its pid.
pid_t Spawn(const std::vector<std::string>& args, const std::filesystem::path& out,
            const std::filesystem::path& err);

// Starts any program: `args` begins with its absolute path.
pid_t SpawnProgram(std::vector<std::string> args, const std::filesystem::path& out,
                   const std::filesystem::path& err);

// The exit code, or 128 + the signal that ended it.
int WaitForExit(pid_t pid);

struct Finished {
  int exitCode;
  std::string out;
  std::string err;
};

Finished RunToEnd(const std::vector<std::string>& args);

// The server program on a free port of 127.0.0.1, serving `database`, with `extraArgs`;
// killed with the object unless ended before.
class RunningServer {
 public:
  RunningServer(const std::string& database, const std::filesystem::path& log,
                const std::vector<std::string>& extraArgs = {});
  ~RunningServer();
  RunningServer(const RunningServer&) = delete;
  RunningServer& operator=(const RunningServer&) = delete;

  int Port() const { return port_; }
  pid_t Pid() const { return pid_; }
  std::string Log() const { return ReadFile(log_); }
  // Sends `signal` and returns the exit code the program ended with.
  int End(int signal);

 private:
  std::filesystem::path log_;
  pid_t pid_ = 0;
  int port_ = 0;
};

}  // namespace brakkon::server::testing
