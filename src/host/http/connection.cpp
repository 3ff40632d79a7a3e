// The life of one connection. Reading: an idle wait for the first byte (so a stop can tell an
// idle connection from one with a request on the way), then the header within the header
// limit, then the body within the body limit, all under the read deadline. Answering: on a
// worker; writing back on the strand.
#include "host/http/connection.h"

#include <boost/asio/dispatch.hpp>
#include <boost/asio/post.hpp>
#include <boost/beast/core/buffers_generator.hpp>

namespace korvex::host::http {

namespace net = boost::asio;
namespace beast = boost::beast;

namespace {

constexpr std::size_t kFirstRead = 4096;
// After refusing a request whose body was not read, keep reading (and discarding) for a
// moment so that the client, still sending, gets the answer rather than a reset.
constexpr auto kDrainTime = std::chrono::seconds(2);
constexpr std::size_t kDrainChunk = 64 * 1024;

}  // namespace

void ServerShared::Add(const std::shared_ptr<Connection>& connection) {
  std::lock_guard lock(mutex_);
  connections_.emplace(connection.get(), connection);
}

void ServerShared::Remove(Connection* connection) {
  bool drained;
  {
    std::lock_guard lock(mutex_);
    connections_.erase(connection);
    drained = connections_.empty() && stopping;
  }
  if (drained && on_drained) on_drained();
}

std::vector<std::shared_ptr<Connection>> ServerShared::Live() {
  std::lock_guard lock(mutex_);
  std::vector<std::shared_ptr<Connection>> live;
  for (auto& [key, weak] : connections_) {
    if (auto connection = weak.lock()) live.push_back(std::move(connection));
  }
  return live;
}

bool ServerShared::Empty() {
  std::lock_guard lock(mutex_);
  return connections_.empty();
}

Connection::Connection(net::ip::tcp::socket socket, ServerShared& shared, std::string remote_addr)
    : stream_(std::move(socket)), shared_(shared), remote_addr_(std::move(remote_addr)) {}

Connection::~Connection() {
  shared_.Remove(this);
}

void Connection::Start() {
  shared_.Add(shared_from_this());
  net::dispatch(stream_.get_executor(),
                beast::bind_front_handler(&Connection::WaitForRequest, shared_from_this()));
}

void Connection::PostStopNotice() {
  net::post(stream_.get_executor(), [self = shared_from_this()] {
    self->stop_noticed_ = true;
    if (self->state_ == State::kIdle) self->stream_.cancel();
  });
}

void Connection::WaitForRequest() {
  if (buffer_.size() > 0) return ReadHeader();  // the next request is already here
  if (stop_noticed_ || shared_.stopping) return CloseUnlessRequestArrived();
  state_ = State::kIdle;
  stream_.expires_after(shared_.config.read_timeout);
  stream_.async_read_some(buffer_.prepare(kFirstRead),
                          beast::bind_front_handler(&Connection::OnFirstBytes, shared_from_this()));
}

void Connection::OnFirstBytes(error_code ec, std::size_t n) {
  if (ec == net::error::operation_aborted) return CloseUnlessRequestArrived();
  // Closed by the client or idle too long: no request on it, nothing to answer or log.
  if (ec) return Close();
  buffer_.commit(n);
  ReadHeader();
}

// During a stop, a request counts as started once its first bytes have reached this machine:
// those are answered (with "Connection: close"); a connection with nothing on it just closes.
void Connection::CloseUnlessRequestArrived() {
  if (RequestArrived()) return ReadHeader();
  Close();
}

bool Connection::RequestArrived() {
  error_code ec;
  return buffer_.size() > 0 || (stream_.socket().available(ec) > 0 && !ec);
}

void Connection::ReadHeader() {
  state_ = State::kReading;
  started_ = std::chrono::steady_clock::now();
  method_.clear();
  path_.clear();
  parser_.emplace();
  parser_->header_limit(shared_.config.max_header);
  parser_->body_limit(shared_.config.max_body);
  stream_.expires_after(shared_.config.read_timeout);
  bhttp::async_read_header(stream_, buffer_, *parser_,
                           beast::bind_front_handler(&Connection::OnHeader, shared_from_this()));
}

void Connection::OnHeader(error_code ec, std::size_t) {
  NoteRequestLine();
  if (ec) return OnReadError(ec);
  if (parser_->is_done()) return Dispatch();

  const auto& request = parser_->get();
  if (request.version() >= 11 && beast::iequals(request[bhttp::field::expect], "100-continue")) {
    static constexpr std::string_view kContinue = "HTTP/1.1 100 Continue\r\n\r\n";
    stream_.expires_after(shared_.config.write_timeout);
    net::async_write(stream_, net::buffer(kContinue.data(), kContinue.size()),
                     [self = shared_from_this()](error_code ec, std::size_t) {
                       if (ec) return self->Close();
                       self->stream_.expires_after(self->shared_.config.read_timeout);
                       self->ReadBody();
                     });
    return;
  }
  ReadBody();
}

void Connection::ReadBody() {
  bhttp::async_read(stream_, buffer_, *parser_,
                    beast::bind_front_handler(&Connection::OnBody, shared_from_this()));
}

void Connection::OnBody(error_code ec, std::size_t) {
  if (ec) return OnReadError(ec);
  Dispatch();
}

// A request that could not be read whole: answered when the client can still take an answer,
// else the connection just closes.
void Connection::OnReadError(error_code ec) {
  if (ec == bhttp::error::header_limit) return Fail(bhttp::status::request_header_fields_too_large);
  if (ec == bhttp::error::body_limit) return Fail(bhttp::status::payload_too_large);
  if (ec == beast::error::timeout) {
    LogRequest(408, 0);
    return Close();
  }
  if (ec == bhttp::error::end_of_stream || ec == bhttp::error::partial_message ||
      ec == net::error::operation_aborted || ec == net::error::connection_reset ||
      ec == net::error::eof) {
    return Close();
  }
  Fail(bhttp::status::bad_request);
}

void Connection::Dispatch() {
  state_ = State::kBusy;
  Request request = parser_->release();
  parser_.reset();
  client_keep_alive_ = request.keep_alive();
  stream_.expires_never();
  // The tracked executor keeps the I/O loop alive while the worker has the request, so a
  // stop never returns before the answer is written.
  auto back = net::prefer(stream_.get_executor(), net::execution::outstanding_work.tracked);
  net::post(shared_.workers, [self = shared_from_this(), request = std::move(request),
                              back = std::move(back)]() mutable {
    Reply reply = self->Produce(request);
    net::post(back,
              [self, reply = std::move(reply)]() mutable { self->Write(std::move(reply), false); });
  });
}

Reply Connection::Produce(const Request& request) const {
  const bool head = request.method() == bhttp::verb::head;
  try {
    return shared_.handler.Handle(request, remote_addr_);
  } catch (const std::exception& e) {
    shared_.log.Note(std::string("korvex: request failed: ") + e.what());
  } catch (...) {
    shared_.log.Note("korvex: request failed");
  }
  return ErrorReply(bhttp::status::internal_server_error, request.version(), head);
}

void Connection::Fail(bhttp::status status) {
  state_ = State::kBusy;
  unsigned version = parser_ && parser_->get().version() == 10 ? 10 : 11;
  parser_.reset();
  client_keep_alive_ = false;
  Write(ErrorReply(status, version), true);
}

void Connection::Write(Reply reply, bool unread_input) {
  // During a stop the connection stays open only for requests a client has pipelined behind
  // this one: they have arrived, so they are answered too, the last with "Connection: close".
  const bool stopping = stop_noticed_ || shared_.stopping;
  const bool keep_alive = client_keep_alive_ && !unread_input && (!stopping || RequestArrived());
  FinishReply(reply, keep_alive);
  status_ = reply.status;
  bytes_ = reply.body_bytes;
  refusal_ = std::move(reply.refusal);
  visitor_ = std::move(reply.visitor);
  auto generator = std::visit(
      [](auto& message) { return bhttp::message_generator(std::move(message)); }, reply.message);
  stream_.expires_after(shared_.config.write_timeout);
  beast::async_write(stream_, std::move(generator),
                     beast::bind_front_handler(&Connection::OnWritten, shared_from_this(),
                                               keep_alive, unread_input));
}

void Connection::OnWritten(bool keep_alive, bool unread_input, error_code ec, std::size_t) {
  LogRequest(status_, ec ? 0 : bytes_);
  if (ec) return Close();
  if (unread_input) return DrainThenClose();
  if (!keep_alive) return Close();
  WaitForRequest();
}

void Connection::DrainThenClose() {
  state_ = State::kClosed;
  error_code ignored;
  stream_.socket().shutdown(net::ip::tcp::socket::shutdown_send, ignored);
  if (!drain_) {
    drain_ = std::make_unique<char[]>(kDrainChunk);
    stream_.expires_after(kDrainTime);
  }
  stream_.async_read_some(net::buffer(drain_.get(), kDrainChunk),
                          [self = shared_from_this()](error_code ec, std::size_t) {
                            if (ec) return self->Close();
                            self->DrainThenClose();
                          });
}

void Connection::Close() {
  state_ = State::kClosed;
  error_code ignored;
  stream_.socket().shutdown(net::ip::tcp::socket::shutdown_send, ignored);
  stream_.close();
}

void Connection::NoteRequestLine() {
  if (!parser_) return;
  const auto& request = parser_->get();
  method_ = std::string(request.method_string());
  std::string_view target = request.target();
  path_ = std::string(target.substr(0, target.find('?')));
}

void Connection::LogRequest(unsigned status, uint64_t bytes) {
  AccessEntry entry{
      visitor_.empty() ? remote_addr_ : std::move(visitor_), method_, path_, status, bytes,
      std::chrono::steady_clock::now() - started_,           {},      {}};
  if (refusal_) {
    entry.refused_by = refusal_->header;
    entry.refused_value = std::move(refusal_->value);
    refusal_.reset();
  }
  shared_.log.Record(entry);
}

}  // namespace korvex::host::http
