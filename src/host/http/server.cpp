// The listener, the I/O threads, signals and the graceful stop. The stop closes the listening
// socket, tells every connection, and lets the I/O loop run dry: it ends when the last
// connection has written its last answer.
#include "host/http/server.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/address.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/strand.hpp>
#include <csignal>
#include <cstdlib>
#include <stdexcept>
#include <thread>

#include "host/http/connection.h"

namespace korvex::host::http {

namespace net = boost::asio;
using tcp = net::ip::tcp;

bool IsLoopbackAddress(const std::string& address) {
  boost::system::error_code ec;
  net::ip::address parsed = net::ip::make_address(address, ec);
  return !ec && parsed.is_loopback();
}

namespace {

std::filesystem::path CanonicalRoot(const std::filesystem::path& root) {
  std::error_code ec;
  std::filesystem::path canonical = std::filesystem::canonical(root, ec);
  if (ec || !std::filesystem::is_directory(canonical, ec)) {
    throw std::runtime_error("site root is not a folder: " + root.string());
  }
  return canonical;
}

unsigned WorkerCount(unsigned configured) {
  if (configured > 0) return configured;
  return 2 * std::max(1u, std::thread::hardware_concurrency());
}

}  // namespace

struct Server::Impl {
  Impl(ServerConfig config_in, AccessLog& log_in)
      : config(std::move(config_in)),
        log(log_in),
        ioc(static_cast<int>(std::max(1u, config.io_threads))),
        acceptor(ioc),
        signals(ioc),
        retry(ioc) {
    boost::system::error_code ec;
    net::ip::address address = net::ip::make_address(config.address, ec);
    if (ec) throw std::runtime_error("not an IP address: " + config.address);
    std::filesystem::path root = CanonicalRoot(config.site_root);
    for (VirtualFolder& v : config.virtual_folders) v.folder = CanonicalRoot(v.folder);

    tcp::endpoint endpoint(address, config.port);
    acceptor.open(endpoint.protocol(), ec);
    if (!ec) acceptor.set_option(net::socket_base::reuse_address(true), ec);
    if (!ec) acceptor.bind(endpoint, ec);
    if (!ec) acceptor.listen(net::socket_base::max_listen_connections, ec);
    if (ec) {
      throw std::runtime_error("cannot listen on " + config.address + " port " +
                               std::to_string(config.port) + ": " + ec.message());
    }
    port = acceptor.local_endpoint().port();

    shared = std::make_unique<ServerShared>(config, RequestHandler(config, root, port), log,
                                            WorkerCount(config.workers));
    shared->on_drained = [this] { net::post(ioc, [this] { signals.cancel(); }); };
    if (config.handle_signals) {
      signals.add(SIGINT);
      signals.add(SIGTERM);
    }
  }

  void Accept() {
    acceptor.async_accept(net::make_strand(ioc),
                          [this](boost::system::error_code ec, tcp::socket socket) {
                            // A connection accepted just before the stop is still served like any
                            // other.
                            if (!ec) StartConnection(std::move(socket));
                            if (!acceptor.is_open()) return;
                            if (ec) {
                              // Out of descriptors, typically: wait a little instead of spinning.
                              log.Note("korvex: accept failed: " + ec.message());
                              retry.expires_after(std::chrono::milliseconds(100));
                              retry.async_wait([this](boost::system::error_code wait_ec) {
                                if (!wait_ec && acceptor.is_open()) Accept();
                              });
                              return;
                            }
                            Accept();
                          });
  }

  void StartConnection(tcp::socket socket) {
    boost::system::error_code ignored;
    socket.set_option(tcp::no_delay(true), ignored);
    tcp::endpoint remote = socket.remote_endpoint(ignored);
    std::make_shared<Connection>(std::move(socket), *shared, remote.address().to_string())->Start();
  }

  // Clients the system has already connected but we have not accepted yet may have sent
  // their request: take them in before closing, rather than leaving them to a reset.
  void AcceptBacklog() {
    boost::system::error_code ec;
    acceptor.cancel(ec);
    acceptor.non_blocking(true, ec);
    while (!ec) {
      tcp::socket socket(net::make_strand(ioc));
      acceptor.accept(socket, ec);
      if (!ec) StartConnection(std::move(socket));
    }
    acceptor.close(ec);
  }

  void WaitForSignal() {
    signals.async_wait([this](boost::system::error_code ec, int) {
      if (ec) return;
      if (stop_started) {
        log.Note("korvex: second signal, exiting without waiting");
        std::_Exit(1);
      }
      // Armed again first: BeginStop cancels the wait once no connection is left, and a
      // second signal meanwhile must still end the process.
      WaitForSignal();
      BeginStop();
    });
  }

  // On the I/O loop only.
  void BeginStop() {
    if (stop_started) return;
    stop_started = true;
    log.Note("korvex: stopping; finishing requests in progress");
    shared->stopping = true;
    AcceptBacklog();
    retry.cancel();
    for (auto& connection : shared->Live()) connection->PostStopNotice();
    if (shared->Empty()) signals.cancel();
  }

  void Run() {
    if (config.handle_signals) WaitForSignal();
    Accept();
    std::vector<std::thread> extra;
    for (unsigned i = 1; i < config.io_threads; ++i) extra.emplace_back([this] { RunLoop(); });
    RunLoop();
    for (auto& thread : extra) thread.join();
    shared->workers.join();
  }

  // Handlers report failures as error codes; this catch is the last guard so that a thrown
  // exception (out of memory) is logged and the loop goes on.
  void RunLoop() {
    for (;;) {
      try {
        ioc.run();
        return;
      } catch (const std::exception& e) {
        log.Note(std::string("korvex: unexpected error in the I/O loop: ") + e.what());
      }
    }
  }

  ~Impl() {
    if (shared) shared->on_drained = nullptr;
  }

  ServerConfig config;
  AccessLog& log;
  net::io_context ioc;
  tcp::acceptor acceptor;
  net::signal_set signals;
  net::steady_timer retry;
  uint16_t port = 0;
  std::unique_ptr<ServerShared> shared;
  bool stop_started = false;
};

Server::Server(ServerConfig config, AccessLog& log)
    : impl_(std::make_unique<Impl>(std::move(config), log)) {}

Server::~Server() = default;

uint16_t Server::port() const {
  return impl_->port;
}

void Server::Run() {
  impl_->Run();
}

void Server::Stop() {
  net::post(impl_->ioc, [impl = impl_.get()] { impl->BeginStop(); });
}

}  // namespace korvex::host::http
