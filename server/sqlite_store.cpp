// The score table's SQLite storage, through prepared statements only.
#include "server/sqlite_store.h"

#include <fmt/format.h>
#include <sqlite3.h>

#include <filesystem>
#include <span>

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

// Another process (a backup, the sqlite3 shell, an admin command) may hold a lock for a moment.
constexpr int kBusyTimeoutMs = 5000;

// Each step takes the schema from the version before it to its own; a database made before
// versions were kept already holds the first step's tables, which is why it says IF NOT EXISTS.
constexpr std::string_view kVersion1[] = {
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
constexpr std::string_view kVersion2[] = {
    "CREATE TABLE bans ("
    " address TEXT PRIMARY KEY,"
    " reason TEXT NOT NULL,"
    " banned_at INTEGER NOT NULL)",
    // Counts every change to scores, so a server can tell that another process changed them.
    "CREATE TABLE table_state (id INTEGER PRIMARY KEY CHECK (id = 1), generation INTEGER NOT NULL)",
    "INSERT INTO table_state (id, generation) VALUES (1, 0)",
};
constexpr std::span<const std::string_view> kSteps[] = {kVersion1, kVersion2};
static_assert(std::size(kSteps) == kSchemaVersion);

sqlite3* OpenDatabase(const std::string& path) {
  sqlite3* db = nullptr;
  // The store's own locks serialise every use, so SQLite's per-connection mutex is not needed.
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
  TransactionGuard(const TransactionGuard&) = delete;
  TransactionGuard& operator=(const TransactionGuard&) = delete;
  void Commit() {
    commit_.Start().Run();
    open_ = false;
  }

 private:
  Statement& commit_;
  Statement& rollback_;
  bool open_ = true;
};

// A one-off transaction on `db` for the rare statements that are not kept prepared.
class AdHocTransaction {
 public:
  explicit AdHocTransaction(sqlite3* db)
      : begin_(db, "BEGIN IMMEDIATE"),
        commit_(db, "COMMIT"),
        rollback_(db, "ROLLBACK"),
        guard_(begin_, commit_, rollback_) {}
  void Commit() { guard_.Commit(); }

 private:
  Statement begin_, commit_, rollback_;
  TransactionGuard guard_;
};

// Creates or upgrades the schema in one transaction, so a server stopped half-way leaves the
// old version whole. A newer database than this program knows is left alone.
void Migrate(sqlite3* db, const std::string& path) {
  AdHocTransaction transaction(db);
  Statement(db, "CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)").Run();
  Statement read(db, "SELECT max(version) FROM schema_version");
  const int version = read.Step() ? static_cast<int>(read.Int(0)) : 0;
  read.Run();
  if (version > kSchemaVersion) {
    throw StoreError(fmt::format("database '{}' has schema version {}, newer than this server's {}",
                                 path, version, kSchemaVersion));
  }
  if (version == kSchemaVersion) return;
  for (int step = version; step < kSchemaVersion; ++step) {
    for (std::string_view sql : kSteps[step]) Statement(db, sql).Run();
  }
  Statement(db, "DELETE FROM schema_version").Run();
  Statement(db, "INSERT INTO schema_version (version) VALUES (?1)")
      .Start()
      .Bind(1, static_cast<std::int64_t>(kSchemaVersion))
      .Run();
  transaction.Commit();
}

}  // namespace

SqliteStore::SqliteStore(const std::string& path, TicketLimits limits)
    : path_(path), limits_(limits) {
  try {
    scoresDb_ = OpenDatabase(path);
    Configure(scoresDb_, "FULL", path);
    Migrate(scoresDb_, path);
    ticketsDb_ = OpenDatabase(path);
    Configure(ticketsDb_, "NORMAL", path);
    watchDb_ = OpenDatabase(path);

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
    bumpGeneration_ = std::make_unique<Statement>(
        scoresDb_, "UPDATE table_state SET generation = generation + 1");

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

    dataVersion_ = std::make_unique<Statement>(watchDb_, "PRAGMA data_version");
    readGeneration_ = std::make_unique<Statement>(watchDb_, "SELECT generation FROM table_state");
  } catch (...) {
    Close();
    throw;
  }
}

SqliteStore::~SqliteStore() {
  Close();
}

void SqliteStore::Close() {
  // Statements go before their connections.
  for (auto* statement :
       {&scoresBegin_, &scoresCommit_, &scoresRollback_, &findTicket_, &useTicket_, &insertScore_,
        &bestScores_, &bumpGeneration_, &ticketsBegin_, &ticketsCommit_, &ticketsRollback_,
        &forgetExpired_, &insertTicket_, &trimAddress_, &trimTotal_, &dataVersion_,
        &readGeneration_}) {
    statement->reset();
  }
  for (sqlite3** db : {&watchDb_, &ticketsDb_, &scoresDb_}) {
    sqlite3_close(*db);
    *db = nullptr;
  }
}

void SqliteStore::AddTicket(std::string_view p, std::string_view address, std::int64_t issuedAt,
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

ClaimResult SqliteStore::StoreScore(std::string_view p, std::string_view address,
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
  bumpGeneration_->Start().Run();
  transaction.Commit();
  return ClaimResult::kStored;
}

std::vector<ScoreEntry> SqliteStore::BestScores(int limit) {
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

std::int64_t SqliteStore::TableGeneration() {
  std::lock_guard lock(watchMutex_);
  // data_version moves only when another connection commits, and reading it touches no disk,
  // so the common case (nothing changed) costs next to nothing.
  Statement& version = dataVersion_->Start();
  const std::int64_t dataVersion = version.Step() ? version.Int(0) : 0;
  version.Start();
  if (dataVersion != seenDataVersion_) {
    seenDataVersion_ = dataVersion;
    Statement& read = readGeneration_->Start();
    generation_ = read.Step() ? read.Int(0) : 0;
    read.Start();
  }
  return generation_;
}

std::optional<std::string> SqliteStore::BanReason(std::string_view address) {
  std::lock_guard lock(mutex_);
  Statement find(scoresDb_, "SELECT reason FROM bans WHERE address = ?1");
  find.Start().Bind(1, address);
  if (!find.Step()) return std::nullopt;
  return find.Text(0);
}

void SqliteStore::AddBan(const Ban& ban) {
  std::lock_guard lock(mutex_);
  AdHocTransaction transaction(scoresDb_);
  Statement(scoresDb_,
            "INSERT INTO bans (address, reason, banned_at) VALUES (?1, ?2, ?3)"
            " ON CONFLICT (address) DO UPDATE SET reason = excluded.reason,"
            " banned_at = excluded.banned_at")
      .Start()
      .Bind(1, ban.address)
      .Bind(2, ban.reason)
      .Bind(3, ban.bannedAt)
      .Run();
  transaction.Commit();
}

bool SqliteStore::RemoveBan(std::string_view address) {
  std::lock_guard lock(mutex_);
  AdHocTransaction transaction(scoresDb_);
  Statement(scoresDb_, "DELETE FROM bans WHERE address = ?1").Start().Bind(1, address).Run();
  const bool removed = sqlite3_changes(scoresDb_) > 0;
  transaction.Commit();
  return removed;
}

std::vector<Ban> SqliteStore::Bans() {
  std::lock_guard lock(mutex_);
  std::vector<Ban> bans;
  Statement list(scoresDb_,
                 "SELECT address, reason, banned_at FROM bans ORDER BY banned_at, address");
  while (list.Step()) bans.push_back({list.Text(0), list.Text(1), list.Int(2)});
  return bans;
}

std::vector<StoredRecord> SqliteStore::LastRecords(int count) {
  std::lock_guard lock(mutex_);
  std::vector<StoredRecord> records;
  Statement list(scoresDb_,
                 "SELECT id, name, score, country, submitted_at, address FROM scores"
                 " ORDER BY id DESC LIMIT ?1");
  list.Start().Bind(1, static_cast<std::int64_t>(count));
  while (list.Step()) {
    records.push_back(
        {list.Int(0),
         {list.Text(1), static_cast<std::int32_t>(list.Int(2)), list.Text(3), list.Int(4)},
         list.Text(5)});
  }
  return records;
}

bool SqliteStore::RemoveRecord(std::int64_t id) {
  std::lock_guard lock(mutex_);
  AdHocTransaction transaction(scoresDb_);
  Statement(scoresDb_, "DELETE FROM scores WHERE id = ?1").Start().Bind(1, id).Run();
  const bool removed = sqlite3_changes(scoresDb_) > 0;
  if (removed) bumpGeneration_->Start().Run();
  transaction.Commit();
  return removed;
}

void SqliteStore::Backup(const std::string& path) {
  std::error_code ignored;
  // Never over an existing file: it may be an older backup, or the database itself.
  if (std::filesystem::exists(path, ignored)) {
    throw StoreError(fmt::format("'{}' already exists; a backup never overwrites a file", path));
  }
  std::lock_guard lock(mutex_);
  sqlite3* target = OpenDatabase(path);
  sqlite3_backup* backup = sqlite3_backup_init(target, "main", scoresDb_, "main");
  int result = backup ? sqlite3_backup_step(backup, -1) : sqlite3_errcode(target);
  if (backup) {
    const int finished = sqlite3_backup_finish(backup);
    if (result == SQLITE_DONE) result = finished;
  }
  const std::string message = sqlite3_errmsg(target);
  sqlite3_close(target);
  if (result != SQLITE_OK && result != SQLITE_DONE) {
    std::filesystem::remove(path, ignored);
    throw StoreError(fmt::format("backup to '{}' failed: {}", path, message));
  }
}

int SqliteStore::SchemaVersion() {
  std::lock_guard lock(mutex_);
  return static_cast<int>(
      std::stoi(RunForText(scoresDb_, "SELECT max(version) FROM schema_version")));
}

}  // namespace brakkon::server
