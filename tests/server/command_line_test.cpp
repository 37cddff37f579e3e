// brakkon-scored's arguments: what they set and which ones it refuses.
#include "server/command_line.h"

#include <gtest/gtest.h>

namespace brakkon::server {
namespace {

TEST(CommandLineTest, ReadsTheListenAddressAndDatabase) {
  const struct {
    std::vector<std::string> args;
    CommandKind kind;
    const char* host;
    int port;
    const char* database;
  } cases[] = {
      {{}, CommandKind::kServe, "127.0.0.1", 8642, "scores.db"},
      {{"--listen", "0.0.0.0:80", "--db", "/var/lib/t.db"},
       CommandKind::kServe,
       "0.0.0.0",
       80,
       "/var/lib/t.db"},
      {{"--listen", "localhost:0"}, CommandKind::kServe, "localhost", 0, "scores.db"},
      {{"--listen", "[::1]:65535"}, CommandKind::kServe, "::1", 65535, "scores.db"},
      {{"--listen", "a:1", "--listen", "b:2"}, CommandKind::kServe, "b", 2, "scores.db"},
      {{"--print-protocol"}, CommandKind::kPrintProtocol, "127.0.0.1", 8642, "scores.db"},
      {{"--db", "x", "--help"}, CommandKind::kHelp, "127.0.0.1", 8642, "x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    const Command command = ParseCommandLine(c.args);
    EXPECT_EQ(command.kind, c.kind);
    EXPECT_EQ(command.options.host, c.host);
    EXPECT_EQ(command.options.port, c.port);
    EXPECT_EQ(command.options.databasePath, c.database);
  }
}

TEST(CommandLineTest, RefusesWhatItCannotFollow) {
  const struct {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"--listen"}, "--listen needs a value"},
      {{"--db"}, "--db needs a value"},
      {{"--db", ""}, "--db needs a file name"},
      {{"--listen", "8642"}, "needs ADDR:PORT"},
      {{"--listen", ":8642"}, "needs an address"},
      {{"--listen", "[::1]8642"}, "needs [ADDR]:PORT"},
      {{"--listen", "host:"}, "port from 0 to 65535"},
      {{"--listen", "host:65536"}, "port from 0 to 65535"},
      {{"--listen", "host:-1"}, "port from 0 to 65535"},
      {{"--listen", "host:80x"}, "port from 0 to 65535"},
      {{"--verbose"}, "unknown argument '--verbose'"},
      {{"scores.db"}, "unknown argument 'scores.db'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    try {
      ParseCommandLine(c.args);
      ADD_FAILURE() << "accepted";
    } catch (const UsageError& error) {
      EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
    }
  }
}

TEST(CommandLineTest, ReadsTrustedProxiesAndAdminCommands) {
  const Command proxies =
      ParseCommandLine({"--trusted-proxy", "127.0.0.1", "--trusted-proxy", "::FFFF:10.0.0.1"});
  EXPECT_EQ(proxies.options.trustedProxies, (std::vector<std::string>{"127.0.0.1", "10.0.0.1"}));

  const Command list =
      ParseCommandLine({"admin", "list", "--db", "postgresql:///s", "--last", "5"});
  EXPECT_EQ(list.kind, CommandKind::kAdmin);
  EXPECT_EQ(list.admin.action, AdminAction::kList);
  EXPECT_EQ(list.admin.databasePath, "postgresql:///s");
  EXPECT_EQ(list.admin.last, 5);
  EXPECT_EQ(ParseCommandLine({"admin", "remove", "42"}).admin.recordId, 42);
  const Command ban = ParseCommandLine({"admin", "ban", "2001:DB8::1", "--reason", "rude\tname"});
  EXPECT_EQ(ban.admin.address, "2001:db8::1");
  EXPECT_EQ(ban.admin.reason, "rude?name");
  EXPECT_EQ(ParseCommandLine({"admin", "backup", "b.db"}).admin.backupPath, "b.db");

  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"--trusted-proxy", "nginx"},
                                             {"admin"},
                                             {"admin", "list", "extra"},
                                             {"admin", "remove", "0"},
                                             {"admin", "remove", "x"},
                                             {"admin", "ban", "example.org"},
                                             {"admin", "unban"},
                                             {"admin", "list", "--reason", "x"},
                                             {"admin", "ban", "10.0.0.1", "--last", "3"},
                                             {"admin", "--verbose", "list"},
                                             {"admin", "reset"}}) {
    EXPECT_THROW(ParseCommandLine(args), UsageError) << ::testing::PrintToString(args);
  }
}

}  // namespace
}  // namespace brakkon::server
