// The example nginx site in front of two servers on one PostgreSQL database: the client's
// real address counts, a forged X-Forwarded-For does not, and the table comes over TLS.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <regex>
#include <thread>

#include "server/postgres_cluster.h"
#include "server/server_fixture.h"
#include "server/server_process.h"

#ifndef BRAKKON_SOURCE_DIR
#error "BRAKKON_SOURCE_DIR must name the source tree"
#endif

namespace brakkon::server::testing {
namespace {

const std::string kVersionPath = "/cgi/version.pl?version&prg=Brakkon";

int FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

struct Answer {
  int status = 0;
  std::string body;
};

// A GET to 127.0.0.1:`port` sent from the loopback address `source`, so each test client has
// an address of its own; `headers` are extra header lines, each ending in \r\n.
Answer GetFrom(const std::string& source, int port, const std::string& target,
               const std::string& headers = "") {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in from{};
  from.sin_family = AF_INET;
  inet_pton(AF_INET, source.c_str(), &from.sin_addr);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<std::uint16_t>(port));
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(fd, reinterpret_cast<const sockaddr*>(&from), sizeof from) != 0 ||
      connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
    close(fd);
    return {};
  }
  const std::string request = "GET " + target + " HTTP/1.1\r\nHost: scores.example.org\r\n" +
                              headers + "Connection: close\r\n\r\n";
  send(fd, request.data(), request.size(), MSG_NOSIGNAL);
  std::string reply;
  char buffer[4096];
  for (;;) {
    pollfd wait{fd, POLLIN, 0};
    if (poll(&wait, 1, 10'000) <= 0) break;
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    reply.append(buffer, static_cast<std::size_t>(n));
  }
  close(fd);
  Answer answer;
  if (reply.starts_with("HTTP/1.1 ")) answer.status = std::stoi(reply.substr(9, 3));
  const std::size_t bodyStart = reply.find("\r\n\r\n");
  if (bodyStart != std::string::npos) answer.body = reply.substr(bodyStart + 4);
  return answer;
}

std::string IssueP(const std::string& source, int port, const std::string& headers = "") {
  const Answer answer = GetFrom(source, port, kVersionPath, headers);
  EXPECT_EQ(answer.status, 200) << answer.body;
  return records::VersionReplyP(answer.body);
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << "the example site no longer holds '" << from << "'";
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// nginx run by the test from the example site, with only ports, names and files changed.
class Nginx {
 public:
  Nginx(const std::filesystem::path& dir, int upstreamA, int upstreamB)
      : dir_(dir), http_(FreePort()), https_(FreePort()) {
    const std::string d = dir.string();
    std::string out;
    RunCommand(
        "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=scores.example.org"
        " -keyout " +
            d + "/key.pem -out " + d + "/cert.pem 2>&1",
        &out);
    std::string site = ReadFile(std::filesystem::path(BRAKKON_SOURCE_DIR) / "packaging" /
                                "nginx-brakkon-scored.conf");
    site = Replace(site, "127.0.0.1:8642", "127.0.0.1:" + std::to_string(upstreamA));
    site = Replace(site, "127.0.0.1:8643", "127.0.0.1:" + std::to_string(upstreamB));
    site = Replace(site, "listen 80;", "listen 127.0.0.1:" + std::to_string(http_) + ";");
    site = Replace(site, "listen [::]:80;", "");
    site = Replace(site, "listen 443 ssl http2;",
                   "listen 127.0.0.1:" + std::to_string(https_) + " ssl http2;");
    site = Replace(site, "listen [::]:443 ssl http2;", "");
    site = Replace(site, "/etc/ssl/certs/scores.example.org.pem", d + "/cert.pem");
    site = Replace(site, "/etc/ssl/private/scores.example.org.key", d + "/key.pem");
    std::ofstream(dir / "site.conf") << site;
    std::ofstream(dir / "nginx.conf")
        << "daemon off;\nworker_processes 1;\npid " << d << "/nginx.pid;\nerror_log " << d
        << "/error.log;\nevents { worker_connections 512; }\nhttp {\n  access_log " << d
        << "/access.log;\n  client_body_temp_path " << d << "/body;\n  proxy_temp_path " << d
        << "/proxy;\n  fastcgi_temp_path " << d << "/fastcgi;\n  uwsgi_temp_path " << d
        << "/uwsgi;\n  scgi_temp_path " << d << "/scgi;\n  include " << d << "/site.conf;\n}\n";
    pid_ =
        SpawnProgram({"/usr/sbin/nginx", "-e", d + "/error.log", "-p", d, "-c", d + "/nginx.conf"},
                     dir / "nginx.out", dir / "nginx.err");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline &&
           GetFrom("127.0.0.1", http_, "/nowhere").status == 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  ~Nginx() {
    kill(pid_, SIGQUIT);
    WaitForExit(pid_);
  }
  int Http() const { return http_; }
  int Https() const { return https_; }
  std::string Errors() const { return ReadFile(dir_ / "error.log") + ReadFile(dir_ / "nginx.err"); }

 private:
  std::filesystem::path dir_;
  int http_;
  int https_;
  pid_t pid_ = 0;
};

TEST(NginxTest, TheExampleSiteCountsTheRealClientAndServesTheTableOverTls) {
  PostgresCluster cluster;
  ASSERT_TRUE(cluster.Running());
  const std::vector<std::string> trust{"--trusted-proxy", "127.0.0.1"};
  RunningServer a(cluster.Uri(), cluster.Folder() / "a.log", trust);
  RunningServer b(cluster.Uri(), cluster.Folder() / "b.log", trust);
  ASSERT_NE(a.Port(), 0) << a.Log();
  ASSERT_NE(b.Port(), 0) << b.Log();
  Nginx nginx(cluster.Folder(), a.Port(), b.Port());
  ASSERT_NE(GetFrom("127.0.0.1", nginx.Http(), "/").status, 0) << nginx.Errors();
  const int front = nginx.Http();

  // A p issued through nginx belongs to the client, not to nginx.
  const std::string p = IssueP("127.0.0.5", front);
  const std::string inf = EncodedResult("ACE", 100, p, "X");
  EXPECT_EQ(GetFrom("127.0.0.6", front, kSubmitPath + inf).body,
            "p was issued to another address\n");
  // Nor can another client claim it by naming the owner: nginx adds what it saw.
  EXPECT_EQ(GetFrom("127.0.0.6", front, kSubmitPath + inf, "X-Forwarded-For: 127.0.0.5\r\n").body,
            "p was issued to another address\n");
  // Straight to a server, the header is ignored: 127.0.0.6 is no trusted proxy.
  EXPECT_EQ(
      GetFrom("127.0.0.6", a.Port(), kSubmitPath + inf, "X-Forwarded-For: 127.0.0.5\r\n").body,
      "p was issued to another address\n");
  EXPECT_EQ(GetFrom("127.0.0.5", front, kSubmitPath + inf).status, 200);

  // Ten a minute per real client, over both processes; the next client is not held up.
  // 127.0.0.6 has used three of its ten above, 127.0.0.5 one.
  int accepted = 0;
  for (int i = 0; i < 10; ++i) {
    const Answer answer =
        GetFrom("127.0.0.5", front,
                kSubmitPath + EncodedResult("BEE", 5 * i, IssueP("127.0.0.5", front), "X"));
    accepted += answer.status == 200;
    if (i == 9) {
      EXPECT_EQ(answer.status, 429) << answer.body;
    }
  }
  EXPECT_EQ(accepted, 9);
  EXPECT_EQ(GetFrom("127.0.0.7", front,
                    kSubmitPath + EncodedResult("CEE", 5, IssueP("127.0.0.7", front), "X"))
                .status,
            200);
  // Both processes took requests, and logged the client rather than nginx.
  for (const RunningServer* server : {&a, &b}) {
    EXPECT_NE(server->Log().find(" 127.0.0.5 GET /cgi/version.pl?"), std::string::npos)
        << server->Log();
  }
  EXPECT_NE((a.Log() + b.Log()).find(" 127.0.0.5 GET /cgi/version.pl?hs&prg=Brakkon&inf=["),
            std::string::npos);

  // The table over TLS, the same as each server gives it; plain HTTP moves there.
  httplib::SSLClient tls("127.0.0.1", nginx.Https());
  tls.enable_server_certificate_verification(false);
  const httplib::Result page = tls.Get(kTablePath);
  ASSERT_TRUE(page) << nginx.Errors();
  EXPECT_EQ(page->status, 200);
  EXPECT_NE(page->body.find("<td>ACE</td><td class=\"n\">100</td>"), std::string::npos);
  for (const RunningServer* server : {&a, &b}) {
    httplib::Client direct("127.0.0.1", server->Port());
    const httplib::Result same = direct.Get(kTablePath);
    ASSERT_TRUE(same);
    EXPECT_EQ(same->body, page->body);
  }
  EXPECT_EQ(GetFrom("127.0.0.5", front, "/").status, 301);
}

}  // namespace
}  // namespace brakkon::server::testing
