// Behind a reverse proxy every connection comes from the proxy: the visitor's address, the
// scheme he used and the host name he asked for arrive in X-Forwarded-For, -Proto and -Host.
// Those headers are believed only from addresses the server was told are its proxies; from
// anyone else they are someone's claim and change nothing.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvex::host::http {

/// Who a request is from, as far as it can be trusted.
struct Visitor {
  std::string address;              // the visitor's IP address
  bool secure = false;              // reached over https
  std::optional<std::string> host;  // the Host the visitor asked for, when a proxy says so
};

/// The X-Forwarded-* values a request carries, each as the comma-joined list of all its
/// headers; nothing for a header not sent.
struct ForwardedHeaders {
  std::optional<std::string> for_list, proto, host;
};

class TrustedProxies {
 public:
  /// IP address literals (IPv4 or IPv6). Throws std::invalid_argument for anything else.
  explicit TrustedProxies(const std::vector<std::string>& addresses);

  bool empty() const { return addresses_.empty(); }
  bool Trusts(std::string_view address) const;

  /// For a request whose connection comes from peer: the peer itself, over http, when peer is
  /// not a trusted proxy. Else the address X-Forwarded-For gives (its right-most entry that is
  /// not itself a trusted proxy: the proxies append, the visitor can only prepend), the scheme
  /// of X-Forwarded-Proto and the host of X-Forwarded-Host (their last entries, as the
  /// nearest proxy wrote them). An entry that is no IP address stops the walk at the last one
  /// that was.
  Visitor Resolve(std::string_view peer, const ForwardedHeaders& headers) const;

 private:
  std::vector<std::string> addresses_;  // canonical text, IPv4-mapped IPv6 as IPv4
};

}  // namespace korvex::host::http
