// brakkon-scored: the game's online score table, served over HTTP from SQLite or PostgreSQL,
// and the moderators' commands on that table.
#include <fmt/chrono.h>
#include <fmt/format.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <exception>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "server/command_line.h"
#include "server/http_server.h"
#include "server/score_service.h"
#include "server/score_store.h"

namespace {

using namespace brakkon::server;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr auto kStopRetry = std::chrono::milliseconds(50);

int Serve(const ServerOptions& options) {
  // SIGINT and SIGTERM are taken by one thread with sigwait, since stopping the server is
  // not safe from a signal handler; every thread started later inherits the mask.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  signal(SIGPIPE, SIG_IGN);
  // Each open connection holds a file descriptor, and the usual soft limit of 1,024 would
  // turn clients away long before the server is busy.
  RaiseOpenFileLimit();

  ScoreStore store(options.databasePath);
  ScoreService service(store, SystemSeconds);
  HttpSettings settings;
  settings.trustedProxies = TrustedProxies(options.trustedProxies);
  ScoreHttpServer server(service, SystemSeconds, LogToStandardError, settings);
  const int port = server.Bind(options.host, options.port);
  std::cerr << "listening on " << options.host << ":" << port << std::endl;

  std::atomic<bool> finished = false;
  std::thread stopper([&] {
    int signalNumber = 0;
    sigwait(&stopSignals, &signalNumber);
    // A signal that comes before the server runs would be lost by one Stop: keep asking.
    while (!finished) {
      server.Stop();
      std::this_thread::sleep_for(kStopRetry);
    }
  });
  server.Run();
  finished = true;
  // Wakes the stopper when the server ended by itself; otherwise the signal stays pending.
  kill(getpid(), SIGTERM);
  stopper.join();
  std::cerr << "stopped" << std::endl;
  return 0;
}

std::string DateText(std::int64_t secondsSinceEpoch) {
  return fmt::format("{:%Y-%m-%dT%H:%M:%SZ}",
                     fmt::gmtime(static_cast<std::time_t>(secondsSinceEpoch)));
}

// One moderator's action; what it did goes to standard output, and a request that finds
// nothing to act on fails with exit code 1 so scripts notice.
int Administer(const AdminOptions& admin) {
  ScoreStore store(admin.databasePath);
  StoreBackend& backend = store.Backend();
  switch (admin.action) {
    case AdminAction::kList:
      std::cout << "id\tsubmitted\taddress\tscore\tname\tcountry\n";
      for (const StoredRecord& record : backend.LastRecords(admin.last)) {
        std::cout << fmt::format("{}\t{}\t{}\t{}\t{}\t{}\n", record.id,
                                 DateText(record.entry.submittedAt), record.address,
                                 record.entry.score, record.entry.name, record.entry.country);
      }
      return 0;
    case AdminAction::kRemove:
      if (!backend.RemoveRecord(admin.recordId)) {
        std::cerr << "brakkon-scored: there is no record " << admin.recordId << "\n";
        return kExitFailure;
      }
      std::cout << "removed record " << admin.recordId << "\n";
      return 0;
    case AdminAction::kBan:
      backend.AddBan({admin.address, admin.reason, SystemSeconds()});
      std::cout << "banned " << admin.address << ": " << admin.reason << "\n";
      return 0;
    case AdminAction::kUnban:
      if (!backend.RemoveBan(admin.address)) {
        std::cerr << "brakkon-scored: " << admin.address << " is not banned\n";
        return kExitFailure;
      }
      std::cout << "unbanned " << admin.address << "\n";
      return 0;
    case AdminAction::kBans:
      std::cout << "address\tbanned\treason\n";
      for (const Ban& ban : backend.Bans()) {
        std::cout << fmt::format("{}\t{}\t{}\n", ban.address, DateText(ban.bannedAt), ban.reason);
      }
      return 0;
    case AdminAction::kBackup:
      backend.Backup(admin.backupPath);
      std::cout << "backed up to " << admin.backupPath << "\n";
      return 0;
  }
  return kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
  Command command;
  try {
    command = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const UsageError& error) {
    std::cerr << "brakkon-scored: " << error.what() << "\n" << UsageText();
    return kExitUsage;
  }
  switch (command.kind) {
    case CommandKind::kHelp:
      std::cout << UsageText();
      return 0;
    case CommandKind::kPrintProtocol:
      std::cout << ProtocolText();
      return 0;
    case CommandKind::kServe:
    case CommandKind::kAdmin:
      break;
  }
  try {
    if (command.kind == CommandKind::kAdmin) return Administer(command.admin);
    return Serve(command.options);
  } catch (const std::exception& error) {
    std::cerr << "brakkon-scored: " << error.what() << std::endl;
    return kExitFailure;
  }
}
