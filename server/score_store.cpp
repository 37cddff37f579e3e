// The score table's SQLite storage, through prepared statements only.
#include "server/score_store.h"

#include <fmt/format.h>
#include <sqlite3.h>

namespace brakkon::server {

class Statement {
 public:
  Statement(sqlite3* db, std::string_view sql) : db_(db) {
    if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &statement_, nullptr) !=
        SQLITE_OK) {
      throw StoreError(fmt::format("cannot prepare '{}': {}", sql, sqlite3_errmsg(db)));
    }
  }
  ~Statement() { sqlite3_finalize(statement_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  // Clears the previous run so every use starts from fresh bindings.
  Statement& Start() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
    return *this;
  }
  Statement& Bind(int index, std::string_view text) {
    Check(sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()),
                            SQLITE_TRANSIENT));
    return *this;
  }
  Statement& Bind(int index, std::int64_t value) {
    Check(sqlite3_bind_int64(statement_, index, value));
    return *this;
  }
  // True while there is a row to read.
  bool Step() {
    const int result = sqlite3_step(statement_);
    if (result == SQLITE_ROW) return true;
    if (result == SQLITE_DONE) return false;
    throw StoreError(fmt::format("'{}' failed: {}", sqlite3_sql(statement_), sqlite3_errmsg(db_)));
  }
  void Run() {
    while (Step()) {
    }
  }
  std::int64_t Int(int column) { return sqlite3_column_int64(statement_, column); }
  std::string Text(int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    return text ? std::string(text,
                              static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)))
                : std::string();
  }

 private:
  void Check(int result) {
    if (result != SQLITE_OK) throw StoreError(fmt::format("bind failed: {}", sqlite3_errmsg(db_)));
  }

  sqlite3* db_;
  sqlite3_stmt* statement_ = nullptr;
};

namespace {

// Another process (a backup, the sqlite3 shell) may hold a lock for a moment.
constexpr int kBusyTimeoutMs = 5000;

constexpr std::string_view kSchema[] = {
    "CREATE TABLE IF NOT EXISTS scores ("
    " id INTEGER PRIMARY KEY,"
    " name TEXT NOT NULL,"
    " score INTEGER NOT NULL,"
    " country TEXT NOT NULL,"
    " submitted_at INTEGER NOT NULL,"
    " address TEXT NOT NULL,"
    " p TEXT NOT NULL UNIQUE)",
    "CREATE INDEX IF NOT EXISTS scores_by_rank ON scores (score DESC, submitted_at, id)",
    // The id gives the order of issue, which the limits trim by.
    "CREATE TABLE IF NOT EXISTS tickets ("
    " id INTEGER PRIMARY KEY,"
    " p TEXT NOT NULL UNIQUE,"
    " address TEXT NOT NULL,"
    " issued_at INTEGER NOT NULL,"
    " used INTEGER NOT NULL DEFAULT 0)",
    "CREATE INDEX IF NOT EXISTS tickets_by_address ON tickets (address, id)",
    "CREATE INDEX IF NOT EXISTS tickets_by_issue ON tickets (issued_at)",
};

sqlite3* OpenDatabase(const std::string& path) {
  sqlite3* db = nullptr;
  // The store's own lock serialises every use, so SQLite's per-connection mutex is not needed.
  const int result = sqlite3_open_v2(
      path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (result != SQLITE_OK) {
    const std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(result);
    sqlite3_close(db);
    throw StoreError(fmt::format("cannot open database '{}': {}", path, message));
  }
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  return db;
}

std::string RunForText(sqlite3* db, std::string_view sql) {
  Statement statement(db, sql);
  std::string text = statement.Step() ? statement.Text(0) : std::string();
  statement.Run();
  return text;
}

void Configure(sqlite3* db, std::string_view synchronous, const std::string& path) {
  if (RunForText(db, "PRAGMA journal_mode=WAL") != "wal") {
    throw StoreError(fmt::format("database '{}' cannot use WAL mode", path));
  }
  Statement(db, fmt::format("PRAGMA synchronous={}", synchronous)).Run();
}

// Rolls back a transaction left open by an early return or an exception.
class TransactionGuard {
 public:
  TransactionGuard(Statement& begin, Statement& commit, Statement& rollback)
      : commit_(commit), rollback_(rollback) {
    begin.Start().Run();
  }
  ~TransactionGuard() {
    if (open_) {
      try {
        rollback_.Start().Run();
      } catch (const StoreError&) {
        // SQLite has already rolled back when a commit itself failed.
      }
    }
  }
  void Commit() {
    commit_.Start().Run();
    open_ = false;
  }

 private:
  Statement& commit_;
  Statement& rollback_;
  bool open_ = true;
};

}  // namespace

ScoreStore::ScoreStore(const std::string& path, TicketLimits limits) : limits_(limits) {
  try {
    scoresDb_ = OpenDatabase(path);
    Configure(scoresDb_, "FULL", path);
    for (std::string_view sql : kSchema) Statement(scoresDb_, sql).Run();
    ticketsDb_ = OpenDatabase(path);
    Configure(ticketsDb_, "NORMAL", path);

    scoresBegin_ = std::make_unique<Statement>(scoresDb_, "BEGIN IMMEDIATE");
    scoresCommit_ = std::make_unique<Statement>(scoresDb_, "COMMIT");
    scoresRollback_ = std::make_unique<Statement>(scoresDb_, "ROLLBACK");
    findTicket_ = std::make_unique<Statement>(
        scoresDb_, "SELECT address, issued_at, used FROM tickets WHERE p = ?1");
    useTicket_ = std::make_unique<Statement>(scoresDb_, "UPDATE tickets SET used = 1 WHERE p = ?1");
    insertScore_ = std::make_unique<Statement>(
        scoresDb_,
        "INSERT INTO scores (name, score, country, submitted_at, address, p)"
        " VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    bestScores_ =
        std::make_unique<Statement>(scoresDb_,
                                    "SELECT name, score, country, submitted_at FROM scores"
                                    " ORDER BY score DESC, submitted_at, id LIMIT ?1");

    ticketsBegin_ = std::make_unique<Statement>(ticketsDb_, "BEGIN IMMEDIATE");
    ticketsCommit_ = std::make_unique<Statement>(ticketsDb_, "COMMIT");
    ticketsRollback_ = std::make_unique<Statement>(ticketsDb_, "ROLLBACK");
    forgetExpired_ =
        std::make_unique<Statement>(ticketsDb_, "DELETE FROM tickets WHERE issued_at < ?1");
    insertTicket_ = std::make_unique<Statement>(
        ticketsDb_, "INSERT INTO tickets (p, address, issued_at) VALUES (?1, ?2, ?3)");
    trimAddress_ = std::make_unique<Statement>(
        ticketsDb_,
        "DELETE FROM tickets WHERE address = ?1 AND id <= (SELECT id FROM tickets"
        " WHERE address = ?1 ORDER BY id DESC LIMIT 1 OFFSET ?2)");
    trimTotal_ = std::make_unique<Statement>(ticketsDb_, "DELETE FROM tickets WHERE id <= ?1");
  } catch (...) {
    Close();
    throw;
  }
}

ScoreStore::~ScoreStore() {
  Close();
}

void ScoreStore::Close() {
  // Statements go before their connections.
  scoresBegin_.reset();
  scoresCommit_.reset();
  scoresRollback_.reset();
  findTicket_.reset();
  useTicket_.reset();
  insertScore_.reset();
  bestScores_.reset();
  ticketsBegin_.reset();
  ticketsCommit_.reset();
  ticketsRollback_.reset();
  forgetExpired_.reset();
  insertTicket_.reset();
  trimAddress_.reset();
  trimTotal_.reset();
  sqlite3_close(ticketsDb_);
  sqlite3_close(scoresDb_);
  ticketsDb_ = nullptr;
  scoresDb_ = nullptr;
}

void ScoreStore::AddTicket(std::string_view p, std::string_view address, std::int64_t issuedAt,
                           std::int64_t forgetBefore) {
  std::lock_guard lock(mutex_);
  TransactionGuard transaction(*ticketsBegin_, *ticketsCommit_, *ticketsRollback_);
  forgetExpired_->Start().Bind(1, forgetBefore).Run();
  insertTicket_->Start().Bind(1, p).Bind(2, address).Bind(3, issuedAt).Run();
  const std::int64_t newest = sqlite3_last_insert_rowid(ticketsDb_);
  trimAddress_->Start()
      .Bind(1, address)
      .Bind(2, static_cast<std::int64_t>(limits_.perAddress))
      .Run();
  trimTotal_->Start().Bind(1, newest - static_cast<std::int64_t>(limits_.total)).Run();
  transaction.Commit();
}

ClaimResult ScoreStore::StoreScore(std::string_view p, std::string_view address,
                                   std::int64_t freshSince, const ScoreEntry& entry) {
  std::lock_guard lock(mutex_);
  TransactionGuard transaction(*scoresBegin_, *scoresCommit_, *scoresRollback_);
  Statement& find = findTicket_->Start().Bind(1, p);
  if (!find.Step()) return ClaimResult::kUnknownTicket;
  const std::string issuedTo = find.Text(0);
  const std::int64_t issuedAt = find.Int(1);
  const bool used = find.Int(2) != 0;
  find.Start();
  if (used) return ClaimResult::kUsedTicket;
  if (issuedAt < freshSince) return ClaimResult::kStaleTicket;
  if (issuedTo != address) return ClaimResult::kOtherAddress;
  useTicket_->Start().Bind(1, p).Run();
  insertScore_->Start()
      .Bind(1, entry.name)
      .Bind(2, static_cast<std::int64_t>(entry.score))
      .Bind(3, entry.country)
      .Bind(4, entry.submittedAt)
      .Bind(5, address)
      .Bind(6, p)
      .Run();
  transaction.Commit();
  return ClaimResult::kStored;
}

std::vector<ScoreEntry> ScoreStore::BestScores(int limit) {
  std::lock_guard lock(mutex_);
  std::vector<ScoreEntry> entries;
  Statement& best = bestScores_->Start().Bind(1, static_cast<std::int64_t>(limit));
  while (best.Step()) {
    entries.push_back(
        {best.Text(0), static_cast<std::int32_t>(best.Int(1)), best.Text(2), best.Int(3)});
  }
  best.Start();
  return entries;
}

}  // namespace brakkon::server
