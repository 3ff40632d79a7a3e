// Request to answer, on a worker thread. Every failure the server itself detects is an answer
// with a status here; exceptions come only from the page handler and become a 500 upstream.
#include "host/http/request_handler.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <ctime>
#include <stdexcept>

#include "core/text.h"

namespace korvex::host::http {

namespace beast = boost::beast;

namespace {

// A header name a page may set: an HTTP token.
bool IsToken(std::string_view name) {
  if (name.empty()) return false;
  for (unsigned char c : name) {
    if (!std::isalnum(c) && std::string_view("!#$%&'*+-.^_`|~").find(c) == std::string_view::npos)
      return false;
  }
  return true;
}

// No CR, LF or NUL: a value carrying them would let the page (or whoever fed it) write
// headers, or a whole second response, of its own.
bool IsSafeValue(std::string_view value) {
  return value.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

// Headers the server sets itself from the body it sends and the connection's state.
bool IsServerOwned(std::string_view name) {
  return EqualsNoCase(name, "Content-Length") || EqualsNoCase(name, "Transfer-Encoding") ||
         EqualsNoCase(name, "Connection");
}

bool IsHead(const Request& request) {
  return request.method() == bhttp::verb::head;
}

// A Host value split into SERVER_NAME and SERVER_PORT; either is "" when not given.
std::pair<std::string, std::string> ServerNameAndPort(std::string_view host) {
  size_t end = !host.empty() && host.front() == '[' ? host.find(']') + 1 : host.find(':');
  if (end == std::string_view::npos || end > host.size()) end = host.size();
  std::string_view port = host.substr(end);
  if (!port.empty() && port.front() == ':') port.remove_prefix(1);
  return {std::string(host.substr(0, end)), std::string(port)};
}

// Every value of a header, joined by commas as HTTP allows; nothing when it was not sent.
std::optional<std::string> AllValues(const Request& request, std::string_view name) {
  std::optional<std::string> joined;
  for (auto [it, end] = request.equal_range(name); it != end; ++it) {
    joined = joined ? *joined + "," + std::string(it->value()) : std::string(it->value());
  }
  return joined;
}

// Splits an origin-form or absolute-form target into its path and query.
void SplitTarget(std::string_view target, std::string_view& path, std::string_view& query) {
  for (std::string_view scheme : {"http://", "https://"}) {
    if (target.size() >= scheme.size() && EqualsNoCase(target.substr(0, scheme.size()), scheme)) {
      size_t slash = target.find('/', scheme.size());
      target = slash == std::string_view::npos ? "/" : target.substr(slash);
    }
  }
  target = target.substr(0, target.find('#'));
  size_t mark = target.find('?');
  path = target.substr(0, mark);
  query = mark == std::string_view::npos ? std::string_view() : target.substr(mark + 1);
}

template <class Message>
void SetFileHeaders(Message& res, const std::filesystem::path& file, std::time_t modified) {
  res.set(bhttp::field::content_type, ContentTypeFor(file));
  res.set(bhttp::field::last_modified, FormatHttpDate(modified));
}

}  // namespace

Reply ErrorReply(bhttp::status status, unsigned version, bool head, std::string_view reason) {
  StringResponse res{status, version};
  res.set(bhttp::field::content_type, "text/plain; charset=utf-8");
  std::string text = std::to_string(static_cast<unsigned>(status)) + " " +
                     std::string(bhttp::obsolete_reason(status)) +
                     (reason.empty() ? std::string() : ": " + std::string(reason)) + "\n";
  const uint64_t bytes = head ? 0 : text.size();
  res.content_length(text.size());
  if (!head) res.body() = std::move(text);
  return Reply{std::move(res), static_cast<unsigned>(status), bytes, {}, {}};
}

RequestHandler::RequestHandler(const ServerConfig& config, std::filesystem::path site_root,
                               uint16_t port)
    : config_(config),
      site_root_(std::move(site_root)),
      port_(port),
      gate_(config.host_names, config.allowed_origins, config.credentials.has_value()),
      proxies_(config.trusted_proxies) {
  if (config.credentials) auth_.emplace(*config.credentials);
}

Reply RequestHandler::Handle(const Request& request, const std::string& remote_addr) const {
  const unsigned version = request.version();
  // Most servers trust no proxy: their requests skip the headers altogether.
  const Visitor visitor =
      proxies_.Trusts(remote_addr)
          ? proxies_.Resolve(remote_addr, {AllValues(request, "X-Forwarded-For"),
                                           AllValues(request, "X-Forwarded-Proto"),
                                           AllValues(request, "X-Forwarded-Host")})
          : Visitor{remote_addr, false, std::nullopt};
  GateInput gate_input{request.method_string(),          version == 10 ? 10u : 11u, {}, {}, {},
                       visitor.secure ? "https" : "http"};
  if (visitor.host)
    gate_input.host = *visitor.host;
  else if (auto it = request.find(bhttp::field::host); it != request.end())
    gate_input.host = it->value();
  if (auto it = request.find(bhttp::field::origin); it != request.end())
    gate_input.origin = it->value();
  if (auto it = request.find(bhttp::field::referer); it != request.end())
    gate_input.referer = it->value();
  Reply reply = Answer(request, visitor, gate_input);
  if (visitor.address != remote_addr) reply.visitor = visitor.address;
  return reply;
}

Reply RequestHandler::Answer(const Request& request, const Visitor& visitor,
                             const GateInput& gate_input) const {
  const unsigned version = request.version();
  const bool head = IsHead(request);
  // Before the password is asked for: a browser sent here under another site's name must
  // not show that site a login prompt of ours.
  if (std::optional<GateRefusal> refusal = gate_.Check(gate_input)) {
    Reply reply =
        ErrorReply(static_cast<bhttp::status>(refusal->status), version, head, refusal->reason);
    reply.refusal = std::move(refusal);
    return reply;
  }
  // Before the target is looked at, so a visitor without the password learns nothing about
  // the site.
  if (auth_ && !auth_->Accepts(request[bhttp::field::authorization])) {
    Reply reply = ErrorReply(bhttp::status::unauthorized, version, head);
    std::get<StringResponse>(reply.message)
        .set(bhttp::field::www_authenticate, BasicAuth::Challenge());
    return reply;
  }
  const bhttp::verb method = request.method();
  if (method != bhttp::verb::get && method != bhttp::verb::head && method != bhttp::verb::post) {
    Reply reply = ErrorReply(bhttp::status::method_not_allowed, version, head);
    std::get<StringResponse>(reply.message).set(bhttp::field::allow, "GET, HEAD, POST");
    return reply;
  }

  std::string_view path, query;
  SplitTarget(request.target(), path, query);
  ResolvedTarget target = ResolveTarget(site_root_, path, config_.virtual_folders);
  switch (target.kind) {
    case ResolvedTarget::Kind::kBadRequest:
      return ErrorReply(bhttp::status::bad_request, version, head);
    case ResolvedTarget::Kind::kNotFound:
      return ErrorReply(bhttp::status::not_found, version, head);
    case ResolvedTarget::Kind::kRedirect: {
      Reply reply = ErrorReply(bhttp::status::moved_permanently, version, head);
      std::string location = target.location;
      if (!query.empty()) location += "?" + std::string(query);
      std::get<StringResponse>(reply.message).set(bhttp::field::location, location);
      return reply;
    }
    case ResolvedTarget::Kind::kPage:
      return RunPage(request, target, std::string(query), visitor);
    case ResolvedTarget::Kind::kFile:
      if (method == bhttp::verb::post) {
        Reply reply = ErrorReply(bhttp::status::method_not_allowed, version, head);
        std::get<StringResponse>(reply.message).set(bhttp::field::allow, "GET, HEAD");
        return reply;
      }
      return ServeFile(request, target.file);
  }
  return ErrorReply(bhttp::status::internal_server_error, version, head);
}

Reply RequestHandler::ServeFile(const Request& request, const std::filesystem::path& file) const {
  const unsigned version = request.version();
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) return ErrorReply(bhttp::status::not_found, version);
  const std::time_t modified = st.st_mtime;

  if (auto since = ParseHttpDate(request[bhttp::field::if_modified_since]);
      since && modified <= *since) {
    EmptyResponse res{bhttp::status::not_modified, version};
    res.set(bhttp::field::last_modified, FormatHttpDate(modified));
    return Reply{std::move(res), 304, 0, {}, {}};
  }
  if (IsHead(request)) {
    EmptyResponse res{bhttp::status::ok, version};
    SetFileHeaders(res, file, modified);
    res.content_length(static_cast<uint64_t>(st.st_size));
    return Reply{std::move(res), 200, 0, {}, {}};
  }

  beast::error_code ec;
  bhttp::file_body::value_type body;
  body.open(file.c_str(), beast::file_mode::scan, ec);
  if (ec == beast::errc::permission_denied) return ErrorReply(bhttp::status::forbidden, version);
  if (ec) return ErrorReply(bhttp::status::not_found, version);
  const uint64_t size = body.size();
  FileResponse res{std::piecewise_construct, std::make_tuple(std::move(body)),
                   std::make_tuple(bhttp::status::ok, version)};
  SetFileHeaders(res, file, modified);
  res.content_length(size);
  return Reply{std::move(res), 200, size, {}, {}};
}

Reply RequestHandler::RunPage(const Request& request, const ResolvedTarget& target,
                              std::string query, const Visitor& visitor) const {
  if (!config_.page_handler) throw std::runtime_error("no page engine configured");
  RequestData data;
  data.method = std::string(request.method_string());
  data.script_name = target.script_name;
  data.query_string = std::move(query);
  data.content_type = std::string(request[bhttp::field::content_type]);
  data.body = request.body();
  for (const auto& field : request) {
    data.headers.emplace_back(std::string(field.name_string()), std::string(field.value()));
  }
  data.remote_addr = visitor.address;
  data.secure = visitor.secure;
  auto [name, port] =
      ServerNameAndPort(visitor.host ? std::string_view(*visitor.host)
                                     : std::string_view(request[bhttp::field::host]));
  data.server_name = name.empty() ? config_.address : name;
  // Behind a proxy the port is the one the visitor used, not ours.
  if (!port.empty())
    data.server_port = port;
  else if (visitor.host || visitor.secure)
    data.server_port = visitor.secure ? "443" : "80";
  else
    data.server_port = std::to_string(port_);
  data.server_protocol = request.version() == 10 ? "HTTP/1.0" : "HTTP/1.1";
  data.script_filename = target.file.string();

  ResponseData page = config_.page_handler(data);

  if (page.status < 200 || page.status > 599) {
    throw std::runtime_error("page answered with status " + std::to_string(page.status));
  }
  StringResponse res{bhttp::status::ok, request.version()};
  res.result(static_cast<unsigned>(page.status));
  if (!page.status_text.empty() && IsSafeValue(page.status_text)) res.reason(page.status_text);
  if (!page.content_type.empty()) {
    std::string type = page.content_type;
    if (!page.charset.empty() && type.find("charset=") == std::string::npos) {
      type += "; charset=" + page.charset;
    }
    if (IsSafeValue(type)) res.set(bhttp::field::content_type, type);
  }
  for (const auto& [name, value] : page.headers) {
    if (IsToken(name) && IsSafeValue(value) && !IsServerOwned(name)) res.insert(name, value);
  }

  const bool no_body = page.status == 204 || page.status == 304;
  const uint64_t size = no_body ? 0 : page.body.size();
  if (IsHead(request)) {
    // A streamed body's length is known only once sent: its GET answer is chunked.
    if (!no_body && !page.body_stream) res.content_length(size);
    return Reply{std::move(res), static_cast<unsigned>(page.status), 0, {}, {}};
  }
  if (!no_body && page.body_stream && request.version() == 10) {
    // HTTP/1.0 knows no chunks: the rare old client gets the body whole.
    while (page.body_stream(page.body)) {
    }
  } else if (!no_body && page.body_stream) {
    StreamResponse streamed{std::move(res.base())};
    streamed.body().first = std::move(page.body);
    streamed.body().next = std::move(page.body_stream);
    streamed.chunked(true);
    return Reply{std::move(streamed), static_cast<unsigned>(page.status), 0, {}, {}};
  }
  if (!no_body) res.body() = std::move(page.body);
  res.prepare_payload();
  const uint64_t sent = res.body().size();
  return Reply{std::move(res), static_cast<unsigned>(page.status), sent, {}, {}};
}

void FinishReply(Reply& reply, bool keep_alive) {
  const std::string date = FormatHttpDate(std::time(nullptr));
  std::visit(
      [&](auto& res) {
        res.set(bhttp::field::server, "Korvex");
        res.set(bhttp::field::date, date);
        res.keep_alive(keep_alive);
        // On every answer, the server's own included: no content sniffing (an uploaded file
        // or an echoing page read as HTML), no full admin URLs handed to other sites, and
        // no framing by another site's page. A page may choose its own Referrer-Policy; a
        // Content-Security-Policy of its own is kept beside this one, and both apply.
        res.set("X-Content-Type-Options", "nosniff");
        if (res.find("Referrer-Policy") == res.end()) res.set("Referrer-Policy", "same-origin");
        constexpr std::string_view kFraming = "frame-ancestors 'self'";
        auto [first, last] = res.equal_range("Content-Security-Policy");
        if (std::none_of(first, last, [&](const auto& f) { return f.value() == kFraming; }))
          res.insert("Content-Security-Policy", kFraming);
      },
      reply.message);
}

}  // namespace korvex::host::http
