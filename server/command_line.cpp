// Reading brakkon-scored's arguments.
#include "server/command_line.h"

#include <fmt/format.h>

#include <charconv>

#include "records/score_codec.h"

namespace brakkon::server {
namespace {

constexpr int kMaxPort = 65535;

int ParsePort(std::string_view text, std::string_view whole) {
  int port = -1;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || port < 0 ||
      port > kMaxPort) {
    throw UsageError(fmt::format("--listen needs a port from 0 to {}, not '{}'", kMaxPort, whole));
  }
  return port;
}

// ADDR:PORT, with an IPv6 address in brackets since it holds colons itself.
void ParseListen(std::string_view text, ServerOptions& options) {
  std::string_view host;
  std::string_view port;
  if (!text.empty() && text.front() == '[') {
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos || close + 1 >= text.size() || text[close + 1] != ':') {
      throw UsageError(fmt::format("--listen needs [ADDR]:PORT, not '{}'", text));
    }
    host = text.substr(1, close - 1);
    port = text.substr(close + 2);
  } else {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos) {
      throw UsageError(fmt::format("--listen needs ADDR:PORT, not '{}'", text));
    }
    host = text.substr(0, colon);
    port = text.substr(colon + 1);
  }
  if (host.empty()) throw UsageError(fmt::format("--listen needs an address in '{}'", text));
  options.host = std::string(host);
  options.port = ParsePort(port, text);
}

}  // namespace

Command ParseCommandLine(const std::vector<std::string>& args) {
  Command command;
  bool printProtocol = false;
  bool help = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw UsageError(fmt::format("{} needs a value", arg));
      return args[++i];
    };
    if (arg == "--listen") {
      ParseListen(value(), command.options);
    } else if (arg == "--db") {
      command.options.databasePath = value();
      if (command.options.databasePath.empty()) throw UsageError("--db needs a file name");
    } else if (arg == "--print-protocol") {
      printProtocol = true;
    } else if (arg == "--help" || arg == "-h") {
      help = true;
    } else {
      throw UsageError(fmt::format("unknown argument '{}'", arg));
    }
  }
  if (help) {
    command.kind = CommandKind::kHelp;
  } else if (printProtocol) {
    command.kind = CommandKind::kPrintProtocol;
  }
  return command;
}

std::string UsageText() {
  return "usage: brakkon-scored [--listen ADDR:PORT] [--db FILE]\n"
         "       brakkon-scored --print-protocol\n"
         "  --listen ADDR:PORT  address to serve on (default 127.0.0.1:8642; port 0 picks a free "
         "one)\n"
         "  --db FILE           SQLite database of the table (default scores.db)\n"
         "  --print-protocol    print the record code's alphabet and key, then exit\n";
}

std::string ProtocolText() {
  return fmt::format("alphabet={}\nkey={}\n", records::kScoreAlphabet, records::kScoreKey);
}

}  // namespace brakkon::server
