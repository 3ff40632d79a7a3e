// For the server's tests: a raw HTTP client over a plain socket, so requests go out byte for
// byte as written ("..", "%2e%2e", oversize headers) with no client library normalising them.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/text.h"
#include "host/temp_folder.h"

namespace korvex::host::http::testing {

using TempSite = host::testing::TempFolder;

struct RawResponse {
  int status = 0;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;

  /// The first header of that name (any case); "" when absent.
  std::string Header(std::string_view name) const {
    for (const auto& [n, v] : headers)
      if (EqualsNoCase(n, name)) return v;
    return "";
  }
};

/// One TCP connection to 127.0.0.1.
class RawConnection {
 public:
  explicit RawConnection(uint16_t port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd_ < 0 || ::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
      throw std::runtime_error("cannot connect to port " + std::to_string(port));
    }
  }
  ~RawConnection() {
    if (fd_ >= 0) ::close(fd_);
  }
  RawConnection(const RawConnection&) = delete;
  RawConnection& operator=(const RawConnection&) = delete;

  /// False when the server has closed (or reset) the connection meanwhile.
  bool Send(std::string_view bytes) {
    while (!bytes.empty()) {
      ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (n <= 0) return false;
      bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
  }

  /// One whole response, its body measured by Content-Length or sent in chunks (none for
  /// HEAD); nothing when the connection ends or stays silent before the response is complete.
  std::optional<RawResponse> Read(bool head = false,
                                  std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    size_t end;
    while ((end = pending_.find("\r\n\r\n")) == std::string::npos) {
      if (!Fill(timeout)) return std::nullopt;
    }
    RawResponse response;
    std::string head_text = pending_.substr(0, end);
    pending_.erase(0, end + 4);
    size_t line_end = head_text.find("\r\n");
    std::string status_line = head_text.substr(0, line_end);
    if (status_line.size() < 12 || status_line.compare(0, 5, "HTTP/") != 0) return std::nullopt;
    response.status = std::stoi(status_line.substr(9, 3));
    while (line_end != std::string::npos) {
      size_t start = line_end + 2;
      line_end = head_text.find("\r\n", start);
      std::string line = head_text.substr(start, line_end - start);
      size_t colon = line.find(':');
      if (colon == std::string::npos) continue;
      size_t value = line.find_first_not_of(' ', colon + 1);
      response.headers.emplace_back(line.substr(0, colon),
                                    value == std::string::npos ? "" : line.substr(value));
    }
    if (response.Header("Transfer-Encoding") == "chunked" && !head) {
      // Each chunk: its size in hex, CRLF, the bytes, CRLF; a size of 0 ends the body.
      for (;;) {
        size_t line;
        while ((line = pending_.find("\r\n")) == std::string::npos)
          if (!Fill(timeout)) return std::nullopt;
        const size_t size = std::stoul(pending_.substr(0, line), nullptr, 16);
        while (pending_.size() < line + 2 + size + 2)
          if (!Fill(timeout)) return std::nullopt;
        response.body.append(pending_, line + 2, size);
        pending_.erase(0, line + 2 + size + 2);
        if (size == 0) return response;
      }
    }
    size_t length = 0;
    if (std::string cl = response.Header("Content-Length"); !cl.empty() && !head) {
      length = std::stoul(cl);
    }
    while (pending_.size() < length) {
      if (!Fill(timeout)) return std::nullopt;
    }
    response.body = pending_.substr(0, length);
    pending_.erase(0, length);
    return response;
  }

  /// True when the server closes the connection (end of stream) within the timeout.
  bool WaitForClose(std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    while (Fill(timeout)) {
    }
    return closed_;
  }

 private:
  bool Fill(std::chrono::milliseconds timeout) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(timeout.count())) <= 0) return false;
    char chunk[16384];
    ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
    if (n <= 0) {
      closed_ = true;
      return false;
    }
    pending_.append(chunk, static_cast<size_t>(n));
    return true;
  }

  int fd_ = -1;
  std::string pending_;
  bool closed_ = false;
};

/// A request on a connection of its own.
inline std::optional<RawResponse> Fetch(uint16_t port, std::string_view request,
                                        bool head = false) {
  RawConnection connection(port);
  connection.Send(request);
  return connection.Read(head);
}

inline std::string Get(std::string_view target, std::string_view extra_headers = "") {
  return "GET " + std::string(target) + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" +
         std::string(extra_headers) + "\r\n";
}

}  // namespace korvex::host::http::testing
