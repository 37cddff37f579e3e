// Starting and stopping the tests' private PostgreSQL clusters.
#include "server/postgres_cluster.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdio>

namespace brakkon::server::testing {
namespace {

// Any number names the socket file; nothing listens on TCP.
constexpr int kPort = 5432;

// The newest installed server's binaries: Debian keeps them off PATH.
std::filesystem::path FindBinaries() {
  std::filesystem::path best;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/usr/lib/postgresql", error)) {
    if (std::filesystem::exists(entry.path() / "bin" / "pg_ctl") &&
        (best.empty() ||
         entry.path().filename().string() > best.parent_path().filename().string())) {
      best = entry.path() / "bin";
    }
  }
  return best;
}

}  // namespace

int RunCommand(const std::string& command, std::string* output) {
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  std::array<char, 4096> buffer{};
  std::string text;
  while (const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe))
    text.append(buffer.data(), n);
  const int status = pclose(pipe);
  if (output) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

PostgresCluster::PostgresCluster() : bin_(FindBinaries()) {
  if (bin_.empty()) {
    ADD_FAILURE() << "no PostgreSQL server under /usr/lib/postgresql (apt-get install postgresql)";
    return;
  }
  // The server runs as nobody, who must be able to write here.
  chmod(folder_.Path().c_str(), 0777);
  const std::string dir = folder_.Path().string();
  std::string out;
  if (RunCommand(Tool("initdb") + " -D " + dir + "/data -U brakkon --auth=trust --no-sync 2>&1",
                 &out) != 0) {
    ADD_FAILURE() << "initdb failed: " << out;
    return;
  }
  // fsync=off: the tests kill processes, never the machine, and share a busy disk.
  const std::string start = Tool("pg_ctl") + " -D " + dir + "/data -o \"-k " + dir + " -p " +
                            std::to_string(kPort) +
                            " -c listen_addresses='' -c fsync=off -c max_connections=200\" -l " +
                            dir + "/pg.log start -w -t 60 2>&1";
  if (RunCommand(start, &out) != 0) {
    std::string log;
    RunCommand("cat " + dir + "/pg.log", &log);
    ADD_FAILURE() << "pg_ctl start failed: " << out << log;
    return;
  }
  running_ = true;
  CreateDatabase("scores");
}

PostgresCluster::~PostgresCluster() {
  if (running_) {
    RunCommand(Tool("pg_ctl") + " -D " + folder_.Path().string() +
               "/data stop -m immediate >/dev/null 2>&1");
  }
}

std::string PostgresCluster::Tool(const std::string& name) const {
  const std::string path = (bin_ / name).string();
  return geteuid() == 0 ? "runuser -u nobody -- " + path : path;
}

std::string PostgresCluster::Uri(const std::string& database) const {
  return "postgresql:///" + database + "?host=" + folder_.Path().string() +
         "&port=" + std::to_string(kPort) + "&user=brakkon";
}

void PostgresCluster::CreateDatabase(const std::string& database) {
  std::string out;
  if (RunCommand(Tool("createdb") + " -h " + folder_.Path().string() + " -p " +
                     std::to_string(kPort) + " -U brakkon " + database + " 2>&1",
                 &out) != 0) {
    ADD_FAILURE() << "createdb failed: " << out;
  }
}

std::string PostgresCluster::Psql(const std::string& sql, const std::string& database) {
  std::string out;
  const int code = RunCommand(Tool("psql") + " -X -q -At -v ON_ERROR_STOP=1 -h " +
                                  folder_.Path().string() + " -p " + std::to_string(kPort) +
                                  " -U brakkon -d " + database + " -c \"" + sql + "\" 2>&1",
                              &out);
  if (code != 0) ADD_FAILURE() << "psql failed: " << out;
  return out;
}

}  // namespace brakkon::server::testing
