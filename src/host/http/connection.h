// One client connection: waits for a request, reads it within the limits, hands it to a
// worker, writes the answer and either waits for the next request or closes. All of it runs
// on the connection's strand; errors stay error_codes and end in an answer or a close.
#pragma once

#include <atomic>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/http/access_log.h"
#include "host/http/request_handler.h"
#include "host/http/server.h"

namespace korvex::host::http {

class Connection;

/// What every connection of one server shares: limits, the handler, the log, the worker pool
/// and the list of live connections the stop notice goes to.
struct ServerShared {
  ServerShared(const ServerConfig& config, RequestHandler handler, AccessLog& log, unsigned workers)
      : config(config), handler(std::move(handler)), log(log), workers(workers) {}

  void Add(const std::shared_ptr<Connection>& connection);
  void Remove(Connection* connection);
  std::vector<std::shared_ptr<Connection>> Live();
  bool Empty();

  const ServerConfig& config;
  const RequestHandler handler;
  AccessLog& log;
  boost::asio::thread_pool workers;
  std::atomic<bool> stopping{false};
  /// Called, from any thread, when the last connection goes away after the stop began.
  std::function<void()> on_drained;

 private:
  std::mutex mutex_;
  std::unordered_map<Connection*, std::weak_ptr<Connection>> connections_;
};

class Connection : public std::enable_shared_from_this<Connection> {
 public:
  Connection(boost::asio::ip::tcp::socket socket, ServerShared& shared, std::string remote_addr);
  ~Connection();

  void Start();
  /// From any thread: a connection waiting between requests closes at once; one with a
  /// request in progress answers it (with "Connection: close") and then closes.
  void PostStopNotice();

 private:
  enum class State { kIdle, kReading, kBusy, kClosed };
  using error_code = boost::beast::error_code;

  void WaitForRequest();
  void OnFirstBytes(error_code ec, std::size_t n);
  void ReadHeader();
  void OnHeader(error_code ec, std::size_t);
  void ReadBody();
  void OnBody(error_code ec, std::size_t);
  void OnReadError(error_code ec);
  void Dispatch();
  Reply Produce(const Request& request) const;
  void Fail(bhttp::status status);
  void Write(Reply reply, bool unread_input);
  void OnWritten(bool keep_alive, bool unread_input, error_code ec, std::size_t);
  void DrainThenClose();
  void CloseUnlessRequestArrived();
  /// Bytes of a next request are here already, read or still in the socket.
  bool RequestArrived();
  void Close();
  void NoteRequestLine();
  void LogRequest(unsigned status, uint64_t bytes);

  boost::beast::tcp_stream stream_;
  boost::beast::flat_buffer buffer_;
  std::optional<bhttp::request_parser<bhttp::string_body>> parser_;
  ServerShared& shared_;
  const std::string remote_addr_;
  State state_ = State::kIdle;
  bool stop_noticed_ = false;
  bool client_keep_alive_ = false;
  // The request in progress, for its access-log line.
  std::chrono::steady_clock::time_point started_;
  std::string method_, path_;
  unsigned status_ = 0;
  uint64_t bytes_ = 0;
  std::optional<GateRefusal> refusal_;
  std::string visitor_;  // the address a trusted proxy gave for the request being answered
  std::unique_ptr<char[]> drain_;
};

}  // namespace korvex::host::http
