// Host and origin checks, and the parsing of the values they compare.
#include "host/http/request_gate.h"

#include <algorithm>
#include <boost/asio/ip/address.hpp>
#include <cctype>
#include <stdexcept>

#include "core/text.h"
#include "host/http/server.h"

namespace korvex::host::http {

namespace {

bool IsNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' || c == '_';
}

// Digits only, at most 65535; written without leading zeros. "" stays "" (RFC 3986 allows
// an empty port, meaning the default).
std::optional<std::string> NormalPort(std::string_view digits) {
  if (digits.empty()) return std::string();
  unsigned long value = 0;
  for (char c : digits) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
    value = value * 10 + static_cast<unsigned long>(c - '0');
    if (value > 65535) return std::nullopt;
  }
  return std::to_string(value);
}

std::string DefaultPort(std::string_view scheme) {
  if (scheme == "http") return "80";
  if (scheme == "https") return "443";
  return "";
}

bool IsSafeMethod(std::string_view method) {
  return method == "GET" || method == "HEAD";
}

bool Contains(const std::vector<std::string>& list, const std::string& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

}  // namespace

std::optional<Authority> ParseAuthority(std::string_view text) {
  Authority a;
  std::string_view rest;
  if (!text.empty() && text.front() == '[') {
    size_t close = text.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    boost::system::error_code ec;
    auto address = boost::asio::ip::make_address_v6(std::string(text.substr(1, close - 1)), ec);
    if (ec) return std::nullopt;
    a.host = address.to_string();
    rest = text.substr(close + 1);
  } else {
    size_t colon = std::min(text.find(':'), text.size());
    std::string_view name = text.substr(0, colon);
    if (name.empty() || !std::all_of(name.begin(), name.end(), IsNameChar)) return std::nullopt;
    a.host = FoldCase(name);
    rest = text.substr(colon);
  }
  if (rest.empty()) return a;
  if (rest.front() != ':') return std::nullopt;
  std::optional<std::string> port = NormalPort(rest.substr(1));
  if (!port) return std::nullopt;
  a.port = std::move(*port);
  return a;
}

std::optional<std::string> NormalOrigin(std::string_view origin) {
  size_t separator = origin.find("://");
  if (separator == 0 || separator == std::string_view::npos) return std::nullopt;
  std::string scheme = FoldCase(origin.substr(0, separator));
  if (!std::all_of(scheme.begin(), scheme.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
      })) {
    return std::nullopt;
  }
  std::optional<Authority> a = ParseAuthority(origin.substr(separator + 3));
  if (!a) return std::nullopt;
  std::string normal = scheme + "://";
  normal += a->host.find(':') == std::string::npos ? a->host : "[" + a->host + "]";
  if (!a->port.empty() && a->port != DefaultPort(scheme)) normal += ":" + a->port;
  return normal;
}

std::optional<std::string> OriginOfUrl(std::string_view url) {
  size_t separator = url.find("://");
  if (separator == std::string_view::npos) return std::nullopt;
  return NormalOrigin(url.substr(0, url.find_first_of("/?#", separator + 3)));
}

bool IsLoopbackHostName(std::string_view host) {
  return host == "localhost" || IsLoopbackAddress(std::string(host));
}

RequestGate::RequestGate(const std::vector<std::string>& host_names,
                         const std::vector<std::string>& allowed_origins,
                         bool any_name_when_unlisted)
    : any_name_(any_name_when_unlisted) {
  for (const std::string& name : host_names) {
    std::optional<Authority> a = ParseAuthority(name);
    if (!a || !a->port.empty() || name.find(':', name.find(']') + 1) != std::string::npos)
      throw std::invalid_argument("not a host name (without port): \"" + name + "\"");
    host_names_.push_back(std::move(a->host));
  }
  for (const std::string& origin : allowed_origins) {
    std::optional<std::string> normal = NormalOrigin(origin);
    if (!normal) {
      throw std::invalid_argument("not an origin (scheme://host[:port]): \"" + origin + "\"");
    }
    allowed_origins_.push_back(std::move(*normal));
  }
}

std::optional<GateRefusal> RequestGate::Check(const GateInput& request) const {
  if (auto refusal = CheckHost(request)) return refusal;
  return CheckOrigin(request);
}

// A browser always names the host it thinks it talks to. When an attacker's name is made to
// resolve to this machine, his pages reach us under his name: only names we were told are
// ours, and loopback ones (which no outside site can take), are answered.
std::optional<GateRefusal> RequestGate::CheckHost(const GateInput& request) const {
  if (!request.host || request.host->empty()) {
    // HTTP/1.0 may leave it out; no browser does.
    if (request.version < 11) return std::nullopt;
    return GateRefusal{400, "an HTTP/1.1 request must name its host", "Host", ""};
  }
  const std::string value(*request.host);
  std::optional<Authority> a = ParseAuthority(value);
  if (!a) return GateRefusal{400, "the Host header is malformed", "Host", value};
  if (IsLoopbackHostName(a->host)) return std::nullopt;
  if (host_names_.empty() ? any_name_ : Contains(host_names_, a->host)) return std::nullopt;
  return GateRefusal{421,
                     "this server does not answer for the host name in the request "
                     "(korvex serve --host NAME lists the names it answers for)",
                     "Host", value};
}

// Another site's page can make a browser send a form here (with the visitor's cookies and
// Basic credentials); its Origin, or failing that its Referer, gives it away. A request
// carrying neither comes from no browser page, so it is let through.
std::optional<GateRefusal> RequestGate::CheckOrigin(const GateInput& request) const {
  if (IsSafeMethod(request.method)) return std::nullopt;
  std::string_view header = request.origin ? "Origin" : "Referer";
  std::optional<std::string_view> value = request.origin ? request.origin : request.referer;
  if (!value) return std::nullopt;
  std::optional<std::string> from = request.origin ? NormalOrigin(*value) : OriginOfUrl(*value);
  if (from) {
    std::optional<std::string> own =
        request.host
            ? NormalOrigin(std::string(request.scheme) + "://" + std::string(*request.host))
            : std::nullopt;
    if (from == own || Contains(allowed_origins_, *from)) return std::nullopt;
  }
  return GateRefusal{403,
                     "a page of another origin may not send this request "
                     "(korvex serve --allow-origin ORIGIN accepts one)",
                     header, std::string(*value)};
}

}  // namespace korvex::host::http
