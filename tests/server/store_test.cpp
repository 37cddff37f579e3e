// The same cases against both databases: p values, submissions, bans, removals, the schema,
// and two servers sharing one database.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>
#include <optional>

#include "server/postgres_cluster.h"
#include "server/server_fixture.h"

namespace brakkon::server::testing {
namespace {

enum class Kind { kSqlite, kPostgres };

class StoreTest : public ::testing::TestWithParam<Kind> {
 protected:
  void SetUp() override {
    if (GetParam() == Kind::kPostgres) {
      cluster_.emplace();
      ASSERT_TRUE(cluster_->Running());
      database_ = cluster_->Uri();
    } else {
      database_ = (folder_.Path() / "scores.db").string();
    }
  }
  bool Postgres() const { return GetParam() == Kind::kPostgres; }

  TempFolder folder_;
  std::optional<PostgresCluster> cluster_;
  std::string database_;
  FakeClock clock_;
};

INSTANTIATE_TEST_SUITE_P(Stores, StoreTest, ::testing::Values(Kind::kSqlite, Kind::kPostgres),
                         [](const ::testing::TestParamInfo<Kind>& info) {
                           return info.param == Kind::kSqlite ? "Sqlite" : "Postgres";
                         });

std::string IssueP(ScoreService& service, const std::string& address) {
  return records::VersionReplyP(service.VersionQuery(address).body);
}

TEST_P(StoreTest, TheClaimRulesAndLimitsHold) {
  ScoreStore store(database_, TicketLimits{3, 5});
  const std::int64_t t = FakeClock::kStart;
  const auto issue = [&](const std::string& p, const std::string& address, std::int64_t at = 0) {
    store.AddTicket(p, address, t + at, t + at - kTicketLifetimeSeconds);
  };
  const auto claim = [&](const std::string& p, const std::string& address, std::int64_t at = 0) {
    return store.StoreScore(p, address, t + at - kTicketLifetimeSeconds,
                            ScoreEntry{"ACE", 100, "X", t + at});
  };
  // One sequence, since each step depends on what the ones before kept.
  const struct {
    const char* label;
    std::function<ClaimResult()> step;
    ClaimResult expected;
  } steps[] = {
      {"never issued", [&] { return claim("NOPE", "a"); }, ClaimResult::kUnknownTicket},
      {"issued to a, claimed by b",
       [&] {
         issue("B1", "a");
         return claim("B1", "b");
       },
       ClaimResult::kOtherAddress},
      {"then by a", [&] { return claim("B1", "a"); }, ClaimResult::kStored},
      {"twice", [&] { return claim("B1", "a"); }, ClaimResult::kUsedTicket},
      {"ten minutes and a second old",
       [&] {
         issue("S1", "s");
         return claim("S1", "s", 601);
       },
       ClaimResult::kStaleTicket},
      {"a fourth from one address drops its first",
       [&] {
         for (const char* p : {"A1", "A2", "A3", "A4"}) issue(p, "a");
         return claim("A1", "a");
       },
       ClaimResult::kUnknownTicket},
      {"and keeps the second", [&] { return claim("A2", "a"); }, ClaimResult::kStored},
      {"past five in all the oldest go",
       [&] {
         for (const char* p : {"C1", "C2", "D1", "D2"}) issue(p, p[0] == 'C' ? "c" : "d");
         return claim("A3", "a");
       },
       ClaimResult::kUnknownTicket},
      {"the newest stay", [&] { return claim("A4", "a"); }, ClaimResult::kStored},
      {"issuing ten minutes later forgets the rest",
       [&] {
         issue("E1", "e", kTicketLifetimeSeconds + 1);
         return claim("C1", "c", kTicketLifetimeSeconds + 1);
       },
       ClaimResult::kUnknownTicket},
      {"but not the new one", [&] { return claim("E1", "e", kTicketLifetimeSeconds + 1); },
       ClaimResult::kStored},
  };
  for (const auto& s : steps) EXPECT_EQ(s.step(), s.expected) << s.label;
  EXPECT_EQ(store.BestScores(100).size(), 4u);
}

TEST_P(StoreTest, TheServiceAnswersAlike) {
  ScoreStore store(database_);
  ScoreService service(store, clock_.AsClock());
  const std::string replayed = EncodedResult("ACE", 500, IssueP(service, "10.0.0.1"), "NORWAY");
  const std::string foreign = EncodedResult("ACE", 500, IssueP(service, "10.0.0.1"), "NORWAY");
  const struct {
    const char* label;
    std::string address;
    std::function<std::string()> inf;
    int status;
    const char* body;
  } cases[] = {
      {"a good one", "10.0.0.1", [&] { return replayed; }, 200, "OK\n"},
      {"the same again", "10.0.0.1", [&] { return replayed; }, 400, "p has already been used\n"},
      {"from another address", "10.0.0.2", [&] { return foreign; }, 400,
       "p was issued to another address\n"},
      {"a forged p", "10.0.0.1", [] { return EncodedResult("ACE", 5, "K3RWZ8MHTQ5BXNJ2", "X"); },
       400, "p was not issued by this server, or has expired\n"},
      {"an unequal record", "10.0.0.1",
       [&] { return EncodedResult("BEE", 101, IssueP(service, "10.0.0.1"), "X"); }, 400, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const Reply reply = service.Submit(c.address, c.inf());
    EXPECT_EQ(reply.status, c.status) << reply.body;
    if (c.body) {
      EXPECT_EQ(reply.body, c.body);
    }
  }
  // Four counted so far from 10.0.0.1, refused ones included: six more, then the limit.
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(
        service.Submit("10.0.0.1", EncodedResult("CEE", 5 * i, IssueP(service, "10.0.0.1"), "X"))
            .status,
        200);
  }
  const Reply limited =
      service.Submit("10.0.0.1", EncodedResult("DEE", 5, IssueP(service, "10.0.0.1"), "X"));
  EXPECT_EQ(limited.status, 429);
  EXPECT_EQ(limited.retryAfterSeconds, 60);
  clock_.Advance(60);
  EXPECT_EQ(
      service.Submit("10.0.0.1", EncodedResult("DEE", 5, IssueP(service, "10.0.0.1"), "X")).status,
      200);
  const std::string page = service.TablePage().body;
  EXPECT_NE(page.find("<td>ACE</td><td class=\"n\">500</td><td>NORWAY</td>"), std::string::npos);
  EXPECT_EQ(store.BestScores(100).size(), 8u);
}

TEST_P(StoreTest, BansRefuseWithTheReasonUntilLifted) {
  ScoreStore store(database_);
  ScoreService service(store, clock_.AsClock());
  const std::string inf = EncodedResult("ACE", 100, IssueP(service, "192.0.2.7"), "X");
  ScoreStore moderator(database_);
  moderator.Backend().AddBan({"192.0.2.7", "offensive names", FakeClock::kStart});
  const Reply banned = service.Submit("192.0.2.7", inf);
  EXPECT_EQ(banned.status, 403);
  EXPECT_EQ(banned.body, "this address may not submit results: offensive names\n");
  // Even a request the rules would refuse anyway gets the ban as its answer.
  EXPECT_EQ(service.Submit("192.0.2.7", std::nullopt).status, 403);
  EXPECT_EQ(service.Submit("192.0.2.8", EncodedResult("BEE", 5, IssueP(service, "192.0.2.8"), "X"))
                .status,
            200);
  ASSERT_EQ(moderator.Backend().Bans().size(), 1u);
  EXPECT_EQ(moderator.Backend().Bans()[0].reason, "offensive names");
  // Banning again replaces the reason rather than failing.
  moderator.Backend().AddBan({"192.0.2.7", "cheating", FakeClock::kStart + 1});
  EXPECT_EQ(service.Submit("192.0.2.7", inf).body,
            "this address may not submit results: cheating\n");

  EXPECT_TRUE(moderator.Backend().RemoveBan("192.0.2.7"));
  EXPECT_FALSE(moderator.Backend().RemoveBan("192.0.2.7"));
  // The p was never used, so the result goes in once the ban is lifted.
  EXPECT_EQ(service.Submit("192.0.2.7", inf).status, 200);
}

TEST_P(StoreTest, TwoServersOnOneDatabaseServeOneTable) {
  ScoreStore storeA(database_);
  ScoreStore storeB(database_);
  ScoreService a(storeA, clock_.AsClock());
  ScoreService b(storeB, clock_.AsClock());
  const std::string inf = EncodedResult("ACE", 700, IssueP(a, "10.0.0.1"), "X");
  EXPECT_EQ(b.Submit("10.0.0.1", inf).status, 200);
  EXPECT_EQ(a.Submit("10.0.0.1", inf).body, "p has already been used\n");
  EXPECT_NE(a.TablePage().body.find("<td>ACE</td><td class=\"n\">700</td>"), std::string::npos);
  EXPECT_EQ(a.TablePage().body, b.TablePage().body);

  // A moderator's removal, from a third connection, leaves both pages at once.
  ScoreStore moderator(database_);
  const std::vector<StoredRecord> records = moderator.Backend().LastRecords(10);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].address, "10.0.0.1");
  EXPECT_EQ(records[0].entry.score, 700);
  EXPECT_TRUE(moderator.Backend().RemoveRecord(records[0].id));
  EXPECT_FALSE(moderator.Backend().RemoveRecord(records[0].id));
  EXPECT_NE(a.TablePage().body.find("No scores yet."), std::string::npos);
  EXPECT_NE(b.TablePage().body.find("No scores yet."), std::string::npos);
  // The removed result's p stays used.
  EXPECT_EQ(b.Submit("10.0.0.1", inf).body, "p has already been used\n");

  if (Postgres()) {
    // PostgreSQL keeps the per-address counts, so ten a minute holds over both servers.
    int accepted = 0;
    for (int i = 0; i < 12; ++i) {
      ScoreService& via = i % 2 ? a : b;
      const Reply reply =
          via.Submit("10.0.0.9", EncodedResult("BEE", 5 * i, IssueP(via, "10.0.0.9"), "X"));
      accepted += reply.status == 200;
      if (i >= 10) {
        EXPECT_EQ(reply.status, 429) << i;
      }
    }
    EXPECT_EQ(accepted, 10);
  }
}

TEST_P(StoreTest, TheSchemaIsVersionedAndANewerOneRefused) {
  {
    ScoreStore store(database_);
    EXPECT_EQ(store.Backend().SchemaVersion(), kSchemaVersion);
  }
  // Opening again neither fails nor changes anything.
  {
    ScoreStore store(database_);
    EXPECT_EQ(store.Backend().SchemaVersion(), kSchemaVersion);
  }
  if (Postgres()) {
    cluster_->Psql("UPDATE schema_version SET version = 99");
  } else {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(database_.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "UPDATE schema_version SET version = 99", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
  }
  try {
    ScoreStore store(database_);
    ADD_FAILURE() << "opened a database of a newer schema";
  } catch (const StoreError& error) {
    EXPECT_NE(std::string(error.what()).find("schema version 99, newer than this server's"),
              std::string::npos)
        << error.what();
  }
}

TEST_P(StoreTest, ABackupHoldsTheTableOrPointsAtPgDump) {
  ScoreStore store(database_);
  ScoreService service(store, clock_.AsClock());
  ASSERT_EQ(service.Submit("10.0.0.1", EncodedResult("ACE", 100, IssueP(service, "10.0.0.1"), "X"))
                .status,
            200);
  const std::string copy = (folder_.Path() / "copy.db").string();
  if (Postgres()) {
    try {
      store.Backend().Backup(copy);
      ADD_FAILURE() << "a PostgreSQL backup was claimed";
    } catch (const StoreError& error) {
      EXPECT_NE(std::string(error.what()).find("pg_dump"), std::string::npos);
    }
    return;
  }
  store.Backend().Backup(copy);
  ScoreStore restored(copy);
  ASSERT_EQ(restored.BestScores(10).size(), 1u);
  EXPECT_EQ(restored.BestScores(10)[0].name, "ACE");
  EXPECT_THROW(store.Backend().Backup(copy), StoreError);
}

// A file made before the schema had a version, with today's first tables and a result in it.
TEST(SqliteSchemaTest, AnUnversionedFileIsUpgradedAndKeepsItsResults) {
  TempFolder folder;
  const std::string path = (folder.Path() / "old.db").string();
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(
      sqlite3_exec(
          db,
          "CREATE TABLE scores (id INTEGER PRIMARY KEY, name TEXT NOT NULL,"
          " score INTEGER NOT NULL, country TEXT NOT NULL, submitted_at INTEGER NOT NULL,"
          " address TEXT NOT NULL, p TEXT NOT NULL UNIQUE);"
          "CREATE TABLE tickets (id INTEGER PRIMARY KEY, p TEXT NOT NULL UNIQUE,"
          " address TEXT NOT NULL, issued_at INTEGER NOT NULL,"
          " used INTEGER NOT NULL DEFAULT 0);"
          "INSERT INTO scores VALUES (1, 'OLDTIMER', 900, 'X', 1600000000, '10.0.0.1', 'P1');",
          nullptr, nullptr, nullptr),
      SQLITE_OK);
  sqlite3_close(db);
  ScoreStore store(path);
  EXPECT_EQ(store.Backend().SchemaVersion(), kSchemaVersion);
  ASSERT_EQ(store.BestScores(10).size(), 1u);
  EXPECT_EQ(store.BestScores(10)[0].name, "OLDTIMER");
  EXPECT_FALSE(store.Backend().BanReason("10.0.0.1").has_value());
}

}  // namespace
}  // namespace brakkon::server::testing
