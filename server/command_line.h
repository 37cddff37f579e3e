// The score server's command line: where to listen, which database, or the protocol summary.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace brakkon::server {

struct ServerOptions {
  std::string host = "127.0.0.1";
  int port = 8642;  // 0 lets the system pick a free one
  std::string databasePath = "scores.db";
};

enum class CommandKind { kServe, kPrintProtocol, kHelp };

struct Command {
  CommandKind kind = CommandKind::kServe;
  ServerOptions options;
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
