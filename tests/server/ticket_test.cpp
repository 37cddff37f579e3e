// One-time p values below HTTP: who may use them, how many are kept, and the per-address limit.
#include <gtest/gtest.h>

#include "server/rate_limiter.h"
#include "server/server_fixture.h"

namespace brakkon::server::testing {
namespace {

ScoreEntry Entry(std::int64_t at) {
  return ScoreEntry{"ACE", 100, "X", at};
}

TEST(TicketTest, APIsGoodOnlyForTheAddressThatAskedForIt) {
  TempFolder folder;
  FakeClock clock;
  ScoreStore store((folder.Path() / "scores.db").string());
  ScoreService service(store, clock.AsClock());
  const std::string p = records::VersionReplyP(service.VersionQuery("10.0.0.1").body);
  const std::string inf = EncodedResult("ACE", 100, p, "X");

  const Reply elsewhere = service.Submit("10.0.0.2", inf);
  EXPECT_EQ(elsewhere.status, 400);
  EXPECT_EQ(elsewhere.body, "p was issued to another address\n");
  EXPECT_EQ(service.Submit("10.0.0.1", inf).status, 200);
}

TEST(TicketTest, TheOldestAreDroppedBeyondTheLimitsAndOnExpiry) {
  TempFolder folder;
  ScoreStore store((folder.Path() / "scores.db").string(), TicketLimits{3, 5});
  const std::int64_t t = FakeClock::kStart;
  const auto issue = [&](const std::string& p, const std::string& address, std::int64_t at = 0) {
    store.AddTicket(p, address, t + at, t + at - kTicketLifetimeSeconds);
  };
  const auto claim = [&](const std::string& p, const std::string& address) {
    return store.StoreScore(p, address, t - kTicketLifetimeSeconds, Entry(t));
  };

  // A fourth from one address pushes out that address's first, nobody else's.
  issue("B1", "b");
  for (const char* p : {"A1", "A2", "A3", "A4"}) issue(p, "a");
  EXPECT_EQ(claim("A1", "a"), ClaimResult::kUnknownTicket);
  EXPECT_EQ(claim("A2", "a"), ClaimResult::kStored);
  EXPECT_EQ(claim("B1", "b"), ClaimResult::kStored);

  // Past five in all, the oldest overall go, whoever they belong to.
  for (const char* p : {"C1", "C2", "D1", "D2"}) issue(p, p[0] == 'C' ? "c" : "d");
  EXPECT_EQ(claim("A3", "a"), ClaimResult::kUnknownTicket);
  EXPECT_EQ(claim("A4", "a"), ClaimResult::kStored);

  // Issuing after ten minutes forgets the old ones, used or not.
  issue("E1", "e", kTicketLifetimeSeconds + 1);
  EXPECT_EQ(claim("C1", "c"), ClaimResult::kUnknownTicket);
  EXPECT_EQ(claim("A4", "a"), ClaimResult::kUnknownTicket);
  EXPECT_EQ(claim("E1", "e"), ClaimResult::kStored);
  EXPECT_EQ(store.BestScores(100).size(), 4u);
}

TEST(TicketTest, TheSubmissionLimitIsPerAddressAndSlides) {
  RateLimiter limiter(2, 60, 3);
  const std::int64_t t = FakeClock::kStart;
  EXPECT_TRUE(limiter.Allow("a", t));
  EXPECT_TRUE(limiter.Allow("a", t + 30));
  EXPECT_FALSE(limiter.Allow("a", t + 59));
  EXPECT_TRUE(limiter.Allow("b", t + 59));
  // The first has left the window, and the refused one at t + 59 never counted.
  EXPECT_TRUE(limiter.Allow("a", t + 60));
  EXPECT_FALSE(limiter.Allow("a", t + 61));
  // The table of addresses is bounded: a fourth address waits until one goes quiet.
  EXPECT_TRUE(limiter.Allow("c", t + 61));
  EXPECT_FALSE(limiter.Allow("d", t + 61));
  EXPECT_TRUE(limiter.Allow("d", t + 150));
}

}  // namespace
}  // namespace brakkon::server::testing
