// The embedded HTTP/1.1 server: listens on one address, reads requests asynchronously, runs
// each request on a pool of worker threads (never on the I/O thread), keeps connections alive,
// enforces size and time limits and stops gracefully. Beast stays behind this header.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/http/access_log.h"
#include "host/http/basic_auth.h"
#include "host/request_data.h"
#include "host/site_path.h"

namespace korvex::host::http {

/// Runs one *.ksp page (RequestData.script_filename); called from several workers at once.
using PageHandler = std::function<ResponseData(const RequestData&)>;

struct ServerConfig {
  std::string address = "127.0.0.1";  // an IP address literal
  uint16_t port = 8080;               // 0: any free port (see Server::port)
  std::filesystem::path site_root;
  /// Top-level URL folders of plain files kept outside the site root ("/files/").
  VirtualFolders virtual_folders;
  unsigned workers = 0;  // page threads; 0: twice the cores
  unsigned io_threads = 1;
  uint64_t max_body = 64ull << 20;
  uint32_t max_header = 16u << 10;
  /// Deadline for receiving one whole request, and for an idle kept-alive connection.
  std::chrono::seconds read_timeout{30};
  std::chrono::seconds write_timeout{120};
  std::optional<BasicCredentials> credentials;  // nothing: no authentication
  /// Host names (no port) answered besides localhost and the loopback literals, which always
  /// are. Empty: any name with credentials, only the loopback ones without.
  std::vector<std::string> host_names;
  /// Origins ("https://admin.example.org") whose pages may send requests other than GET and
  /// HEAD, besides the request's own (http://Host); any other Origin or Referer gets 403.
  std::vector<std::string> allowed_origins;
  /// IP addresses of reverse proxies whose X-Forwarded-For, -Proto and -Host are believed
  /// (forwarded.h); from any other address those headers change nothing.
  std::vector<std::string> trusted_proxies;
  bool handle_signals = true;  // SIGINT/SIGTERM stop the server
  PageHandler page_handler;
};

/// True for 127.0.0.0/8 and ::1; false for anything else, names included.
bool IsLoopbackAddress(const std::string& address);

class Server {
 public:
  /// Binds and listens at once; throws std::runtime_error saying why when it cannot, and
  /// std::invalid_argument for a host name or origin in the configuration that is none.
  Server(ServerConfig config, AccessLog& log);
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  /// The bound port (the one chosen when the configuration asked for 0).
  uint16_t port() const;
  /// Serves until stopped; returns once every request started has had its whole answer.
  void Run();
  /// From any thread: stops accepting, closes idle connections, lets requests in progress end.
  /// A second SIGINT/SIGTERM ends the process at once.
  void Stop();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace korvex::host::http
