// The score table in one SQLite file, for a server run as a single process.
#pragma once

#include <memory>
#include <mutex>

#include "server/score_store.h"

struct sqlite3;

namespace brakkon::server {

class Statement;

// Opens (creating when missing) the database at `path` in WAL mode. Every call takes the
// store's lock, since SQLite lets one writer in at a time anyway.
class SqliteStore final : public StoreBackend {
 public:
  SqliteStore(const std::string& path, TicketLimits limits);
  ~SqliteStore() override;

  void AddTicket(std::string_view p, std::string_view address, std::int64_t issuedAt,
                 std::int64_t forgetBefore) override;
  ClaimResult StoreScore(std::string_view p, std::string_view address, std::int64_t freshSince,
                         const ScoreEntry& entry) override;
  std::vector<ScoreEntry> BestScores(int limit) override;
  std::int64_t TableGeneration() override;
  // One process per file: its submission counts stay in memory, as they always have.
  bool Shared() const override { return false; }
  bool AllowSubmission(std::string_view, std::int64_t, std::size_t, std::int64_t) override {
    return true;
  }
  std::optional<std::string> BanReason(std::string_view address) override;
  void AddBan(const Ban& ban) override;
  bool RemoveBan(std::string_view address) override;
  std::vector<Ban> Bans() override;
  std::vector<StoredRecord> LastRecords(int count) override;
  bool RemoveRecord(std::int64_t id) override;
  // SQLite's online backup: a consistent copy even while servers write.
  void Backup(const std::string& path) override;
  int SchemaVersion() override;

 private:
  void Close();

  std::string path_;
  TicketLimits limits_;
  std::mutex mutex_;
  // Results commit with synchronous=FULL so an accepted one survives even a power loss;
  // p values commit with NORMAL (no fsync), which still survives a killed process.
  sqlite3* scoresDb_ = nullptr;
  sqlite3* ticketsDb_ = nullptr;
  std::unique_ptr<Statement> scoresBegin_, scoresCommit_, scoresRollback_;
  std::unique_ptr<Statement> findTicket_, useTicket_, insertScore_, bestScores_, bumpGeneration_;
  std::unique_ptr<Statement> ticketsBegin_, ticketsCommit_, ticketsRollback_;
  std::unique_ptr<Statement> forgetExpired_, insertTicket_, trimAddress_, trimTotal_;
  // Its own connection and lock, so asking whether the table changed never waits on a commit.
  std::mutex watchMutex_;
  sqlite3* watchDb_ = nullptr;
  std::unique_ptr<Statement> dataVersion_, readGeneration_;
  std::int64_t seenDataVersion_ = -1;
  std::int64_t generation_ = 0;
};

}  // namespace brakkon::server
