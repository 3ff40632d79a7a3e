// What a host hands to the page machinery for one request, and what it gets back: plain data,
// independent of how the request arrived (CGI, the HTTP server, a test).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace korvex::host {

using HeaderList = std::vector<std::pair<std::string, std::string>>;

struct RequestData {
  std::string method = "GET";
  /// URL path of the page, "/t.ksp"; also its PATH_INFO: hosts refuse extra path after a
  /// page, so generated links never carry text the page did not choose.
  std::string script_name;
  std::string query_string;  // without the "?"
  std::string content_type;
  std::string body;    // raw bytes as received
  HeaderList headers;  // request headers as received (names in any case)
  std::string remote_addr = "127.0.0.1";
  bool secure = false;  // reached over https (as the host or a trusted proxy knows it)
  std::string server_name = "localhost";
  std::string server_port = "80";
  std::string server_protocol = "HTTP/1.1";
  std::string script_filename;  // physical path of the page file
};

struct ResponseData {
  int status = 200;
  std::string status_text = "OK";
  std::string content_type = "text/html";
  std::string charset = "utf-8";
  HeaderList headers;  // added by the page (Response.AddHeader, Set-Cookie, Location)
  std::string body;
  /// The rest of the body, for an answer too large to hold: called after the page has ended,
  /// each call appends the next piece to its argument and returns false once none is left.
  /// Hosts send body first, then the pieces as they come.
  std::function<bool(std::string&)> body_stream;
};

/// The value of the response's Content-Type header: the type, with "; charset=" + charset
/// added for textual types that do not name one ("text/html; charset=utf-8").
std::string ContentTypeHeader(const ResponseData& response);
/// The standard reason text of a status code ("Not Found" for 404), or "" for unknown codes.
std::string_view ReasonPhrase(int status);

}  // namespace korvex::host
