// The score table's PostgreSQL storage, through libpq with parameters only.
#include "server/postgres_store.h"

#include <fmt/format.h>
#include <libpq-fe.h>

#include <algorithm>
#include <array>
#include <span>
#include <utility>

namespace brakkon::server {
namespace {

// One per store thread of the HTTP server, which is what uses them at once.
constexpr std::size_t kConnections = 4;
constexpr int kTransactionAttempts = 5;

// Advisory lock keys: (kLockSpace, n) for the store's own locks, (kAddressLockSpace, hash)
// for one address's submission count.
constexpr int kLockSpace = 0x42524b;
constexpr int kMigrationLock = 1;
constexpr int kTicketLock = 2;
constexpr int kSweepLock = 3;
constexpr int kAddressLockSpace = 0x42524c;

constexpr std::string_view kVersion1[] = {
    "CREATE TABLE scores ("
    " id BIGSERIAL PRIMARY KEY,"
    " name TEXT NOT NULL,"
    " score INTEGER NOT NULL,"
    " country TEXT NOT NULL,"
    " submitted_at BIGINT NOT NULL,"
    " address TEXT NOT NULL,"
    " p TEXT NOT NULL UNIQUE)",
    "CREATE INDEX scores_by_rank ON scores (score DESC, submitted_at, id)",
    // The id gives the order of issue, which the limits trim by.
    "CREATE TABLE tickets ("
    " id BIGSERIAL PRIMARY KEY,"
    " p TEXT NOT NULL UNIQUE,"
    " address TEXT NOT NULL,"
    " issued_at BIGINT NOT NULL,"
    " used BOOLEAN NOT NULL DEFAULT FALSE)",
    "CREATE INDEX tickets_by_address ON tickets (address, id)",
    "CREATE INDEX tickets_by_issue ON tickets (issued_at)",
};
constexpr std::string_view kVersion2[] = {
    "CREATE TABLE bans ("
    " address TEXT PRIMARY KEY,"
    " reason TEXT NOT NULL,"
    " banned_at BIGINT NOT NULL)",
    // Counts every change to scores, so each server can tell that another one changed them.
    "CREATE TABLE table_state (id INTEGER PRIMARY KEY CHECK (id = 1), generation BIGINT NOT NULL)",
    "INSERT INTO table_state (id, generation) VALUES (1, 0)",
    // Accepted submission times per address, for the limit every process shares.
    "CREATE TABLE submissions (address TEXT NOT NULL, submitted_at BIGINT NOT NULL)",
    "CREATE INDEX submissions_by_address ON submissions (address, submitted_at)",
    "CREATE INDEX submissions_by_time ON submissions (submitted_at)",
};
constexpr std::span<const std::string_view> kSteps[] = {kVersion1, kVersion2};
static_assert(std::size(kSteps) == kSchemaVersion);

// A failed statement, with the SQLSTATE that says whether trying again may help.
class PgError : public StoreError {
 public:
  PgError(const std::string& message, std::string sqlState)
      : StoreError(message), sqlState_(std::move(sqlState)) {}
  bool Retryable() const { return sqlState_ == "40001" || sqlState_ == "40P01"; }

 private:
  std::string sqlState_;
};

std::string Trimmed(const char* message) {
  std::string text = message ? message : "";
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

class Result {
 public:
  explicit Result(PGresult* result) : result_(result) {}
  ~Result() { PQclear(result_); }
  Result(Result&& other) noexcept : result_(std::exchange(other.result_, nullptr)) {}
  Result(const Result&) = delete;
  Result& operator=(const Result&) = delete;
  Result& operator=(Result&&) = delete;

  int Rows() const { return PQntuples(result_); }
  std::string Text(int row, int column) const {
    return std::string(PQgetvalue(result_, row, column),
                       static_cast<std::size_t>(PQgetlength(result_, row, column)));
  }
  bool IsNull(int row, int column) const { return PQgetisnull(result_, row, column) != 0; }
  std::int64_t Int(int row, int column) const {
    return IsNull(row, column) ? 0 : std::stoll(Text(row, column));
  }
  bool Bool(int row, int column) const { return Text(row, column) == "t"; }
  // Rows a DELETE or UPDATE touched.
  std::int64_t Changed() const {
    const char* count = PQcmdTuples(result_);
    return count && *count ? std::stoll(count) : 0;
  }

 private:
  PGresult* result_;
};

// One statement with text parameters $1, $2, ...; throws PgError unless it succeeded.
Result Exec(PGconn* connection, std::string_view sql,
            std::initializer_list<std::string> params = {}) {
  std::vector<const char*> values;
  values.reserve(params.size());
  for (const std::string& param : params) values.push_back(param.c_str());
  const std::string statement(sql);
  PGresult* raw = params.size() == 0
                      ? PQexec(connection, statement.c_str())
                      : PQexecParams(connection, statement.c_str(), static_cast<int>(values.size()),
                                     nullptr, values.data(), nullptr, nullptr, 0);
  Result result(raw);
  const ExecStatusType status = PQresultStatus(raw);
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
    const char* state = raw ? PQresultErrorField(raw, PG_DIAG_SQLSTATE) : nullptr;
    throw PgError(
        fmt::format("'{}' failed: {}", sql,
                    Trimmed(raw ? PQresultErrorMessage(raw) : PQerrorMessage(connection))),
        state ? state : "");
  }
  return result;
}

std::string Number(std::int64_t value) {
  return std::to_string(value);
}

PGconn* Connect(const std::string& uri) {
  PGconn* connection = PQconnectdb(uri.c_str());
  if (PQstatus(connection) != CONNECTION_OK) {
    const std::string message = Trimmed(PQerrorMessage(connection));
    PQfinish(connection);
    throw StoreError(fmt::format("cannot connect to the PostgreSQL database: {}", message));
  }
  // CREATE ... IF NOT EXISTS and the like would print notices on standard error.
  PQsetNoticeProcessor(
      connection, [](void*, const char*) {}, nullptr);
  return connection;
}

// Creates or upgrades the schema in one transaction; servers starting together take turns,
// and a database newer than this program is left alone.
void Migrate(PGconn* connection) {
  Exec(connection, "BEGIN");
  try {
    Exec(connection,
         fmt::format("SELECT pg_advisory_xact_lock({}, {})", kLockSpace, kMigrationLock));
    Exec(connection, "CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)");
    const int version =
        static_cast<int>(Exec(connection, "SELECT max(version) FROM schema_version").Int(0, 0));
    if (version > kSchemaVersion) {
      throw StoreError(
          fmt::format("the database has schema version {}, newer than this server's {}", version,
                      kSchemaVersion));
    }
    for (int step = version; step < kSchemaVersion; ++step) {
      for (std::string_view sql : kSteps[step]) Exec(connection, sql);
    }
    if (version < kSchemaVersion) {
      Exec(connection, "DELETE FROM schema_version");
      Exec(connection, "INSERT INTO schema_version (version) VALUES ($1)",
           {Number(kSchemaVersion)});
    }
    Exec(connection, "COMMIT");
  } catch (...) {
    PQclear(PQexec(connection, "ROLLBACK"));
    throw;
  }
}

}  // namespace

// A connection borrowed from the store and given back when the session ends.
class PgSession {
 public:
  explicit PgSession(PostgresStore& store) : store_(store), connection_(store.Borrow()) {}
  ~PgSession() { store_.Return(connection_); }
  PgSession(const PgSession&) = delete;
  PgSession& operator=(const PgSession&) = delete;
  PGconn* Get() const { return connection_; }

 private:
  PostgresStore& store_;
  PGconn* connection_;
};

PostgresStore::PostgresStore(const std::string& uri, TicketLimits limits)
    : uri_(uri), limits_(limits) {
  try {
    for (std::size_t i = 0; i < kConnections; ++i) all_.push_back(Connect(uri));
    Migrate(all_.front());
  } catch (...) {
    for (PGconn* connection : all_) PQfinish(connection);
    throw;
  }
  idle_ = all_;
}

PostgresStore::~PostgresStore() {
  for (PGconn* connection : all_) PQfinish(connection);
}

PGconn* PostgresStore::Borrow() {
  std::unique_lock lock(mutex_);
  returned_.wait(lock, [this] { return !idle_.empty(); });
  PGconn* connection = idle_.back();
  idle_.pop_back();
  lock.unlock();
  // A database restarted since the last use: connect again rather than fail every request.
  if (PQstatus(connection) != CONNECTION_OK) PQreset(connection);
  return connection;
}

void PostgresStore::Return(PGconn* connection) {
  {
    std::lock_guard lock(mutex_);
    idle_.push_back(connection);
  }
  returned_.notify_one();
}

template <typename Work>
auto PostgresStore::InTransaction(std::string_view begin, Work work) {
  for (int attempt = 1;; ++attempt) {
    PgSession session(*this);
    PGconn* connection = session.Get();
    try {
      Exec(connection, begin);
      auto result = work(connection);
      Exec(connection, "COMMIT");
      return result;
    } catch (const PgError& error) {
      PQclear(PQexec(connection, "ROLLBACK"));
      if (!error.Retryable() || attempt == kTransactionAttempts) throw;
    } catch (...) {
      PQclear(PQexec(connection, "ROLLBACK"));
      throw;
    }
  }
}

void PostgresStore::AddTicket(std::string_view p, std::string_view address, std::int64_t issuedAt,
                              std::int64_t forgetBefore) {
  // A p lost with a power cut only costs its player a retry, so its commit does not wait for
  // the disk; the lock keeps the trimming exact when several servers issue at once.
  const std::string begin =
      fmt::format("BEGIN; SET LOCAL synchronous_commit = off; SELECT pg_advisory_xact_lock({}, {})",
                  kLockSpace, kTicketLock);
  // One statement, so one round trip: its parts all see the table as it was before it, so
  // the new p is not among the ones counted for its address, and expired ones are left out.
  const std::int64_t olderKept =
      std::max<std::int64_t>(static_cast<std::int64_t>(limits_.perAddress), 1) - 1;
  InTransaction(begin, [&](PGconn* c) {
    Exec(c,
         "WITH expired AS (DELETE FROM tickets WHERE issued_at < $1),"
         " added AS (INSERT INTO tickets (p, address, issued_at) VALUES ($2, $3, $4) RETURNING id),"
         " by_address AS (DELETE FROM tickets WHERE address = $3 AND id <= (SELECT id FROM tickets"
         "  WHERE address = $3 AND issued_at >= $1 ORDER BY id DESC LIMIT 1 OFFSET $5)),"
         " overall AS (DELETE FROM tickets WHERE id <= (SELECT id FROM added) - $6)"
         " SELECT id FROM added",
         {Number(forgetBefore), std::string(p), std::string(address), Number(issuedAt),
          Number(olderKept), Number(static_cast<std::int64_t>(limits_.total))});
    return 0;
  });
}

ClaimResult PostgresStore::StoreScore(std::string_view p, std::string_view address,
                                      std::int64_t freshSince, const ScoreEntry& entry) {
  return InTransaction("BEGIN", [&](PGconn* c) {
    // FOR UPDATE: a second claim of the same p, from any process, waits here for the first
    // to commit and then sees it used.
    const Result found =
        Exec(c, "SELECT address, issued_at, used FROM tickets WHERE p = $1 FOR UPDATE",
             {std::string(p)});
    if (found.Rows() == 0) return ClaimResult::kUnknownTicket;
    if (found.Bool(0, 2)) return ClaimResult::kUsedTicket;
    if (found.Int(0, 1) < freshSince) return ClaimResult::kStaleTicket;
    if (found.Text(0, 0) != address) return ClaimResult::kOtherAddress;
    Exec(c, "UPDATE tickets SET used = TRUE WHERE p = $1", {std::string(p)});
    Exec(c,
         "INSERT INTO scores (name, score, country, submitted_at, address, p)"
         " VALUES ($1, $2, $3, $4, $5, $6)",
         {entry.name, Number(entry.score), entry.country, Number(entry.submittedAt),
          std::string(address), std::string(p)});
    Exec(c, "UPDATE table_state SET generation = generation + 1");
    return ClaimResult::kStored;
  });
}

std::vector<ScoreEntry> PostgresStore::BestScores(int limit) {
  PgSession session(*this);
  const Result best = Exec(session.Get(),
                           "SELECT name, score, country, submitted_at FROM scores"
                           " ORDER BY score DESC, submitted_at, id LIMIT $1",
                           {Number(limit)});
  std::vector<ScoreEntry> entries;
  for (int row = 0; row < best.Rows(); ++row) {
    entries.push_back({best.Text(row, 0), static_cast<std::int32_t>(best.Int(row, 1)),
                       best.Text(row, 2), best.Int(row, 3)});
  }
  return entries;
}

std::int64_t PostgresStore::TableGeneration() {
  PgSession session(*this);
  return Exec(session.Get(), "SELECT generation FROM table_state").Int(0, 0);
}

bool PostgresStore::AllowSubmission(std::string_view address, std::int64_t now,
                                    std::size_t maxEvents, std::int64_t windowSeconds) {
  return InTransaction("BEGIN; SET LOCAL synchronous_commit = off", [&](PGconn* c) {
    // One address's count is read and raised by one process at a time.
    Exec(c, fmt::format("SELECT pg_advisory_xact_lock({}, hashtext($1))", kAddressLockSpace),
         {std::string(address)});
    const std::int64_t recent =
        Exec(c, "SELECT count(*) FROM submissions WHERE address = $1 AND submitted_at > $2",
             {std::string(address), Number(now - windowSeconds)})
            .Int(0, 0);
    const bool allowed = recent < static_cast<std::int64_t>(maxEvents);
    if (allowed) {
      Exec(c, "INSERT INTO submissions (address, submitted_at) VALUES ($1, $2)",
           {std::string(address), Number(now)});
    }
    // Old counts are swept by whoever gets there first; the rest skip it. Nobody else deletes
    // from this table, so the sweep never waits on a row.
    if (Exec(c, fmt::format("SELECT pg_try_advisory_xact_lock({}, {})", kLockSpace, kSweepLock))
            .Bool(0, 0)) {
      Exec(c, "DELETE FROM submissions WHERE submitted_at <= $1", {Number(now - windowSeconds)});
    }
    return allowed;
  });
}

std::optional<std::string> PostgresStore::BanReason(std::string_view address) {
  PgSession session(*this);
  const Result found =
      Exec(session.Get(), "SELECT reason FROM bans WHERE address = $1", {std::string(address)});
  if (found.Rows() == 0) return std::nullopt;
  return found.Text(0, 0);
}

void PostgresStore::AddBan(const Ban& ban) {
  PgSession session(*this);
  Exec(session.Get(),
       "INSERT INTO bans (address, reason, banned_at) VALUES ($1, $2, $3)"
       " ON CONFLICT (address) DO UPDATE SET reason = excluded.reason,"
       " banned_at = excluded.banned_at",
       {ban.address, ban.reason, Number(ban.bannedAt)});
}

bool PostgresStore::RemoveBan(std::string_view address) {
  PgSession session(*this);
  return Exec(session.Get(), "DELETE FROM bans WHERE address = $1", {std::string(address)})
             .Changed() > 0;
}

std::vector<Ban> PostgresStore::Bans() {
  PgSession session(*this);
  const Result list = Exec(
      session.Get(), "SELECT address, reason, banned_at FROM bans ORDER BY banned_at, address");
  std::vector<Ban> bans;
  for (int row = 0; row < list.Rows(); ++row) {
    bans.push_back({list.Text(row, 0), list.Text(row, 1), list.Int(row, 2)});
  }
  return bans;
}

std::vector<StoredRecord> PostgresStore::LastRecords(int count) {
  PgSession session(*this);
  const Result list = Exec(session.Get(),
                           "SELECT id, name, score, country, submitted_at, address FROM scores"
                           " ORDER BY id DESC LIMIT $1",
                           {Number(count)});
  std::vector<StoredRecord> records;
  for (int row = 0; row < list.Rows(); ++row) {
    records.push_back({list.Int(row, 0),
                       {list.Text(row, 1), static_cast<std::int32_t>(list.Int(row, 2)),
                        list.Text(row, 3), list.Int(row, 4)},
                       list.Text(row, 5)});
  }
  return records;
}

bool PostgresStore::RemoveRecord(std::int64_t id) {
  return InTransaction("BEGIN", [&](PGconn* c) {
    const bool removed = Exec(c, "DELETE FROM scores WHERE id = $1", {Number(id)}).Changed() > 0;
    if (removed) Exec(c, "UPDATE table_state SET generation = generation + 1");
    return removed;
  });
}

void PostgresStore::Backup(const std::string&) {
  throw StoreError(
      "a PostgreSQL database is backed up with pg_dump (see the README), not by this command");
}

int PostgresStore::SchemaVersion() {
  PgSession session(*this);
  return static_cast<int>(Exec(session.Get(), "SELECT max(version) FROM schema_version").Int(0, 0));
}

}  // namespace brakkon::server
