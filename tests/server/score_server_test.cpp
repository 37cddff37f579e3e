// The score server over HTTP: the game's round trip, what it refuses, its pages and limits.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <regex>

#include "server/html_pages.h"
#include "server/server_fixture.h"

namespace brakkon::server::testing {
namespace {

TEST(ScoreServerTest, TheGamesRoundTripEndsUpInTheTable) {
  LiveServer server;
  const httplib::Result version = server.Client().Get("/cgi/version.pl?version&prg=Quillora");
  ASSERT_TRUE(version);
  EXPECT_EQ(version->status, 200);
  ASSERT_TRUE(std::regex_match(version->body, std::regex("OK\\|1\\|0\\|0\\|[A-Z0-9]{13,}\\|")))
      << version->body;
  const std::string p = records::VersionReplyP(version->body);
  EXPECT_EQ(p.find_first_not_of(records::kScoreAlphabet), std::string::npos) << p;
  EXPECT_NE(server.IssueP(), p);

  const httplib::Result first = server.Submit(EncodedResult("ACE DRIVER", 1230, p, "NORWAY"));
  ASSERT_TRUE(first);
  EXPECT_EQ(first->status, 200) << first->body;
  server.Time().Advance(1);
  const httplib::Result second = server.SubmitResult("SLOWPOKE", 95, "CHAD");
  ASSERT_TRUE(second);
  EXPECT_EQ(second->status, 200) << second->body;

  const std::string page = server.TablePage();
  EXPECT_NE(page.find("<td class=\"n\">1</td><td>ACE DRIVER</td><td class=\"n\">1230</td>"
                      "<td>NORWAY</td><td>2023-11-14</td>"),
            std::string::npos)
      << page;
  EXPECT_NE(page.find("<td class=\"n\">2</td><td>SLOWPOKE</td><td class=\"n\">95</td>"),
            std::string::npos);
  EXPECT_EQ(server.StoredCount(), 2u);
}

TEST(ScoreServerTest, AcceptsTheEdgesOfEveryRule) {
  const struct {
    const char* label;
    std::string name;
    std::int32_t score;
    std::string country;
    std::int64_t ageSeconds;  // of p when it is used
  } cases[] = {
      {"everything empty or zero", "", 0, "", 0},
      {"the longest name, the top score", std::string(64, 'Z') + "", 10'000'000, "X", 0},
      {"the longest country, every printable kind", "A B", 5,
       "<>&\"'~!#$%()*+,-./:;=?@[\\]^_`{}09 azAZ" + std::string(26, '.'), 0},
      {"p exactly ten minutes old", "LATE", 100, "NORWAY", 600},
  };
  LiveServer server;
  std::size_t stored = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    ASSERT_LE(c.country.size(), 64u);
    const std::string p = server.IssueP();
    server.Time().Advance(c.ageSeconds);
    const httplib::Result reply = server.Submit(EncodedResult(c.name, c.score, p, c.country));
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 200) << reply->body;
    EXPECT_EQ(server.StoredCount(), ++stored);
    EXPECT_NE(server.TablePage().find("<td>" + EscapeHtml(c.country) + "</td>"), std::string::npos);
  }
}

TEST(ScoreServerTest, PlayerTextIsEscapedNeverMarkup) {
  LiveServer server;
  const httplib::Result reply = server.SubmitResult("ACE", 100, "<b>&\"'");
  ASSERT_TRUE(reply);
  ASSERT_EQ(reply->status, 200) << reply->body;
  const std::string page = server.TablePage();
  EXPECT_NE(page.find("<td>&lt;b&gt;&amp;&quot;&#39;</td>"), std::string::npos) << page;
  EXPECT_EQ(page.find("<b>"), std::string::npos);
}

// Builds the request path for one case; may issue p, move the clock or submit first.
using PathMaker = std::function<std::string(LiveServer&)>;

PathMaker Result(std::string name, std::int32_t score, std::string country) {
  return
      [=](LiveServer& s) { return kSubmitPath + EncodedResult(name, score, s.IssueP(), country); };
}

// A hand-made record around a real p: `before` and `after` surround it.
PathMaker Record(std::string before, std::string after) {
  return [=](LiveServer& s) { return kSubmitPath + EncodedRecord(before + s.IssueP() + after); };
}

// A good submission with its code changed by `change`.
PathMaker Altered(std::function<void(std::string&)> change) {
  return [=](LiveServer& s) {
    std::string inf = EncodedResult("ACE", 100, s.IssueP(), "X");
    change(inf);
    return kSubmitPath + inf;
  };
}

std::string PseudoRandomCode(std::size_t length) {
  std::string code;
  std::uint32_t state = 12345;
  for (std::size_t i = 0; i < length; ++i) {
    state = state * 1103515245u + 12345u;
    code += records::kScoreAlphabet[(state >> 16) % records::kScoreAlphabet.size()];
  }
  return code;
}

TEST(ScoreServerTest, RefusesEveryFlawWithItsReasonAndStoresNothing) {
  const struct {
    const char* label;
    PathMaker makePath;
    int status;
    const char* reason;
  } cases[] = {
      {"a replayed inf",
       [](LiveServer& s) {
         const std::string inf = EncodedResult("ACE", 100, s.IssueP(), "X");
         const httplib::Result first = s.Submit(inf);
         EXPECT_TRUE(first && first->status == 200);
         return kSubmitPath + inf;
       },
       400, "p has already been used"},
      {"a forged p",
       [](LiveServer&) { return kSubmitPath + EncodedResult("ACE", 100, "K3RWZ8MHTQ5BXNJ2", "X"); },
       400, "p was not issued by this server"},
      {"a stale p",
       [](LiveServer& s) {
         const std::string p = s.IssueP();
         s.Time().Advance(601);
         return kSubmitPath + EncodedResult("ACE", 100, p, "X");
       },
       400, "p is older than 10 minutes"},
      {"a wrong key", Record("type=0|name=ACE|score=100|key=R|p=", "|add=X|z="), 400, "wrong key"},
      {"a key twice as long", Record("type=0|name=ACE|score=100|key=QQ|p=", "|add=X|z="), 400,
       "wrong key"},
      {"a digit outside the alphabet", Altered([](std::string& inf) { inf[5] = '0'; }), 400,
       "outside the code's alphabet"},
      {"lower case code", Altered([](std::string& inf) { inf[0] = 'k'; }), 400,
       "outside the code's alphabet"},
      {"a code one character short", Altered([](std::string& inf) { inf.pop_back(); }), 400,
       "not a multiple of 8"},
      {"code after the padding", Altered([](std::string& inf) { inf += "KKKKKKKK"; }), 400,
       "padding after z= may hold only '0'"},
      {"a score not a multiple of 5", Result("ACE", 1234, "X"), 400, "not a multiple of 5"},
      {"a score over 10,000,000", Result("ACE", 10'000'005, "X"), 400, "over 10000000"},
      {"a negative score", Result("ACE", -5, "X"), 400, "plain decimal digits"},
      {"a score with a leading zero", Record("type=0|name=ACE|score=0100|key=Q|p=", "|add=X|z="),
       400, "plain decimal digits"},
      {"a name with <script>", Result("<SCRIPT>", 100, "X"), 400, "capital letters and spaces"},
      {"a lower-case name", Result("Ace", 100, "X"), 400, "capital letters and spaces"},
      {"a name over 64 characters", Result(std::string(65, 'A'), 100, "X"), 400,
       "name is longer than 64"},
      {"a country over 64 characters", Result("ACE", 100, std::string(65, 'N')), 400,
       "country is longer than 64"},
      {"a control character in the country", Result("ACE", 100, "NOR\tWAY"), 400,
       "printable ASCII"},
      {"a '|' in the country", Result("ACE", 100, "A|B"), 400,
       "expected the z piece right after add"},
      {"a country that could pass for the end", Result("ACE", 100, "A|z="), 400,
       "nothing may follow the z piece"},
      {"a '|' in the name", Result("A|B", 100, "X"), 400, "expected the score piece right after"},
      {"five '0's of padding", Record("type=0|name=ACE|score=100|key=Q|p=", "|add=X|z=00000"), 400,
       "padding must bring the record to a multiple of 5"},
      {"padding that is not '0'", Record("type=0|name=ACE|score=100|key=Q|p=", "|add=X|z=A"), 400,
       "may hold only '0'"},
      {"a piece after the padding", Record("type=0|name=ACE|score=100|key=Q|p=", "|add=X|z=|q="),
       400, "nothing may follow the z piece"},
      {"pieces out of order", Record("type=0|score=100|name=ACE|key=Q|p=", "|add=X|z="), 400,
       "expected the name piece right after type"},
      {"an unknown piece", Record("type=0|name=ACE|team=A|score=100|key=Q|p=", "|add=X|z="), 400,
       "expected the score piece right after name"},
      {"a missing piece", Record("type=0|name=ACE|score=100|p=", "|add=X|z="), 400,
       "expected the key piece right after score"},
      {"type 1", Record("type=1|name=ACE|score=100|key=Q|p=", "|add=X|z="), 400, "type must be 0"},
      {"an empty inf", [](LiveServer&) { return kSubmitPath; }, 400, "inf is empty"},
      {"no inf", [](LiveServer&) { return std::string("/cgi/version.pl?hs&prg=Brakkon"); }, 400,
       "exactly one inf"},
      {"two infs",
       [](LiveServer& s) {
         return kSubmitPath + EncodedResult("ACE", 100, s.IssueP(), "X") +
                "&inf=" + EncodedResult("BAD", 100, s.IssueP(), "X");
       },
       400, "exactly one inf"},
      {"code that decodes to junk",
       [](LiveServer&) { return kSubmitPath + PseudoRandomCode(3600); }, 400,
       "must begin with the type piece"},
      {"4 KB of junk", [](LiveServer&) { return kSubmitPath + std::string(4096, 'K'); }, 414,
       "longer than 4096 bytes"},
  };
  LiveServer server;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    server.Time().Advance(61);  // a fresh rate window for every case
    const std::string path = c.makePath(server);
    const std::size_t storedBefore = server.StoredCount();
    const httplib::Result reply = server.Client().Get(path);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, c.status);
    EXPECT_NE(reply->body.find(c.reason), std::string::npos) << reply->body;
    EXPECT_EQ(std::count(reply->body.begin(), reply->body.end(), '\n'), 1) << reply->body;
    EXPECT_EQ(reply->body.back(), '\n');
    EXPECT_EQ(reply->get_header_value("Content-Type"), kPlainText);
    EXPECT_EQ(server.StoredCount(), storedBefore);
  }
}

TEST(ScoreServerTest, ARefusedSubmissionLeavesItsPForTheRealOne) {
  LiveServer server;
  const std::string p = server.IssueP();
  const httplib::Result refused = server.Submit(EncodedResult("ACE", 101, p, "X"));
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->status, 400);
  const httplib::Result accepted = server.Submit(EncodedResult("ACE", 100, p, "X"));
  ASSERT_TRUE(accepted);
  EXPECT_EQ(accepted->status, 200) << accepted->body;
}

TEST(ScoreServerTest, TheEleventhSubmissionInAMinuteIsRefused) {
  LiveServer server;
  for (int i = 0; i < 10; ++i) {
    const httplib::Result reply = server.SubmitResult("ACE", 100 + 5 * i, "X");
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 200) << i;
  }
  server.Time().Advance(59);
  const httplib::Result eleventh = server.SubmitResult("ACE", 999'995, "X");
  ASSERT_TRUE(eleventh);
  EXPECT_EQ(eleventh->status, 429);
  EXPECT_EQ(eleventh->get_header_value("Retry-After"), "60");
  EXPECT_EQ(server.StoredCount(), 10u);
  // Once the first ten are a minute old, the address may send again.
  server.Time().Advance(1);
  const httplib::Result later = server.SubmitResult("ACE", 999'995, "X");
  ASSERT_TRUE(later);
  EXPECT_EQ(later->status, 200);
  EXPECT_EQ(server.StoredCount(), 11u);
}

TEST(ScoreServerTest, PagesAndUnknownPaths) {
  const struct {
    const char* path;
    int status;
    std::string_view contentType;
    const char* fragment;
  } cases[] = {
      {"/", 200, kHtml, "<a href=\"/cgi/version.pl?prg=Brakkon&amp;show&amp;type=0\">"},
      {"/cgi/version.pl?prg=Brakkon&show&type=0", 200, kHtml, "No scores yet."},
      {"/cgi/version.pl?show", 200, kHtml, "<table>"},
      {"/cgi/version.pl?prg=Brakkon&show&type=1", 404, kPlainText, "no such table"},
      {"/cgi/version.pl?version&prg=AnyGame", 200, kPlainText, "OK|1|0|0|"},
      {"/cgi/version.pl", 400, kPlainText, "needs one of version, hs or show"},
      {"/cgi/version.pl?version&show", 400, kPlainText, "more than one"},
      {"/index.html", 404, kPlainText, "not found"},
      {"/cgi/version.pl/x", 404, kPlainText, "not found"},
      {"/cgi/other.pl?version", 404, kPlainText, "not found"},
  };
  LiveServer server;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    const httplib::Result reply = server.Client().Get(c.path);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, c.status);
    EXPECT_EQ(reply->get_header_value("Content-Type"), c.contentType);
    EXPECT_NE(reply->body.find(c.fragment), std::string::npos) << reply->body;
  }
  const httplib::Result post = server.Client().Post("/cgi/version.pl?version", "", "text/plain");
  ASSERT_TRUE(post);
  EXPECT_EQ(post->status, 404);
}

TEST(ScoreServerTest, MalformedRequestsGetAnAnswerAndTheServerCarriesOn) {
  const std::string smallHeaders = [] {
    std::string headers;
    for (int i = 0; i < 100; ++i)
      headers += "X-Pad-" + std::to_string(i) + ": " + std::string(40, 'p') + "\r\n";
    return headers;
  }();
  const struct {
    const char* label;
    std::string bytes;
    const char* statusLine;  // the start of the reply
  } cases[] = {
      {"a line that is no request", "HELLO\r\n\r\n", "HTTP/1.1 400"},
      {"no protocol version", "GET /\r\n\r\n", "HTTP/1.1 400"},
      {"binary bytes", std::string("\x00\xff\x13\x37\r\n\r\n", 8), "HTTP/1.1 400"},
      {"a 5 KB target", "GET /?" + std::string(5000, 'a') + " HTTP/1.1\r\n\r\n", "HTTP/1.1 414"},
      {"a 20 KB target", "GET /?" + std::string(20000, 'a') + " HTTP/1.1\r\n\r\n", "HTTP/1.1 414"},
      {"5 KB of headers", "GET / HTTP/1.1\r\n" + smallHeaders + "\r\n", "HTTP/1.1 431"},
      {"a 10 KB header line", "GET / HTTP/1.1\r\nX: " + std::string(10000, 'a') + "\r\n\r\n",
       "HTTP/1.1 400"},
      {"a body", "GET / HTTP/1.1\r\nContent-Length: 19\r\n\r\nGET /x HTTP/1.1\r\n\r\n",
       "HTTP/1.1 413"},
      {"a 5 KB body", "POST / HTTP/1.1\r\nContent-Length: 5000\r\n\r\n" + std::string(5000, 'x'),
       "HTTP/1.1 413"},
      {"a vast declared body", "GET / HTTP/1.1\r\nContent-Length: 99999999999999999999\r\n\r\n",
       "HTTP/1.1 413"},
      {"a broken chunk", "POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n\r\n",
       "HTTP/1.1 413"},
      {"a percent escape cut short", "GET /cgi/version.pl?hs&inf=%G HTTP/1.1\r\n\r\n",
       "HTTP/1.1 400"},
  };
  LiveServer server;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const RawExchange exchange = SendRaw(server.Port(), c.bytes, 10);
    EXPECT_EQ(exchange.reply.substr(0, std::string_view(c.statusLine).size()), c.statusLine)
        << exchange.reply.substr(0, 200);
    ASSERT_FALSE(server.IssueP().empty());
  }
}

TEST(ScoreServerTest, ASilentOrStalledConnectionIsDropped) {
  HttpSettings quick;
  quick.readTimeout = std::chrono::seconds(1);
  quick.keepAliveTimeout = std::chrono::seconds(1);
  LiveServer server({}, quick);
  for (const char* bytes : {"", "GET / HTTP/1.1\r\nHost: x\r\n"}) {
    SCOPED_TRACE(bytes);
    const auto start = std::chrono::steady_clock::now();
    const RawExchange exchange = SendRaw(server.Port(), bytes, 10, true);
    EXPECT_TRUE(exchange.closed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  }
}

TEST(ScoreServerTest, TheLogHasALinePerRequestWithoutTheRecord) {
  LiveServer server;
  const std::string inf = EncodedResult("ACE", 100, server.IssueP(), "X");
  ASSERT_TRUE(server.Submit(inf));
  ASSERT_TRUE(server.Client().Get("/nowhere"));
  // A line is written once its reply is out, so two workers may log in either order.
  std::vector<std::string> lines = server.LogLines(3);
  std::sort(lines.begin(), lines.end());
  const std::vector<std::string> expected = {
      "2023-11-14T22:13:20Z 127.0.0.1 GET /cgi/version.pl?hs&prg=Brakkon&inf=[" +
          std::to_string(inf.size()) + " characters] 200",
      "2023-11-14T22:13:20Z 127.0.0.1 GET /cgi/version.pl?version&prg=Brakkon 200",
      "2023-11-14T22:13:20Z 127.0.0.1 GET /nowhere 404",
  };
  EXPECT_EQ(lines, expected);
}

TEST(ScoreServerTest, LoggedTargetsHideTheRecordAndAreOneLine) {
  const struct {
    std::string target;
    std::string logged;
  } cases[] = {
      {"/cgi/version.pl?inf=ABCD&hs", "/cgi/version.pl?inf=[4 characters]&hs"},
      {"/x?a=1&inf=&b", "/x?a=1&inf=[0 characters]&b"},
      {"/x?confinf=AB", "/x?confinf=AB"},
      {"/a b\x01\xc3", "/a?b??"},
      {"/" + std::string(400, 'a'), "/" + std::string(299, 'a') + "..."},
  };
  for (const auto& c : cases) EXPECT_EQ(LoggedTarget(c.target), c.logged) << c.target;
}

}  // namespace
}  // namespace brakkon::server::testing
