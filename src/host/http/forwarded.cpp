// Trusted proxies and the X-Forwarded-* headers they send.
#include "host/http/forwarded.h"

#include <boost/asio/ip/address.hpp>

#include <algorithm>

#include "core/text.h"

namespace korvex::host::http {

namespace {

// The canonical text of an address literal, an IPv4-mapped IPv6 one as plain IPv4 (a dual
// stack socket reports IPv4 peers that way); nothing for anything else.
std::optional<std::string> Canonical(std::string_view text) {
  boost::system::error_code ec;
  boost::asio::ip::address address = boost::asio::ip::make_address(std::string(text), ec);
  if (ec) return std::nullopt;
  if (address.is_v6() && address.to_v6().is_v4_mapped())
    address = boost::asio::ip::make_address_v4(boost::asio::ip::v4_mapped, address.to_v6());
  return address.to_string();
}

std::vector<std::string_view> Entries(std::string_view list) {
  std::vector<std::string_view> entries;
  for (size_t start = 0; start <= list.size();) {
    size_t comma = std::min(list.find(',', start), list.size());
    entries.push_back(Trim(list.substr(start, comma - start), " \t"));
    start = comma + 1;
  }
  return entries;
}

// A proxy may write an IPv6 address in brackets, or an address with its port.
std::optional<std::string> EntryAddress(std::string_view entry) {
  if (auto plain = Canonical(entry)) return plain;
  if (entry.starts_with('[')) {
    size_t close = entry.find(']');
    if (close != std::string_view::npos) return Canonical(entry.substr(1, close - 1));
  }
  if (size_t colon = entry.find(':');
      colon != std::string_view::npos && entry.find(':', colon + 1) == std::string_view::npos)
    return Canonical(entry.substr(0, colon));
  return std::nullopt;
}

}  // namespace

TrustedProxies::TrustedProxies(const std::vector<std::string>& addresses) {
  for (const std::string& text : addresses) {
    std::optional<std::string> address = Canonical(text);
    if (!address) throw std::invalid_argument("not an IP address of a proxy: \"" + text + "\"");
    addresses_.push_back(std::move(*address));
  }
}

bool TrustedProxies::Trusts(std::string_view address) const {
  if (addresses_.empty()) return false;
  std::optional<std::string> canonical = Canonical(address);
  return canonical &&
         std::find(addresses_.begin(), addresses_.end(), *canonical) != addresses_.end();
}

Visitor TrustedProxies::Resolve(std::string_view peer, const ForwardedHeaders& headers) const {
  Visitor visitor{Canonical(peer).value_or(std::string(peer)), false, std::nullopt};
  if (!Trusts(peer)) return visitor;
  if (headers.for_list) {
    std::vector<std::string_view> entries = Entries(*headers.for_list);
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
      std::optional<std::string> address = EntryAddress(*it);
      if (!address) break;
      visitor.address = *address;
      if (!Trusts(*address)) break;
    }
  }
  if (headers.proto) visitor.secure = EqualsNoCase(Entries(*headers.proto).back(), "https");
  if (headers.host) {
    std::string_view host = Entries(*headers.host).back();
    if (!host.empty()) visitor.host = std::string(host);
  }
  return visitor;
}

}  // namespace korvex::host::http
