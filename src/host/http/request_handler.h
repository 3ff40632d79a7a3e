// Turns one complete request into its answer on a worker thread: Host and origin, then
// authentication, method, target, then a static file (streamed from disk) or a page run by
// the page handler.
// No socket here; connection.cpp owns the I/O.
#pragma once

#include <boost/beast/http.hpp>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <variant>

#include "host/http/basic_auth.h"
#include "host/http/forwarded.h"
#include "host/http/request_gate.h"
#include "host/http/server.h"
#include "host/http/static_files.h"
#include "host/http/stream_body.h"

namespace korvex::host::http {

namespace bhttp = boost::beast::http;

using Request = bhttp::request<bhttp::string_body>;
using StringResponse = bhttp::response<bhttp::string_body>;
using FileResponse = bhttp::response<bhttp::file_body>;
using EmptyResponse = bhttp::response<bhttp::empty_body>;
using StreamResponse = bhttp::response<StreamBody>;

/// An answer ready to write, with what the access log needs.
struct Reply {
  std::variant<StringResponse, FileResponse, EmptyResponse, StreamResponse> message;
  unsigned status = 0;
  uint64_t body_bytes = 0;             // as far as known before sending: a streamed body counts 0
  std::optional<GateRefusal> refusal;  // why the gate turned the request away, for the log
  std::string visitor;                 // the visitor's address for the log, when not the peer's
};

/// A short plain-text answer for the server's own refusals and failures: one line, the
/// status, and the reason when one is given.
Reply ErrorReply(bhttp::status status, unsigned version, bool head = false,
                 std::string_view reason = {});

/// The last touches before writing: Server, Date, whether the connection stays open, and the
/// headers every answer carries (nosniff, Referrer-Policy, frame-ancestors).
void FinishReply(Reply& reply, bool keep_alive);

class RequestHandler {
 public:
  /// site_root must be canonical; port is the bound one (SERVER_PORT). Throws
  /// std::invalid_argument for a host name or origin of the configuration that is none.
  RequestHandler(const ServerConfig& config, std::filesystem::path site_root, uint16_t port);

  /// May throw (a failing page handler): the caller answers 500.
  Reply Handle(const Request& request, const std::string& remote_addr) const;

 private:
  Reply Answer(const Request& request, const Visitor& visitor, const GateInput& gate) const;
  Reply ServeFile(const Request& request, const std::filesystem::path& file) const;
  Reply RunPage(const Request& request, const ResolvedTarget& target, std::string query,
                const Visitor& visitor) const;

  const ServerConfig& config_;
  std::filesystem::path site_root_;
  uint16_t port_;
  RequestGate gate_;
  TrustedProxies proxies_;
  std::optional<BasicAuth> auth_;
};

}  // namespace korvex::host::http
