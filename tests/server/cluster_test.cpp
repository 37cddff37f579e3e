// Several brakkon-scored processes on one PostgreSQL database, the moderators' commands, and
// client addresses behind a trusted proxy.
#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <latch>
#include <regex>
#include <thread>

#include "server/postgres_cluster.h"
#include "server/server_fixture.h"
#include "server/server_process.h"
#include "server/trusted_proxies.h"

namespace brakkon::server::testing {
namespace {

const std::string kVersionPath = "/cgi/version.pl?version&prg=Brakkon";

httplib::Headers From(const std::string& address) {
  return address.empty() ? httplib::Headers{} : httplib::Headers{{"X-Forwarded-For", address}};
}

std::string IssueP(int port, const std::string& forwardedFor = "") {
  httplib::Client client("127.0.0.1", port);
  const httplib::Result reply = client.Get(kVersionPath, From(forwardedFor));
  if (!reply || reply->status != 200) {
    ADD_FAILURE() << "version query failed";
    return {};
  }
  return records::VersionReplyP(reply->body);
}

// Status and body of one submission.
std::pair<int, std::string> Submit(int port, const std::string& inf,
                                   const std::string& forwardedFor = "") {
  httplib::Client client("127.0.0.1", port);
  client.set_read_timeout(std::chrono::seconds(10));
  const httplib::Result reply = client.Get(kSubmitPath + inf, From(forwardedFor));
  if (!reply) return {0, "no answer"};
  return {reply->status, reply->body};
}

std::string Table(int port) {
  httplib::Client client("127.0.0.1", port);
  const httplib::Result reply = client.Get(kTablePath);
  return reply && reply->status == 200 ? reply->body : std::string("no table");
}

Finished Admin(const std::string& database, std::vector<std::string> args) {
  args.insert(args.begin(), {"admin", "--db", database});
  return RunToEnd(args);
}

class ClusterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(cluster_.Running());
    a_.emplace(cluster_.Uri(), cluster_.Folder() / "a.log",
               std::vector<std::string>{"--trusted-proxy", "127.0.0.1"});
    b_.emplace(cluster_.Uri(), cluster_.Folder() / "b.log",
               std::vector<std::string>{"--trusted-proxy", "127.0.0.1"});
    ASSERT_NE(a_->Port(), 0) << a_->Log();
    ASSERT_NE(b_->Port(), 0) << b_->Log();
  }

  PostgresCluster cluster_;
  std::optional<RunningServer> a_, b_;
};

TEST_F(ClusterTest, TwoProcessesServeOneTableAndObeyTheModerator) {
  const int a = a_->Port();
  const int b = b_->Port();
  const std::string inf = EncodedResult("ACE DRIVER", 1230, IssueP(a), "NORWAY");
  EXPECT_EQ(Submit(b, inf), std::make_pair(200, std::string("OK\n")));
  EXPECT_EQ(Submit(a, inf), std::make_pair(400, std::string("p has already been used\n")));
  const std::string page = Table(a);
  EXPECT_NE(page.find("<td>ACE DRIVER</td><td class=\"n\">1230</td>"), std::string::npos) << page;
  EXPECT_EQ(Table(b), page);

  // Ten a minute from one address, whichever process takes them.
  int accepted = 0;
  for (int i = 0; i < 11; ++i) {
    const int via = i % 2 ? a : b;
    const auto [status, body] =
        Submit(via, EncodedResult("BEE", 5 * i, IssueP(via, "203.0.113.5"), "X"), "203.0.113.5");
    accepted += status == 200;
    if (i == 10) {
      EXPECT_EQ(status, 429) << body;
    }
  }
  EXPECT_EQ(accepted, 10);

  const Finished list = Admin(cluster_.Uri(), {"list", "--last", "1"});
  EXPECT_EQ(list.exitCode, 0) << list.err;
  std::smatch row;
  const std::regex firstRow("\n([0-9]+)\t[0-9T:Z-]+\t203\\.0\\.113\\.5\t45\tBEE\tX\n");
  ASSERT_TRUE(std::regex_search(list.out, row, firstRow)) << list.out;
  const Finished all = Admin(cluster_.Uri(), {"list"});
  const std::regex aceRow("\n([0-9]+)\t[0-9T:Z-]+\t127\\.0\\.0\\.1\t1230\tACE DRIVER\tNORWAY\n");
  ASSERT_TRUE(std::regex_search(all.out, row, aceRow)) << all.out;
  const Finished removed = Admin(cluster_.Uri(), {"remove", row[1].str()});
  EXPECT_EQ(removed.exitCode, 0) << removed.err;
  EXPECT_EQ(removed.out, "removed record " + row[1].str() + "\n");
  for (const int port : {a, b}) EXPECT_EQ(Table(port).find("ACE DRIVER"), std::string::npos);
  EXPECT_EQ(Admin(cluster_.Uri(), {"remove", row[1].str()}).exitCode, 1);

  EXPECT_EQ(Admin(cluster_.Uri(), {"ban", "198.51.100.9", "--reason", "offensive names"}).exitCode,
            0);
  for (const int port : {a, b}) {
    EXPECT_EQ(
        Submit(port, EncodedResult("CEE", 5, IssueP(port, "198.51.100.9"), "X"), "198.51.100.9"),
        std::make_pair(403, std::string("this address may not submit results: offensive names\n")));
  }
  const Finished bans = Admin(cluster_.Uri(), {"bans"});
  EXPECT_NE(bans.out.find("198.51.100.9\t"), std::string::npos) << bans.out;
  EXPECT_EQ(Admin(cluster_.Uri(), {"unban", "198.51.100.9"}).exitCode, 0);
  EXPECT_EQ(Admin(cluster_.Uri(), {"unban", "198.51.100.9"}).exitCode, 1);
  EXPECT_EQ(
      Submit(b, EncodedResult("CEE", 5, IssueP(a, "198.51.100.9"), "X"), "198.51.100.9").first,
      200);
  EXPECT_NE(
      Admin(cluster_.Uri(), {"backup", (cluster_.Folder() / "x.db").string()}).err.find("pg_dump"),
      std::string::npos);
}

TEST_F(ClusterTest, TwoProcessesRacingForOnePAcceptItOnce) {
  constexpr int kTries = 40;
  int doubles = 0;
  int nones = 0;
  for (int i = 0; i < kTries; ++i) {
    // A fresh address each time keeps the rate limit out of the way.
    const std::string address = "10.7.0." + std::to_string(i + 1);
    const std::string inf = EncodedResult("RACER", 5 * i, IssueP(a_->Port(), address), "X");
    std::latch start(2);
    std::pair<int, std::string> replies[2];
    std::thread racers[2];
    for (int r = 0; r < 2; ++r) {
      racers[r] = std::thread([&, r] {
        httplib::Client client("127.0.0.1", r == 0 ? a_->Port() : b_->Port());
        client.set_read_timeout(std::chrono::seconds(10));
        // Connected before the start, so both requests leave at the same moment.
        client.set_keep_alive(true);
        client.Get("/");
        start.arrive_and_wait();
        const httplib::Result reply = client.Get(kSubmitPath + inf, From(address));
        replies[r] =
            reply ? std::make_pair(reply->status, reply->body) : std::make_pair(0, std::string());
      });
    }
    for (std::thread& racer : racers) racer.join();
    const int accepted = (replies[0].first == 200) + (replies[1].first == 200);
    doubles += accepted > 1;
    nones += accepted == 0;
    for (const auto& [status, body] : replies) {
      if (status != 200) {
        EXPECT_EQ(body, "p has already been used\n");
      }
    }
  }
  EXPECT_EQ(doubles, 0);
  EXPECT_EQ(nones, 0);
  const std::string page = Table(b_->Port());
  int rows = 0;
  for (std::size_t at = page.find("<td>RACER</td>"); at != std::string::npos;
       at = page.find("<td>RACER</td>", at + 1))
    ++rows;
  EXPECT_EQ(rows, kTries);
}

TEST_F(ClusterTest, OneProcessKilledTheOtherCarriesOnAndNothingIsLost) {
  const std::string first = EncodedResult("BEFORE", 100, IssueP(a_->Port()), "X");
  ASSERT_EQ(Submit(a_->Port(), first).first, 200);
  const std::string pending = IssueP(a_->Port());
  EXPECT_EQ(a_->End(SIGKILL), 128 + SIGKILL);
  // The p issued by the dead process is still good at the living one.
  EXPECT_EQ(Submit(b_->Port(), EncodedResult("AFTER", 200, pending, "X")).first, 200);
  const std::string page = Table(b_->Port());
  EXPECT_NE(page.find("<td>BEFORE</td>"), std::string::npos);
  EXPECT_NE(page.find("<td>AFTER</td>"), std::string::npos);
}

TEST(ProxyTest, OnlyATrustedPeerNamesTheClient) {
  TempFolder folder;
  const std::string database = (folder.Path() / "scores.db").string();
  {
    RunningServer server(database, folder.Path() / "trusting.log",
                         {"--trusted-proxy", "127.0.0.1"});
    ASSERT_NE(server.Port(), 0) << server.Log();
    const std::string p = IssueP(server.Port(), "198.51.100.1");
    const std::string inf = EncodedResult("ACE", 100, p, "X");
    EXPECT_EQ(Submit(server.Port(), inf, "198.51.100.2").second,
              "p was issued to another address\n");
    EXPECT_EQ(Submit(server.Port(), inf).second, "p was issued to another address\n");
    // What a client wrote comes first, the proxy appends what it saw: the last one counts.
    EXPECT_EQ(Submit(server.Port(), inf, "192.0.2.66, 198.51.100.1").first, 200);
    // The line is written once the reply is out, so it may come a moment after it.
    const std::string line = " 198.51.100.1 GET /cgi/version.pl?hs&prg=Brakkon&inf=[";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (server.Log().find(line) == std::string::npos &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_NE(server.Log().find(line), std::string::npos) << server.Log();
    EXPECT_EQ(server.End(SIGTERM), 0);
  }
  RunningServer server(database, folder.Path() / "plain.log");
  ASSERT_NE(server.Port(), 0) << server.Log();
  // Without --trusted-proxy the header is nobody's word: the p is the peer's.
  const std::string p = IssueP(server.Port(), "198.51.100.1");
  EXPECT_EQ(Submit(server.Port(), EncodedResult("ACE", 100, p, "X"), "198.51.100.3").first, 200);
}

TEST(ProxyTest, TheClientIsTheLastUntrustedHop) {
  const TrustedProxies proxies({"127.0.0.1", "10.0.0.2", "::1"});
  const struct {
    std::string peer;
    std::string forwardedFor;
    std::string client;
  } cases[] = {
      {"127.0.0.1", "198.51.100.1", "198.51.100.1"},
      {"127.0.0.1", "", "127.0.0.1"},
      {"192.0.2.1", "198.51.100.1", "192.0.2.1"},  // not a trusted peer: ignored
      {"127.0.0.1", "6.6.6.6, 198.51.100.1", "198.51.100.1"},
      {"127.0.0.1", "198.51.100.1, 10.0.0.2", "198.51.100.1"},  // through two proxies
      {"127.0.0.1", "10.0.0.2,127.0.0.1", "10.0.0.2"},          // only proxies: the first
      {"127.0.0.1", "198.51.100.1:4711", "198.51.100.1"},
      {"127.0.0.1", "[2001:db8::1]:4711", "2001:db8::1"},
      {"127.0.0.1", "2001:DB8::0001", "2001:db8::1"},
      {"127.0.0.1", "::ffff:198.51.100.1", "198.51.100.1"},
      {"::1", "198.51.100.1", "198.51.100.1"},
      {"127.0.0.1", "1.2.3.4, junk", "127.0.0.1"},  // a broken proxy: its own address
      {"127.0.0.1", "junk, 1.2.3.4", "1.2.3.4"},    // junk a client wrote is never reached
      {"127.0.0.1", " , 198.51.100.1 ,", "198.51.100.1"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(proxies.ClientAddress(c.peer, c.forwardedFor), c.client)
        << c.peer << " / " << c.forwardedFor;
  }
  EXPECT_EQ(TrustedProxies().ClientAddress("127.0.0.1", "198.51.100.1"), "127.0.0.1");
  EXPECT_THROW(TrustedProxies({"localhost"}), std::invalid_argument);
}

TEST(AdminTest, ListsRemovesBansAndBacksUpAnSqliteFile) {
  TempFolder folder;
  const std::string database = (folder.Path() / "scores.db").string();
  {
    RunningServer server(database, folder.Path() / "server.log");
    ASSERT_NE(server.Port(), 0) << server.Log();
    ASSERT_EQ(Submit(server.Port(), EncodedResult("ACE", 100, IssueP(server.Port()), "X")).first,
              200);
    ASSERT_EQ(Submit(server.Port(), EncodedResult("BEE", 200, IssueP(server.Port()), "Y")).first,
              200);
    const Finished list = Admin(database, {"list"});
    EXPECT_EQ(list.exitCode, 0) << list.err;
    EXPECT_TRUE(
        std::regex_match(list.out, std::regex("id\tsubmitted\taddress\tscore\tname\tcountry\n"
                                              "2\t[0-9T:Z-]+\t127\\.0\\.0\\.1\t200\tBEE\tY\n"
                                              "1\t[0-9T:Z-]+\t127\\.0\\.0\\.1\t100\tACE\tX\n")))
        << list.out;
    // The running server drops it from its page at once.
    EXPECT_EQ(Admin(database, {"remove", "2"}).exitCode, 0);
    EXPECT_EQ(Table(server.Port()).find("BEE"), std::string::npos);
    EXPECT_NE(Table(server.Port()).find("ACE"), std::string::npos);
    EXPECT_EQ(Admin(database, {"ban", "127.0.0.1"}).out,
              "banned 127.0.0.1: banned by the table's moderators\n");
    EXPECT_EQ(Submit(server.Port(), EncodedResult("CEE", 5, IssueP(server.Port()), "X")).first,
              403);
    const Finished backup = Admin(database, {"backup", (folder.Path() / "copy.db").string()});
    EXPECT_EQ(backup.exitCode, 0) << backup.err;
  }
  const Finished copy = Admin((folder.Path() / "copy.db").string(), {"list"});
  EXPECT_NE(copy.out.find("\tACE\tX\n"), std::string::npos) << copy.out;
  EXPECT_EQ(copy.out.find("BEE"), std::string::npos);
  EXPECT_NE(Admin((folder.Path() / "copy.db").string(), {"bans"}).out.find("127.0.0.1\t"),
            std::string::npos);
  EXPECT_EQ(Admin(database, {"backup", (folder.Path() / "copy.db").string()}).exitCode, 1);
  EXPECT_EQ(Admin(database, {"frobnicate"}).exitCode, 2);
  EXPECT_EQ(Admin(database, {"ban", "not-an-address"}).exitCode, 2);
}

}  // namespace
}  // namespace brakkon::server::testing
