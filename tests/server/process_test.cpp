// The real brakkon-scored program: its exit codes, and an accepted result surviving kill -9.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "server/server_fixture.h"

namespace brakkon::server::testing {
namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Starts the program with `args`, its output going to the two files; returns its pid.
pid_t Spawn(const std::vector<std::string>& args, const std::filesystem::path& out,
            const std::filesystem::path& err) {
  std::vector<std::string> all{BRAKKON_SCORED_PATH};
  all.insert(all.end(), args.begin(), args.end());
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

struct Finished {
  int exitCode;
  std::string out;
  std::string err;
};

Finished RunToEnd(const std::vector<std::string>& args) {
  TempFolder folder;
  const pid_t pid = Spawn(args, folder.Path() / "out", folder.Path() / "err");
  const int code = WaitForExit(pid);
  return {code, ReadFile(folder.Path() / "out"), ReadFile(folder.Path() / "err")};
}

// The server program on a free port of 127.0.0.1, serving `database`.
class RunningServer {
 public:
  RunningServer(const std::filesystem::path& database, const std::filesystem::path& log)
      : log_(log) {
    pid_ =
        Spawn({"--listen", "127.0.0.1:0", "--db", database.string()}, log.string() + ".out", log);
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
  ~RunningServer() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      WaitForExit(pid_);
    }
  }
  int Port() const { return port_; }
  // Sends `signal` and returns the exit code the program ended with.
  int End(int signal) {
    kill(pid_, signal);
    const int code = WaitForExit(pid_);
    pid_ = 0;
    return code;
  }

 private:
  std::filesystem::path log_;
  pid_t pid_ = 0;
  int port_ = 0;
};

TEST(ProcessTest, AnAcceptedResultSurvivesKillNine) {
  TempFolder folder;
  const std::filesystem::path database = folder.Path() / "scores.db";
  std::string inf;
  {
    RunningServer server(database, folder.Path() / "first.log");
    ASSERT_NE(server.Port(), 0) << ReadFile(folder.Path() / "first.log");
    httplib::Client client("127.0.0.1", server.Port());
    const httplib::Result version = client.Get("/cgi/version.pl?version&prg=Brakkon");
    ASSERT_TRUE(version);
    inf = EncodedResult("SURVIVOR", 4242 - 2, records::VersionReplyP(version->body), "ICELAND");
    const httplib::Result accepted = client.Get(kSubmitPath + inf);
    ASSERT_TRUE(accepted);
    ASSERT_EQ(accepted->status, 200) << accepted->body;
    EXPECT_EQ(server.End(SIGKILL), 128 + SIGKILL);
  }
  RunningServer again(database, folder.Path() / "second.log");
  ASSERT_NE(again.Port(), 0) << ReadFile(folder.Path() / "second.log");
  httplib::Client client("127.0.0.1", again.Port());
  const httplib::Result page = client.Get(kTablePath);
  ASSERT_TRUE(page);
  EXPECT_NE(page->body.find("<td>SURVIVOR</td><td class=\"n\">4240</td><td>ICELAND</td>"),
            std::string::npos)
      << page->body;
  // The used p came through as well.
  const httplib::Result replay = client.Get(kSubmitPath + inf);
  ASSERT_TRUE(replay);
  EXPECT_EQ(replay->body, "p has already been used\n");
  EXPECT_EQ(again.End(SIGTERM), 0);
  EXPECT_NE(ReadFile(folder.Path() / "second.log")
                .find("GET /cgi/version.pl?prg=Brakkon&show&type=0 200"),
            std::string::npos);
}

TEST(ProcessTest, PrintsTheProtocolAndRefusesBadArguments) {
  const Finished protocol = RunToEnd({"--print-protocol"});
  EXPECT_EQ(protocol.exitCode, 0);
  EXPECT_EQ(protocol.out, "alphabet=" + std::string(records::kScoreAlphabet) +
                              "\nkey=" + std::string(1, records::kScoreKey) + "\n");

  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--listen", "nowhere"}, {"--port", "80"}}) {
    const Finished refused = RunToEnd(args);
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.out.empty());
    EXPECT_NE(refused.err.find("usage: brakkon-scored"), std::string::npos) << refused.err;
  }

  TempFolder folder;
  const Finished unopenable = RunToEnd({"--db", (folder.Path() / "no/such/dir/x.db").string()});
  EXPECT_EQ(unopenable.exitCode, 1);
  EXPECT_NE(unopenable.err.find("cannot open database"), std::string::npos) << unopenable.err;
}

}  // namespace
}  // namespace brakkon::server::testing
