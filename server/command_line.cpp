// Reading brakkon-scored's arguments.
#include "server/command_line.h"

#include <fmt/format.h>

#include <charconv>

#include "records/score_codec.h"
#include "server/trusted_proxies.h"

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

constexpr std::size_t kMaxReasonLength = 200;

template <typename Number>
Number ParseNumber(std::string_view text, std::string_view what, Number least) {
  Number number{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || number < least) {
    throw UsageError(fmt::format("{} needs a whole number of at least {}, not '{}'", what, least,
                                 text));
  }
  return number;
}

std::string ParseAddress(std::string_view text, std::string_view what) {
  const std::optional<std::string> normal = NormalAddress(text);
  if (!normal) throw UsageError(fmt::format("{} needs an IP address, not '{}'", what, text));
  return *normal;
}

// The reason is shown to the banned player on one line of plain text.
std::string CleanReason(std::string_view text) {
  std::string reason;
  for (const char c : text.substr(0, kMaxReasonLength)) reason += (c >= ' ' && c <= '~') ? c : '?';
  if (reason.empty()) throw UsageError("--reason needs some text");
  return reason;
}

Command ParseAdmin(const std::vector<std::string>& args) {
  Command command;
  command.kind = CommandKind::kAdmin;
  AdminOptions& admin = command.admin;
  std::vector<std::string> words;
  bool lastGiven = false;
  bool reasonGiven = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw UsageError(fmt::format("{} needs a value", arg));
      return args[++i];
    };
    if (arg == "--db") {
      admin.databasePath = value();
      if (admin.databasePath.empty()) throw UsageError("--db needs a file name or a URI");
    } else if (arg == "--last") {
      admin.last = ParseNumber<int>(value(), "--last", 1);
      lastGiven = true;
    } else if (arg == "--reason") {
      admin.reason = CleanReason(value());
      reasonGiven = true;
    } else if (arg.starts_with("-")) {
      throw UsageError(fmt::format("unknown admin argument '{}'", arg));
    } else {
      words.push_back(arg);
    }
  }
  if (words.empty()) throw UsageError("admin needs one of list, remove, ban, unban, bans, backup");
  const std::string& action = words[0];
  const auto needs = [&](std::size_t count, std::string_view what) {
    if (words.size() != count + 1) {
      throw UsageError(fmt::format("admin {} needs {}", action, what));
    }
  };
  if (action == "list") {
    needs(0, "no other word");
    admin.action = AdminAction::kList;
  } else if (action == "remove") {
    needs(1, "the ID of one record");
    admin.action = AdminAction::kRemove;
    admin.recordId = ParseNumber<std::int64_t>(words[1], "remove", 1);
  } else if (action == "ban" || action == "unban") {
    needs(1, "one address");
    admin.action = action == "ban" ? AdminAction::kBan : AdminAction::kUnban;
    admin.address = ParseAddress(words[1], action);
  } else if (action == "bans") {
    needs(0, "no other word");
    admin.action = AdminAction::kBans;
  } else if (action == "backup") {
    needs(1, "the name of the file to write");
    admin.action = AdminAction::kBackup;
    admin.backupPath = words[1];
  } else {
    throw UsageError(fmt::format("unknown admin action '{}'", action));
  }
  if (lastGiven && admin.action != AdminAction::kList) throw UsageError("--last goes with list");
  if (reasonGiven && admin.action != AdminAction::kBan) throw UsageError("--reason goes with ban");
  return command;
}

}  // namespace

Command ParseCommandLine(const std::vector<std::string>& args) {
  if (!args.empty() && args[0] == "admin") return ParseAdmin(args);
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
    } else if (arg == "--trusted-proxy") {
      command.options.trustedProxies.push_back(ParseAddress(value(), "--trusted-proxy"));
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
  return "usage: brakkon-scored [--listen ADDR:PORT] [--db DB] [--trusted-proxy ADDR]...\n"
         "       brakkon-scored admin [--db DB] list [--last N] | remove ID | bans\n"
         "                                  | ban ADDRESS [--reason TEXT] | unban ADDRESS\n"
         "                                  | backup FILE\n"
         "       brakkon-scored --print-protocol\n"
         "  --listen ADDR:PORT    address to serve on (default 127.0.0.1:8642; port 0 picks a "
         "free one)\n"
         "  --db DB               SQLite file (default scores.db) or postgresql://... URI\n"
         "  --trusted-proxy ADDR  take the client's address from X-Forwarded-For on requests "
         "from ADDR\n"
         "  --print-protocol      print the record code's alphabet and key, then exit\n";
}

std::string ProtocolText() {
  return fmt::format("alphabet={}\nkey={}\n", records::kScoreAlphabet, records::kScoreKey);
}

}  // namespace brakkon::server
