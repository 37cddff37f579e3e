// The score server's command line: serving, moderating, or the protocol summary.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace brakkon::server {

struct ServerOptions {
  std::string host = "127.0.0.1";
  int port = 8642;                          // 0 lets the system pick a free one
  std::string databasePath = "scores.db";   // or a postgresql:// URI
  std::vector<std::string> trustedProxies;  // normal forms
};

enum class AdminAction { kList, kRemove, kBan, kUnban, kBans, kBackup };

// `brakkon-scored admin [--db DB] ACTION ...`: one change or one look at the database.
struct AdminOptions {
  std::string databasePath = "scores.db";
  AdminAction action = AdminAction::kList;
  int last = 20;                                            // list: how many of the newest results
  std::int64_t recordId = 0;                                // remove
  std::string address;                                      // ban, unban (normal form)
  std::string reason = "banned by the table's moderators";  // ban
  std::string backupPath;                                   // backup
};

enum class CommandKind { kServe, kPrintProtocol, kHelp, kAdmin };

struct Command {
  CommandKind kind = CommandKind::kServe;
  ServerOptions options;
  AdminOptions admin;
};

// A command line the server cannot follow; the message names the offending argument.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads the arguments after the program name; throws UsageError on anything it does not know.
Command ParseCommandLine(const std::vector<std::string>& args);

// The usage text printed with --help and after a UsageError.
std::string UsageText();

// The two lines of --print-protocol: the code's alphabet and the record's key.
std::string ProtocolText();

}  // namespace brakkon::server
