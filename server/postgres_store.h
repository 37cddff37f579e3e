// The score table in PostgreSQL, shared by any number of server processes.
#pragma once

#include <condition_variable>
#include <mutex>
#include <vector>

#include "server/score_store.h"

struct pg_conn;

namespace brakkon::server {

class PgSession;

// Connects to `uri` (libpq's postgresql://... form). Every process keeps a few connections
// and serialises nothing itself: row locks and advisory locks in the database make a p good
// for exactly one claim and the per-address counts exact across processes.
class PostgresStore final : public StoreBackend {
 public:
  PostgresStore(const std::string& uri, TicketLimits limits);
  ~PostgresStore() override;

  void AddTicket(std::string_view p, std::string_view address, std::int64_t issuedAt,
                 std::int64_t forgetBefore) override;
  ClaimResult StoreScore(std::string_view p, std::string_view address, std::int64_t freshSince,
                         const ScoreEntry& entry) override;
  std::vector<ScoreEntry> BestScores(int limit) override;
  std::int64_t TableGeneration() override;
  bool Shared() const override { return true; }
  bool AllowSubmission(std::string_view address, std::int64_t now, std::size_t maxEvents,
                       std::int64_t windowSeconds) override;
  std::optional<std::string> BanReason(std::string_view address) override;
  void AddBan(const Ban& ban) override;
  bool RemoveBan(std::string_view address) override;
  std::vector<Ban> Bans() override;
  std::vector<StoredRecord> LastRecords(int count) override;
  bool RemoveRecord(std::int64_t id) override;
  // Refused: pg_dump makes a consistent copy of a live PostgreSQL database.
  void Backup(const std::string& path) override;
  int SchemaVersion() override;

  // Lends one connection for the life of the session; waits while all are lent.
  pg_conn* Borrow();
  void Return(pg_conn* connection);

 private:
  // Runs `work` on a borrowed connection inside BEGIN ... COMMIT, again from the start when
  // the database reports a deadlock or a serialisation failure.
  template <typename Work>
  auto InTransaction(std::string_view begin, Work work);

  std::string uri_;
  TicketLimits limits_;
  std::mutex mutex_;
  std::condition_variable returned_;
  std::vector<pg_conn*> idle_;
  std::vector<pg_conn*> all_;
};

}  // namespace brakkon::server
