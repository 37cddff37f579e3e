// The real brakkon-scored program: its exit codes, and an accepted result surviving kill -9.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "server/server_fixture.h"
#include "server/server_process.h"

namespace brakkon::server::testing {
namespace {

TEST(ProcessTest, AnAcceptedResultSurvivesKillNine) {
  TempFolder folder;
  const std::filesystem::path database = folder.Path() / "scores.db";
  std::string inf;
  {
    RunningServer server(database.string(), folder.Path() / "first.log");
    ASSERT_NE(server.Port(), 0) << ReadFile(folder.Path() / "first.log");
    httplib::Client client("127.0.0.1", server.Port());
    const httplib::Result version = client.Get("/cgi/version.pl?version&prg=Brakkon");
    ASSERT_TRUE(version);
    inf = EncodedResult("SURVIVOR", 4242 - 2, records::VersionReplyP(version->body), "ICELAND");
    const httplib::Result accepted = client.Get(kSubmitPath + inf);
    ASSERT_TRUE(accepted);
    ASSERT_EQ(accepted->status, 200) << accepted->body;
    EXPECT_EQ(server.End(SIGKILL), 128 + SIGKILL);
  }
  RunningServer again(database.string(), folder.Path() / "second.log");
  ASSERT_NE(again.Port(), 0) << ReadFile(folder.Path() / "second.log");
  httplib::Client client("127.0.0.1", again.Port());
  const httplib::Result page = client.Get(kTablePath);
  ASSERT_TRUE(page);
  EXPECT_NE(page->body.find("<td>SURVIVOR</td><td class=\"n\">4240</td><td>ICELAND</td>"),
            std::string::npos)
      << page->body;
  // The used p came through as well.
  const httplib::Result replay = client.Get(kSubmitPath + inf);
  ASSERT_TRUE(replay);
  EXPECT_EQ(replay->body, "p has already been used\n");
  EXPECT_EQ(again.End(SIGTERM), 0);
  EXPECT_NE(ReadFile(folder.Path() / "second.log")
                .find("GET /cgi/version.pl?prg=Brakkon&show&type=0 200"),
            std::string::npos);
}

TEST(ProcessTest, PrintsTheProtocolAndRefusesBadArguments) {
  const Finished protocol = RunToEnd({"--print-protocol"});
  EXPECT_EQ(protocol.exitCode, 0);
  EXPECT_EQ(protocol.out, "alphabet=" + std::string(records::kScoreAlphabet) +
                              "\nkey=" + std::string(1, records::kScoreKey) + "\n");

  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--listen", "nowhere"}, {"--port", "80"}}) {
    const Finished refused = RunToEnd(args);
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.out.empty());
    EXPECT_NE(refused.err.find("usage: brakkon-scored"), std::string::npos) << refused.err;
  }

  TempFolder folder;
  const Finished unopenable = RunToEnd({"--db", (folder.Path() / "no/such/dir/x.db").string()});
  EXPECT_EQ(unopenable.exitCode, 1);
  EXPECT_NE(unopenable.err.find("cannot open database"), std::string::npos) << unopenable.err;
}

}  // namespace
}  // namespace brakkon::server::testing
