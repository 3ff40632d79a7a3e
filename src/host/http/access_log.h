// The server's access log: one line per request (time, client, method, path, status, bytes
// sent, milliseconds taken), written whole so lines from concurrent requests never interleave.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

namespace korvex::host::http {

struct AccessEntry {
  std::string remote_addr;
  std::string method;
  std::string path;  // URL path as received, without the query string
  unsigned status = 0;
  uint64_t bytes = 0;  // body bytes sent
  std::chrono::steady_clock::duration elapsed{};
  /// A request the server turned away for one of its headers: that header's name and value.
  std::string refused_by;
  std::string refused_value;
};

/// `2024-05-01T10:00:00Z 127.0.0.1 "GET /a.ksp" 200 1234 5ms`, and for a refused request
/// ` refused: Host "evil.example"` after it. Bytes of the method, path and refused value that
/// could forge or break a line (controls, quote, backslash, non-ASCII) appear as %XX.
std::string FormatAccessLine(const AccessEntry& entry, std::chrono::system_clock::time_point now);

class AccessLog {
 public:
  using Sink = std::function<void(std::string_view line)>;
  /// Writes to standard error.
  AccessLog();
  explicit AccessLog(Sink sink) : sink_(std::move(sink)) {}

  void Record(const AccessEntry& entry);
  /// Any other line of the server's (start, stop, failures), through the same sink.
  void Note(std::string_view text);

 private:
  std::mutex mutex_;
  Sink sink_;
};

}  // namespace korvex::host::http
