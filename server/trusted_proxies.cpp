// Reading X-Forwarded-For from proxies the operator named, and only from them.
#include "server/trusted_proxies.h"

#include <algorithm>
#include <boost/asio/ip/address.hpp>
#include <stdexcept>

namespace brakkon::server {
namespace {

std::string_view TrimSpace(std::string_view text) {
  const std::size_t start = text.find_first_not_of(" \t");
  if (start == std::string_view::npos) return {};
  const std::size_t end = text.find_last_not_of(" \t");
  return text.substr(start, end - start + 1);
}

// Some proxies write a port after the address: "192.0.2.1:4711", "[2001:db8::1]:4711".
std::string_view WithoutPort(std::string_view entry) {
  if (entry.starts_with('[')) {
    const std::size_t close = entry.find(']');
    return close == std::string_view::npos ? entry : entry.substr(1, close - 1);
  }
  const std::size_t colon = entry.find(':');
  if (colon != std::string_view::npos && entry.find(':', colon + 1) == std::string_view::npos) {
    return entry.substr(0, colon);
  }
  return entry;
}

}  // namespace

std::optional<std::string> NormalAddress(std::string_view text) {
  boost::system::error_code error;
  boost::asio::ip::address address = boost::asio::ip::make_address(std::string(text), error);
  if (error) return std::nullopt;
  if (address.is_v6() && address.to_v6().is_v4_mapped()) {
    address = boost::asio::ip::make_address_v4(boost::asio::ip::v4_mapped, address.to_v6());
  }
  return address.to_string();
}

TrustedProxies::TrustedProxies(const std::vector<std::string>& addresses) {
  for (const std::string& text : addresses) {
    const std::optional<std::string> normal = NormalAddress(text);
    if (!normal) throw std::invalid_argument("'" + text + "' is not an IP address");
    addresses_.push_back(*normal);
  }
}

bool TrustedProxies::Trusts(const std::string& normalAddress) const {
  return std::find(addresses_.begin(), addresses_.end(), normalAddress) != addresses_.end();
}

std::string TrustedProxies::ClientAddress(const std::string& peer,
                                          std::string_view forwardedFor) const {
  if (addresses_.empty() || !Trusts(peer)) return peer;
  std::string_view rest = forwardedFor;
  std::optional<std::string> oldest;
  while (!TrimSpace(rest).empty()) {
    const std::size_t comma = rest.rfind(',');
    const std::string_view entry =
        TrimSpace(comma == std::string_view::npos ? rest : rest.substr(comma + 1));
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(0, comma);
    if (entry.empty()) continue;
    const std::optional<std::string> address = NormalAddress(WithoutPort(entry));
    if (!address) return peer;
    if (!Trusts(*address)) return *address;
    oldest = address;
  }
  // Every hop was a trusted proxy: the first of them is as close to the client as we know.
  return oldest.value_or(peer);
}

}  // namespace brakkon::server
