// Where a request comes from, checked before anything else: its Host header must name this
// server (a page of a site whose name was made to resolve to this machine names that site,
// not us), and a request that may change data must not come from another site's page. The
// parsing of Host, Origin and Referer values lives here too; Beast stays out.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvex::host::http {

/// A Host value ("example.org:8080", "[::1]") split: host in lower case, an IPv6 literal
/// without its brackets; port as digits without leading zeros, "" when not given.
struct Authority {
  std::string host;
  std::string port;
};

/// Nothing when text is not host[:port] with a name of letters, digits, "-", "." and "_",
/// an IPv4 literal or a bracketed IPv6 literal, and a port of at most 65535.
std::optional<Authority> ParseAuthority(std::string_view text);

/// "scheme://host[:port]" in lower case, the scheme's default port (http 80, https 443)
/// dropped. Nothing for anything else: "null", a path, userinfo.
std::optional<std::string> NormalOrigin(std::string_view origin);

/// The origin of an absolute URL as sent in a Referer header; nothing when it has none.
std::optional<std::string> OriginOfUrl(std::string_view url);

/// localhost and the loopback literals (127.x.x.x, ::1), as ParseAuthority gives them.
bool IsLoopbackHostName(std::string_view host);

/// A request turned away: the answer's status and reason, and the header (with its value as
/// received) to name in the log.
struct GateRefusal {
  unsigned status = 0;
  std::string_view reason;
  std::string_view header;
  std::string value;
};

/// The request's headers the gate looks at; nothing for a header not sent.
struct GateInput {
  std::string_view method;
  unsigned version = 11;  // 10 or 11
  std::optional<std::string_view> host, origin, referer;
  /// How the client reached us: a web server in front may take "https" requests and pass
  /// them on, and their pages' Origin then names https.
  std::string_view scheme = "http";
};

class RequestGate {
 public:
  /// host_names: Host names answered besides the loopback ones; when empty, any name is
  /// answered if any_name_when_unlisted, else only loopback ones. allowed_origins: origins
  /// whose pages may send data-changing requests besides the request's own. Throws
  /// std::invalid_argument for a name or origin that cannot be one.
  RequestGate(const std::vector<std::string>& host_names,
              const std::vector<std::string>& allowed_origins, bool any_name_when_unlisted);

  /// Nothing when the request may go on.
  std::optional<GateRefusal> Check(const GateInput& request) const;

 private:
  std::optional<GateRefusal> CheckHost(const GateInput& request) const;
  std::optional<GateRefusal> CheckOrigin(const GateInput& request) const;

  std::vector<std::string> host_names_;
  std::vector<std::string> allowed_origins_;
  bool any_name_;
};

}  // namespace korvex::host::http
