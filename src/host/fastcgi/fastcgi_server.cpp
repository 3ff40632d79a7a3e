// The listening socket, the workers and the graceful stop; each request's params through the
// CGI adapter's reader, the Host and Origin gate and the site's URL mapping of the HTTP server,
// so a page answers here exactly as under korvex serve.
#include "host/fastcgi/fastcgi_server.h"

#include <arpa/inet.h>
#include <fcgiapp.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <istream>
#include <mutex>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <streambuf>
#include <thread>

#include "core/text.h"
#include "host/cgi.h"
#include "host/http/request_gate.h"
#include "host/http/static_files.h"

namespace korvex::host::fastcgi {

namespace {

namespace fs = std::filesystem;

// libfcgi's streams as iostreams, for the CGI adapter's body reader and response writer.
class FcgxInBuf : public std::streambuf {
 public:
  explicit FcgxInBuf(FCGX_Stream* stream) : stream_(stream) {}

 protected:
  int_type underflow() override {
    int n = FCGX_GetStr(buffer_, sizeof buffer_, stream_);
    if (n <= 0) return traits_type::eof();
    setg(buffer_, buffer_, buffer_ + n);
    return traits_type::to_int_type(*gptr());
  }

 private:
  FCGX_Stream* stream_;
  char buffer_[16384];
};

class FcgxOutBuf : public std::streambuf {
 public:
  explicit FcgxOutBuf(FCGX_Stream* stream) : stream_(stream) {}
  uint64_t written() const { return written_; }

 protected:
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    std::streamsize done = 0;
    while (done < n) {
      const int piece = static_cast<int>(std::min<std::streamsize>(n - done, 1 << 20));
      if (FCGX_PutStr(s + done, piece, stream_) != piece) break;
      done += piece;
    }
    written_ += static_cast<uint64_t>(done);
    return done;
  }
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char ch = traits_type::to_char_type(c);
    return xsputn(&ch, 1) == 1 ? c : traits_type::eof();
  }
  int sync() override { return FCGX_FFlush(stream_) == 0 ? 0 : -1; }

 private:
  FCGX_Stream* stream_;
  uint64_t written_ = 0;
};

std::optional<std::string_view> Param(const CgiEnvironment& env, const std::string& name) {
  auto it = env.find(name);
  if (it == env.end()) return std::nullopt;
  return std::string_view(it->second);
}

std::string_view ParamOr(const CgiEnvironment& env, const std::string& name,
                         std::string_view fallback = {}) {
  return Param(env, name).value_or(fallback);
}

std::string_view Scheme(const CgiEnvironment& env) {
  if (EqualsNoCase(ParamOr(env, "HTTPS"), "on")) return "https";
  return EqualsNoCase(ParamOr(env, "REQUEST_SCHEME"), "https") ? "https" : "http";
}

// SCRIPT_NAME and PATH_INFO arrive decoded (RFC 3875); the site's URL mapping decodes once
// more, so a "%" of a name is written back as "%25" and "/a%41.ksp" stays that file's name.
std::string UrlPath(const CgiEnvironment& env) {
  std::string decoded(ParamOr(env, "SCRIPT_NAME"));
  std::string_view path_info = ParamOr(env, "PATH_INFO");
  // Some servers repeat the script's own path in PATH_INFO; that is no extra path.
  if (!path_info.empty() && path_info != decoded) decoded += path_info;
  std::string path;
  for (char c : decoded) {
    if (c == '%') {
      path += "%25";
    } else {
      path += c;
    }
  }
  return path;
}

// The Host the client named. Web servers may pass the name alone (Debian's nginx sets
// HTTP_HOST to $host): the port it was reached on is SERVER_PORT then, and a page's Origin
// names it, so the request's own origin must too.
std::optional<std::string> GateHost(const CgiEnvironment& env) {
  std::optional<std::string_view> host = Param(env, "HTTP_HOST");
  if (!host) return std::nullopt;
  std::optional<http::Authority> parsed = http::ParseAuthority(*host);
  std::string_view port = ParamOr(env, "SERVER_PORT");
  if (!parsed || !parsed->port.empty() || port.empty()) return std::string(*host);
  return std::string(*host) + ":" + std::string(port);
}

// The path as the client sent it, for the log; the script's when the server gives no URI.
std::string LogPath(const CgiEnvironment& env, const RequestData& data) {
  std::string_view uri = ParamOr(env, "REQUEST_URI");
  if (uri.empty()) return data.script_name;
  return std::string(uri.substr(0, uri.find('?')));
}

// The headers korvex serve puts on every answer; a page's own Referrer-Policy wins.
void AddSafetyHeaders(ResponseData& response) {
  bool has_referrer_policy = false;
  for (const auto& [name, value] : response.headers)
    if (EqualsNoCase(name, "Referrer-Policy")) has_referrer_policy = true;
  response.headers.emplace_back("X-Content-Type-Options", "nosniff");
  if (!has_referrer_policy) response.headers.emplace_back("Referrer-Policy", "same-origin");
  response.headers.emplace_back("Content-Security-Policy", "frame-ancestors 'self'");
}

[[noreturn]] void ThrowErrno(const std::string& what) {
  throw std::runtime_error(what + ": " + std::strerror(errno));
}

struct Descriptor {
  int fd = -1;
  explicit Descriptor(int f) : fd(f) {}
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
  int Release() { return std::exchange(fd, -1); }
};

int ListenUnix(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path)
    throw std::invalid_argument("a socket path of 1 to 107 bytes, not \"" + path + "\"");
  std::memcpy(address.sun_path, path.data(), path.size());
  const auto* generic = reinterpret_cast<const sockaddr*>(&address);

  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) {
    // Only a socket nobody answers on is ours to replace: never a file, never a live server.
    if (!S_ISSOCK(st.st_mode)) throw std::runtime_error(path + " exists and is not a socket");
    Descriptor probe(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (probe.fd >= 0 && ::connect(probe.fd, generic, sizeof address) == 0)
      throw std::runtime_error("another server is listening on " + path);
    if (::unlink(path.c_str()) != 0) ThrowErrno("cannot replace the stale socket " + path);
  }
  Descriptor fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (fd.fd < 0) ThrowErrno("cannot make a socket");
  if (::bind(fd.fd, generic, sizeof address) != 0) ThrowErrno("cannot listen on " + path);
  // The web server's user is to share the socket's group; nobody else may send requests.
  if (::chmod(path.c_str(), 0660) != 0 || ::listen(fd.fd, SOMAXCONN) != 0) {
    const int saved = errno;
    ::unlink(path.c_str());
    errno = saved;
    ThrowErrno("cannot listen on " + path);
  }
  return fd.Release();
}

// "127.0.0.1:9000" or "[::1]:9000"; port 0 picks one, given back in port.
int ListenTcp(const std::string& text, uint16_t& port) {
  const size_t colon = text.rfind(':');
  if (colon == std::string::npos)
    throw std::invalid_argument("an address and port such as 127.0.0.1:9000, not \"" + text + "\"");
  std::string host = text.substr(0, colon);
  const std::string_view port_text = std::string_view(text).substr(colon + 1);
  auto [end, ec] = std::from_chars(port_text.data(), port_text.data() + port_text.size(), port);
  if (ec != std::errc() || end != port_text.data() + port_text.size() || port_text.empty())
    throw std::invalid_argument("a port 0 to 65535, not \"" + std::string(port_text) + "\"");
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
    host = host.substr(1, host.size() - 2);
  if (!http::IsLoopbackAddress(host)) {
    throw std::invalid_argument(
        "FastCGI has no authentication: listen on a loopback address (127.0.0.1, [::1]) or a "
        "Unix socket, not \"" +
        text + "\"");
  }
  sockaddr_storage storage{};
  socklen_t length = 0;
  if (host.find(':') == std::string::npos) {
    auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
    v4->sin_family = AF_INET;
    v4->sin_port = htons(port);
    ::inet_pton(AF_INET, host.c_str(), &v4->sin_addr);
    length = sizeof *v4;
  } else {
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
    v6->sin6_family = AF_INET6;
    v6->sin6_port = htons(port);
    ::inet_pton(AF_INET6, host.c_str(), &v6->sin6_addr);
    length = sizeof *v6;
  }
  Descriptor fd(::socket(storage.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (fd.fd < 0) ThrowErrno("cannot make a socket");
  const int on = 1;
  ::setsockopt(fd.fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  auto* generic = reinterpret_cast<sockaddr*>(&storage);
  if (::bind(fd.fd, generic, length) != 0 || ::listen(fd.fd, SOMAXCONN) != 0)
    ThrowErrno("cannot listen on " + text);
  if (::getsockname(fd.fd, generic, &length) == 0) {
    port =
        ntohs(storage.ss_family == AF_INET ? reinterpret_cast<sockaddr_in*>(generic)->sin_port
                                           : reinterpret_cast<sockaddr_in6*>(generic)->sin6_port);
  }
  return fd.Release();
}

}  // namespace

struct FastCgiServer::Impl {
  Impl(FastCgiConfig config_in, http::AccessLog& log_in)
      : config(std::move(config_in)),
        log(log_in),
        gate(config.host_names, config.allowed_origins, false) {
    if (config.socket_path.empty() == config.listen.empty())
      throw std::invalid_argument("give either a socket path or an address to listen on");
    if (!config.page_handler) throw std::invalid_argument("no page engine configured");
    std::error_code ec;
    root = fs::canonical(config.site_root, ec);
    if (ec || !fs::is_directory(root))
      throw std::runtime_error("no site folder " + config.site_root.string());
    for (VirtualFolder& v : config.virtual_folders) v.folder = fs::canonical(v.folder, ec);
    if (config.workers == 0) config.workers = 2 * std::max(1u, std::thread::hardware_concurrency());

    static std::once_flag library;
    std::call_once(library, [] { FCGX_Init(); });
    if (!config.socket_path.empty()) {
      listen_fd = ListenUnix(config.socket_path);
      endpoint = "unix:" + config.socket_path;
    } else {
      uint16_t port = 0;
      listen_fd = ListenTcp(config.listen, port);
      endpoint = config.listen.substr(0, config.listen.rfind(':')) + ":" + std::to_string(port);
    }
  }

  ~Impl() {
    if (listen_fd >= 0) ::close(listen_fd);
    if (!config.socket_path.empty()) ::unlink(config.socket_path.c_str());
  }

  void Stop() {
    if (stopping.exchange(true)) return;
    FCGX_ShutdownPending();
    // Wakes the worker waiting in accept(); the others see the flag before they wait.
    ::shutdown(listen_fd, SHUT_RDWR);
  }

  void Work() {
    FCGX_Request request;
    if (FCGX_InitRequest(&request, listen_fd, 0) != 0) return;
    for (;;) {
      int accepted = -1;
      {
        // libfcgi's accept is not for several threads at once.
        std::lock_guard lock(accept_mutex);
        if (stopping) break;
        accepted = FCGX_Accept_r(&request);
      }
      if (accepted < 0) {
        if (stopping) break;
        // Out of descriptors, say: the server stays, and tries again a moment later.
        log.Note(std::string("korvex: cannot accept a request: ") + std::strerror(errno));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        continue;
      }
      Serve(request);
      FCGX_Finish_r(&request);
    }
    FCGX_Free(&request, 1);
  }

  void Serve(FCGX_Request& request) {
    const auto start = std::chrono::steady_clock::now();
    const CgiEnvironment env = CgiEnvironmentFromEnvp(request.envp);
    FcgxInBuf in_buffer(request.in);
    std::istream in(&in_buffer);
    http::AccessEntry entry;
    ResponseData response = Answer(env, in, entry);
    if (response.status < 200 || response.status > 599) {
      log.Note("korvex: a page answered with status " + std::to_string(response.status));
      response = CgiRefusal(500, "The page answered with an invalid status.");
    }
    AddSafetyHeaders(response);

    ResponseData head;
    head.status = response.status;
    head.status_text = response.status_text;
    head.content_type = response.content_type;
    head.charset = response.charset;
    head.headers = response.headers;
    std::ostringstream head_text;
    WriteCgiResponse(head_text, head);

    FcgxOutBuf out_buffer(request.out);
    std::ostream out(&out_buffer);
    WriteCgiResponse(out, response);
    out.flush();
    const uint64_t head_bytes = head_text.str().size();
    entry.status = static_cast<unsigned>(response.status);
    entry.bytes = out_buffer.written() > head_bytes ? out_buffer.written() - head_bytes : 0;
    entry.elapsed = std::chrono::steady_clock::now() - start;
    log.Record(entry);
  }

  ResponseData Answer(const CgiEnvironment& env, std::istream& in, http::AccessEntry& entry) {
    RequestData data = CgiRequestData(env);
    entry.remote_addr = data.remote_addr;
    entry.method = data.method;
    entry.path = LogPath(env, data);

    const std::string_view protocol = ParamOr(env, "SERVER_PROTOCOL", "HTTP/1.1");
    const std::optional<std::string> host = GateHost(env);
    http::GateInput gate_input{data.method,
                               protocol == "HTTP/1.0" ? 10u : 11u,
                               host,
                               Param(env, "HTTP_ORIGIN"),
                               Param(env, "HTTP_REFERER"),
                               Scheme(env)};
    if (std::optional<http::GateRefusal> refusal = gate.Check(gate_input)) {
      entry.refused_by = std::string(refusal->header);
      // As the client sent it, without the port added for the check.
      entry.refused_value =
          refusal->header == "Host" ? std::string(ParamOr(env, "HTTP_HOST")) : refusal->value;
      return CgiRefusal(static_cast<int>(refusal->status), std::string(refusal->reason));
    }
    if (data.method != "GET" && data.method != "HEAD" && data.method != "POST") {
      ResponseData refusal = CgiRefusal(405, "Pages take GET, HEAD and POST.");
      refusal.headers.emplace_back("Allow", "GET, HEAD, POST");
      return refusal;
    }

    const http::ResolvedTarget target =
        http::ResolveTarget(root, UrlPath(env), config.virtual_folders);
    switch (target.kind) {
      case http::ResolvedTarget::Kind::kBadRequest:
        return CgiRefusal(400, "The request names no page this site could have.");
      case http::ResolvedTarget::Kind::kNotFound:
        return CgiRefusal(404, "The page " + data.script_name + " does not exist.");
      case http::ResolvedTarget::Kind::kFile:
        // The web server sends the site's files; one passed here is a mistake of its setup.
        return CgiRefusal(404, "Only pages are served here; " + data.script_name + " is none.");
      case http::ResolvedTarget::Kind::kRedirect: {
        ResponseData moved = CgiRefusal(301, "The folder is at " + target.location + ".");
        std::string location = target.location;
        if (!data.query_string.empty()) location += "?" + data.query_string;
        moved.headers.emplace_back("Location", location);
        return moved;
      }
      case http::ResolvedTarget::Kind::kPage:
        break;
    }
    data.script_name = target.script_name;
    data.script_filename = target.file.string();
    if (auto refusal = ReadCgiBody(env, in, config.max_body, data.body)) return *refusal;
    try {
      return config.page_handler(data);
    } catch (const std::exception& e) {
      log.Note(std::string("korvex: the page ") + data.script_name + " failed: " + e.what());
      return CgiRefusal(500, "The page could not be run.");
    }
  }

  FastCgiConfig config;
  http::AccessLog& log;
  http::RequestGate gate;
  fs::path root;
  int listen_fd = -1;
  std::string endpoint;
  std::mutex accept_mutex;
  std::atomic<bool> stopping{false};
};

FastCgiServer::FastCgiServer(FastCgiConfig config, http::AccessLog& log)
    : impl_(std::make_unique<Impl>(std::move(config), log)) {}

FastCgiServer::~FastCgiServer() = default;

std::string FastCgiServer::Endpoint() const {
  return impl_->endpoint;
}

void FastCgiServer::Stop() {
  impl_->Stop();
}

void FastCgiServer::Run() {
  // A web server that gave up on an answer must not end the process when it is written.
  ::signal(SIGPIPE, SIG_IGN);
  sigset_t stop_signals, previous;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  const bool signals = impl_->config.handle_signals;
  // Blocked before the workers start, so they inherit it and only the watcher takes them.
  if (signals) pthread_sigmask(SIG_BLOCK, &stop_signals, &previous);
  Descriptor signal_fd(signals ? ::signalfd(-1, &stop_signals, SFD_CLOEXEC | SFD_NONBLOCK) : -1);
  Descriptor done_fd(::eventfd(0, EFD_CLOEXEC));

  std::thread watcher;
  if (signal_fd.fd >= 0 && done_fd.fd >= 0) {
    watcher = std::thread([&] {
      for (;;) {
        pollfd fds[2] = {{signal_fd.fd, POLLIN, 0}, {done_fd.fd, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
          if (errno == EINTR) continue;
          return;
        }
        if (fds[1].revents) return;
        if (!(fds[0].revents & POLLIN)) continue;
        signalfd_siginfo info{};
        if (::read(signal_fd.fd, &info, sizeof info) != sizeof info) continue;
        if (impl_->stopping) {
          impl_->log.Note("korvex: second signal, exiting without waiting");
          std::_Exit(1);
        }
        impl_->log.Note("korvex: stopping once the requests in progress are answered");
        Stop();
      }
    });
  }

  std::vector<std::thread> workers;
  for (unsigned i = 0; i < impl_->config.workers; ++i)
    workers.emplace_back([this] { impl_->Work(); });
  for (std::thread& t : workers) t.join();

  if (watcher.joinable()) {
    const uint64_t one = 1;
    // An eventfd write of 8 bytes cannot fail short of a bug; the watcher then stays blocked.
    [[maybe_unused]] ssize_t written = ::write(done_fd.fd, &one, sizeof one);
    watcher.join();
  }
  if (signals) pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

}  // namespace korvex::host::fastcgi
