// The append-only text builder every renderer writes through. It never reformats: verbatim
// pieces (skin tags, captions and aliases as the page gave them, the system's fixed texts)
// and encoded pieces (values from the database or the request) are distinct calls, so a
// reader sees at once which is which.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korvex {

class AdminRecordset;

class HtmlText {
 public:
  /// page: the source of HE and UE (the host's Server encodings).
  explicit HtmlText(const AdminRecordset& page) : page_(page) {}

  /// Appended exactly as given.
  HtmlText& Raw(std::string_view verbatim) {
    text_ += verbatim;
    return *this;
  }
  HtmlText& Crlf() { return Raw("\r\n"); }
  HtmlText& Number(int64_t n) { return Raw(std::to_string(n)); }
  /// HE(text): & < > " ' encoded.
  HtmlText& Html(std::string_view text);
  /// HE(text, True): encoded, then every CR LF written as "<br>".
  HtmlText& HtmlWithBreaks(std::string_view text);
  /// UE(text).
  HtmlText& Url(std::string_view text);

  const std::string& str() const { return text_; }
  std::string Take() { return std::move(text_); }
  bool empty() const { return text_.empty(); }
  void Clear() { text_.clear(); }

 private:
  const AdminRecordset& page_;
  std::string text_;
};

}  // namespace korvex
