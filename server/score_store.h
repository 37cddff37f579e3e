// Where the score table lives: accepted results, one-time p values, bans, and the schema's
// version. SQLite (one file) or PostgreSQL (shared by several server processes).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace brakkon::server {

struct ScoreEntry {
  std::string name;
  std::int32_t score = 0;
  std::string country;
  std::int64_t submittedAt = 0;  // seconds since the Unix epoch
};

// A stored result as a moderator sees it.
struct StoredRecord {
  std::int64_t id = 0;
  ScoreEntry entry;
  std::string address;
};

struct Ban {
  std::string address;
  std::string reason;
  std::int64_t bannedAt = 0;  // seconds since the Unix epoch
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

// The schema version this program creates and upgrades databases to.
inline constexpr int kSchemaVersion = 2;

// One kind of database. Every call is thread-safe.
class StoreBackend {
 public:
  virtual ~StoreBackend() = default;

  virtual void AddTicket(std::string_view p, std::string_view address, std::int64_t issuedAt,
                         std::int64_t forgetBefore) = 0;
  virtual ClaimResult StoreScore(std::string_view p, std::string_view address,
                                 std::int64_t freshSince, const ScoreEntry& entry) = 0;
  virtual std::vector<ScoreEntry> BestScores(int limit) = 0;
  // Changes whenever a result is stored or removed, by this process or any other.
  virtual std::int64_t TableGeneration() = 0;

  // True when other processes may use the same database at once, so per-address counts
  // must live in it rather than in this process.
  virtual bool Shared() const = 0;
  // Counts a submission from `address` at `now` unless `maxEvents` were counted within the
  // last `windowSeconds`; only shared stores keep these counts.
  virtual bool AllowSubmission(std::string_view address, std::int64_t now, std::size_t maxEvents,
                               std::int64_t windowSeconds) = 0;

  virtual std::optional<std::string> BanReason(std::string_view address) = 0;
  virtual void AddBan(const Ban& ban) = 0;
  virtual bool RemoveBan(std::string_view address) = 0;
  virtual std::vector<Ban> Bans() = 0;
  virtual std::vector<StoredRecord> LastRecords(int count) = 0;
  virtual bool RemoveRecord(std::int64_t id) = 0;
  virtual void Backup(const std::string& path) = 0;
  virtual int SchemaVersion() = 0;
};

// True for a PostgreSQL connection URI (postgresql://... or postgres://...).
bool IsPostgresUri(std::string_view database);

// Opens `database`: a PostgreSQL URI, or else the path of an SQLite file (created when
// missing). The schema is created or upgraded to kSchemaVersion in one transaction.
class ScoreStore {
 public:
  explicit ScoreStore(const std::string& database, TicketLimits limits = {});
  ~ScoreStore();
  ScoreStore(const ScoreStore&) = delete;
  ScoreStore& operator=(const ScoreStore&) = delete;

  // Records `p` as issued to `address` at `issuedAt`, and forgets every p issued before
  // `forgetBefore` and any beyond the limits.
  void AddTicket(std::string_view p, std::string_view address, std::int64_t issuedAt,
                 std::int64_t forgetBefore) {
    backend_->AddTicket(p, address, issuedAt, forgetBefore);
  }

  // In one transaction, committed before it returns kStored: checks that `p` was issued
  // to `address` no earlier than `freshSince` and is unused, marks it used and stores `entry`.
  // Anything else changes nothing.
  ClaimResult StoreScore(std::string_view p, std::string_view address, std::int64_t freshSince,
                         const ScoreEntry& entry) {
    return backend_->StoreScore(p, address, freshSince, entry);
  }

  // The best `limit` results, highest score first; on equal scores the earlier one first.
  std::vector<ScoreEntry> BestScores(int limit) { return backend_->BestScores(limit); }

  StoreBackend& Backend() { return *backend_; }

 private:
  std::unique_ptr<StoreBackend> backend_;
};

}  // namespace brakkon::server
