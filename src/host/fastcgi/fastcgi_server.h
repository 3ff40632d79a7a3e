// The FastCGI responder, for a site behind a web server that speaks FastCGI (nginx, Apache,
// lighttpd): listens on a Unix socket or a loopback TCP port, and a pool of workers each
// accepts and answers one request at a time. The params are a CGI environment, read by the
// CGI adapter's own code (host/cgi.h). Pages only: the web server sends the other files.
// libfcgi stays behind this header.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "host/http/access_log.h"
#include "host/http/server.h"
#include "host/site_path.h"

namespace korvex::host::fastcgi {

struct FastCgiConfig {
  /// Where to listen, one of the two: a Unix socket's path, or "ADDRESS:PORT" with a loopback
  /// IP address (FastCGI carries no authentication of its own). Port 0 picks a free port.
  std::string socket_path;
  std::string listen;
  std::filesystem::path site_root;
  /// URL folders of plain files outside the root: the web server sends their files; a page
  /// there is not run. Also Server.MapPath's, through the page handler's configuration.
  VirtualFolders virtual_folders;
  unsigned workers = 0;  // 0: twice the cores
  /// A larger CONTENT_LENGTH is answered 413 before any of the body is read.
  uint64_t max_body = 64ull << 20;
  /// As http::ServerConfig's, checked against HTTP_HOST, HTTP_ORIGIN and HTTP_REFERER. With
  /// no host names only the loopback ones are answered.
  std::vector<std::string> host_names;
  std::vector<std::string> allowed_origins;
  bool handle_signals = true;  // SIGINT/SIGTERM stop the server
  http::PageHandler page_handler;
};

class FastCgiServer {
 public:
  /// Listens at once. Throws std::runtime_error saying why it cannot (an address in use, a
  /// path that is some other file), std::invalid_argument for a configuration that is wrong.
  /// A stale socket file left by an earlier run is replaced; a live one is not.
  FastCgiServer(FastCgiConfig config, http::AccessLog& log);
  ~FastCgiServer();
  FastCgiServer(const FastCgiServer&) = delete;
  FastCgiServer& operator=(const FastCgiServer&) = delete;

  /// "unix:PATH" or "ADDRESS:PORT" with the port bound, as a web server's configuration names it.
  std::string Endpoint() const;
  /// Serves until stopped; returns once every request accepted has had its whole answer. A
  /// socket file it made is removed.
  void Run();
  /// From any thread: accepts no more requests and lets those in progress end. A second
  /// SIGINT/SIGTERM ends the process at once.
  void Stop();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace korvex::host::fastcgi
