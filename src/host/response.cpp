// Response: the page's output, buffered whole until the page ends, with its status line and
// header lines. Header text from the page is checked so it cannot split the response.
#include <charconv>

#include "core/automation_error.h"
#include "core/member_table.h"
#include "host/encoding.h"
#include "host/intrinsics.h"

namespace korvex::host {

namespace {

[[noreturn]] void RaiseBadHeader(std::string_view what, std::string_view text) {
  throw AutomationError(
      err::kInvalidProcedureCall,
      std::string("Invalid ") + std::string(what) + ": '" + SanitizeUtf8(text) + "'", "Response");
}

bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos ||
         text.find('\0') != std::string_view::npos;
}

bool IsToken(std::string_view name) {
  if (name.empty()) return false;
  for (char c : name) {
    bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
    if (!ok) return false;
  }
  return true;
}

bool IsTextualType(std::string_view type) {
  std::string folded = FoldCase(type);
  return folded.starts_with("text/") || folded.find("xml") != std::string::npos ||
         folded.find("json") != std::string::npos || folded.find("javascript") != std::string::npos;
}

}  // namespace

std::string ContentTypeHeader(const ResponseData& response) {
  std::string header = response.content_type;
  if (!response.charset.empty() && IsTextualType(response.content_type) &&
      FoldCase(response.content_type).find("charset=") == std::string::npos)
    header += "; charset=" + response.charset;
  return header;
}

std::string_view ReasonPhrase(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 201:
      return "Created";
    case 204:
      return "No Content";
    case 301:
      return "Moved Permanently";
    case 302:
      return "Found";
    case 303:
      return "See Other";
    case 304:
      return "Not Modified";
    case 307:
      return "Temporary Redirect";
    case 400:
      return "Bad Request";
    case 401:
      return "Unauthorized";
    case 403:
      return "Forbidden";
    case 404:
      return "Not Found";
    case 405:
      return "Method Not Allowed";
    case 408:
      return "Request Timeout";
    case 413:
      return "Content Too Large";
    case 431:
      return "Request Header Fields Too Large";
    case 500:
      return "Internal Server Error";
    case 501:
      return "Not Implemented";
    case 503:
      return "Service Unavailable";
    default:
      return "";
  }
}

const MemberTable& Response::Members() const {
  static const MemberTable table(
      "Response", {
                      Method("Write", &Response::Write),
                      Method("BinaryWrite", &Response::BinaryWrite),
                      Method("Clear", &Response::Clear),
                      Method("End", &Response::End),
                      Method("Redirect", &Response::Redirect),
                      Method("AddHeader", &Response::AddHeader),
                      Accessor("Status", &Response::Status, &Response::Status),
                      Accessor("ContentType", &Response::ContentType, &Response::ContentType),
                      Accessor("CharSet", &Response::CharSet, &Response::CharSet),
                      Prop<&Response::Buffer>("Buffer"),
                  });
  return table;
}

void Response::Write(const Variant& value) {
  if (ended_) return;
  data_.body += TextOrEmpty(value);
}

void Response::WriteText(std::string_view text) {
  if (!ended_) data_.body += text;
}

void Response::BinaryWrite(const std::string& bytes) {
  WriteText(bytes);
}

void Response::Clear() {
  if (ended_) return;
  data_.body.clear();
  data_.body_stream = nullptr;
}

void Response::End() {
  ended_ = true;
  throw ResponseEnded{};
}

void Response::Redirect(const std::string& url) {
  if (HasLineBreak(url)) RaiseBadHeader("redirect address", url);
  if (!ended_) {
    data_.status = 302;
    data_.status_text = "Found";
    data_.headers.emplace_back("Location", url);
    data_.body =
        "<html><head><title>Object moved</title></head><body><h1>Object moved</h1>"
        "<p>This object may be found <a href=\"" +
        EncodeHtml(url) + "\">here</a>.</p></body></html>";
  }
  End();
}

void Response::AddHeader(const std::string& name, const std::string& value) {
  if (!IsToken(name)) RaiseBadHeader("header name", name);
  if (HasLineBreak(value)) RaiseBadHeader("header value", value);
  if (!ended_) data_.headers.emplace_back(name, value);
}

std::string Response::Status() const {
  return std::to_string(data_.status) + " " + data_.status_text;
}

void Response::Status(const std::string& status_line) {
  int code = 0;
  const char* begin = status_line.data();
  const char* end = begin + status_line.size();
  auto [rest, ec] = std::from_chars(begin, end, code);
  if (ec != std::errc() || rest - begin != 3 || code < 100 || (rest != end && *rest != ' ') ||
      HasLineBreak(status_line))
    RaiseBadHeader("status", status_line);
  std::string reason = rest == end ? std::string() : std::string(rest + 1, end);
  data_.status = code;
  data_.status_text = reason.empty() ? std::string(ReasonPhrase(code)) : reason;
}

void Response::ContentType(const std::string& type) {
  if (type.empty() || HasLineBreak(type)) RaiseBadHeader("content type", type);
  data_.content_type = type;
}

void Response::CharSet(const std::string& charset) {
  if (HasLineBreak(charset) || charset.find(';') != std::string::npos)
    RaiseBadHeader("character set", charset);
  data_.charset = charset;
}

}  // namespace korvex::host
