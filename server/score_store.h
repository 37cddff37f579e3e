// The SQLite file behind the score table: accepted results and the one-time p values.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace brakkon::server {

struct ScoreEntry {
  std::string name;
  std::int32_t score = 0;
  std::string country;
  std::int64_t submittedAt = 0;  // seconds since the Unix epoch
};

// How many issued p values are kept; issuing one more drops the oldest, so a flood of
// version queries costs bounded disk and only ever pushes out the flooder's own values first.
struct TicketLimits {
  std::size_t perAddress = 64;
  std::size_t total = 100'000;
};

enum class ClaimResult {
  kStored,
  kUnknownTicket,  // never issued, or dropped since
  kUsedTicket,
  kStaleTicket,
  kOtherAddress,
};

// A database that cannot be opened, read or written; the message says what failed.
class StoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Statement;

// Opens (creating when missing) the database at `path` in WAL mode. Thread-safe: every
// call takes the store's lock, since SQLite lets one writer in at a time anyway.
class ScoreStore {
 public:
  explicit ScoreStore(const std::string& path, TicketLimits limits = {});
  ~ScoreStore();
  ScoreStore(const ScoreStore&) = delete;
  ScoreStore& operator=(const ScoreStore&) = delete;

  // Records `p` as issued to `address` at `issuedAt`, and forgets every p issued before
  // `forgetBefore` and any beyond the limits.
  void AddTicket(std::string_view p, std::string_view address, std::int64_t issuedAt,
                 std::int64_t forgetBefore);

  // In one transaction, committed before it returns kStored: checks that `p` was issued
  // to `address` no earlier than `freshSince` and is unused, marks it used and stores `entry`.
  // Anything else changes nothing.
  ClaimResult StoreScore(std::string_view p, std::string_view address, std::int64_t freshSince,
                         const ScoreEntry& entry);

  // The best `limit` results, highest score first; on equal scores the earlier one first.
  std::vector<ScoreEntry> BestScores(int limit);

 private:
  void Close();

  TicketLimits limits_;
  std::mutex mutex_;
  // Results commit with synchronous=FULL so an accepted one survives even a power loss;
  // p values commit with NORMAL (no fsync), which still survives a killed process.
  sqlite3* scoresDb_ = nullptr;
  sqlite3* ticketsDb_ = nullptr;
  std::unique_ptr<Statement> scoresBegin_, scoresCommit_, scoresRollback_;
  std::unique_ptr<Statement> findTicket_, useTicket_, insertScore_, bestScores_;
  std::unique_ptr<Statement> ticketsBegin_, ticketsCommit_, ticketsRollback_;
  std::unique_ptr<Statement> forgetExpired_, insertTicket_, trimAddress_, trimTotal_;
};

}  // namespace brakkon::server
