// brakkon-scored: the game's online score table, served over HTTP from an SQLite file.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
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
  ScoreHttpServer server(service, SystemSeconds, LogToStandardError);
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
      break;
  }
  try {
    return Serve(command.options);
  } catch (const std::exception& error) {
    std::cerr << "brakkon-scored: " << error.what() << std::endl;
    return kExitFailure;
  }
}
