// A Beast body whose bytes come from a producer as the socket takes them: an answer too large
// to hold (a whole table exported) is sent chunked, one piece of about 64 KiB at a time, and
// its first bytes leave before the last row is read.
#pragma once

#include <boost/asio/buffer.hpp>
#include <boost/beast/core/error.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/optional.hpp>
#include <functional>
#include <string>
#include <utility>

namespace korvex::host::http {

struct StreamBody {
  struct value_type {
    std::string first;  // sent before anything the producer gives
    /// Appends the next piece to its argument; false once none is left.
    std::function<bool(std::string&)> next;
  };

  class writer {
   public:
    using const_buffers_type = boost::asio::const_buffer;

    template <bool isRequest, class Fields>
    writer(boost::beast::http::header<isRequest, Fields>&, value_type& body) : body_(body) {}

    void init(boost::beast::error_code& ec) { ec = {}; }

    boost::optional<std::pair<const_buffers_type, bool>> get(boost::beast::error_code& ec) {
      ec = {};
      piece_.clear();
      if (!started_) {
        piece_.swap(body_.first);
        started_ = true;
      }
      try {
        while (more_ && piece_.size() < kPiece) more_ = body_.next && body_.next(piece_);
      } catch (...) {
        // A failure halfway cannot change the status already sent: the connection is cut
        // before the last chunk, so the client sees an incomplete answer, never a whole one.
        ec = boost::beast::errc::make_error_code(boost::beast::errc::io_error);
        return boost::none;
      }
      if (piece_.empty()) return boost::none;
      return std::make_pair(const_buffers_type(piece_.data(), piece_.size()), more_);
    }

   private:
    static constexpr size_t kPiece = 64 * 1024;
    value_type& body_;
    std::string piece_;
    bool started_ = false;
    bool more_ = true;
  };
};

}  // namespace korvex::host::http
