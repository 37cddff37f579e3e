// A private PostgreSQL cluster for one test: its own folder, its own socket, no TCP port.
#pragma once

#include <filesystem>
#include <string>

#include "server/server_fixture.h"

namespace brakkon::server::testing {

// Made with Debian's postgresql binaries (initdb, pg_ctl), run as `nobody` when the test runs
// as root, since PostgreSQL refuses to run as root. Stopped and removed with the object.
class PostgresCluster {
 public:
  PostgresCluster();
  ~PostgresCluster();
  PostgresCluster(const PostgresCluster&) = delete;
  PostgresCluster& operator=(const PostgresCluster&) = delete;

  // A libpq URI for `database` in this cluster, over its socket folder.
  std::string Uri(const std::string& database = "scores") const;
  void CreateDatabase(const std::string& database);
  // Runs SQL through psql and returns what it printed (unaligned, tuples only).
  std::string Psql(const std::string& sql, const std::string& database = "scores");
  bool Running() const { return running_; }
  const std::filesystem::path& Folder() const { return folder_.Path(); }

 private:
  std::string Tool(const std::string& name) const;

  TempFolder folder_;
  std::filesystem::path bin_;
  bool running_ = false;
};

// Runs `command` through the shell; returns its exit code and, in `output`, its standard output.
int RunCommand(const std::string& command, std::string* output = nullptr);

}  // namespace brakkon::server::testing
