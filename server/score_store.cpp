// Picking the database behind the score table from what --db names.
#include "server/score_store.h"

#include "server/postgres_store.h"
#include "server/sqlite_store.h"

namespace brakkon::server {

bool IsPostgresUri(std::string_view database) {
  return database.starts_with("postgresql://") || database.starts_with("postgres://");
}

ScoreStore::ScoreStore(const std::string& database, TicketLimits limits) {
  if (IsPostgresUri(database)) {
    backend_ = std::make_unique<PostgresStore>(database, limits);
  } else {
    backend_ = std::make_unique<SqliteStore>(database, limits);
  }
}

ScoreStore::~ScoreStore() = default;

}  // namespace brakkon::server
