// Which peers may tell the server who their client is, and reading what they tell it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brakkon::server {

// `text` as an IP address in its usual written form (an IPv4 address mapped into IPv6
// written as IPv4), or nothing when it is not one.
std::optional<std::string> NormalAddress(std::string_view text);

class TrustedProxies {
 public:
  TrustedProxies() = default;
  // Throws std::invalid_argument naming the first entry that is not an IP address.
  explicit TrustedProxies(const std::vector<std::string>& addresses);

  bool Empty() const { return addresses_.empty(); }

  // The address a request counts against. Only a trusted `peer` is believed: then the
  // X-Forwarded-For list (every such header joined by commas, oldest hop first) is read
  // from its end, skipping trusted proxies, and the first other entry is the client. A
  // malformed entry before that stops the walk, and the peer itself is used, so a broken
  // proxy shows up as one busy address rather than as whatever a client wrote.
  std::string ClientAddress(const std::string& peer, std::string_view forwardedFor) const;

 private:
  bool Trusts(const std::string& normalAddress) const;

  std::vector<std::string> addresses_;  // normal forms
};

}  // namespace brakkon::server
