// Text encodings of the web host: HTML and URL encoding for pages, and the decoding of query
// strings, urlencoded bodies and Cookie headers. Multipart bodies are read elsewhere.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace korvex::host {

using NameValueList = std::vector<std::pair<std::string, std::string>>;

/// & < > " ' as &amp; &lt; &gt; &quot; &#39;; every other byte unchanged.
std::string EncodeHtml(std::string_view text);
/// ASCII letters and digits kept, a blank as "+", every other byte as %XX (capital hex).
std::string EncodeUrl(std::string_view text);

/// %XX to its byte; a malformed % sequence stays as written. "+" stays "+" (path rules).
/// The result is raw bytes, not checked as UTF-8.
std::string PercentDecode(std::string_view text);
/// Query-string rules: "+" is a blank, then as PercentDecode; invalid UTF-8 becomes U+FFFD.
std::string DecodeUrl(std::string_view text);
/// name=value pairs joined by "&", decoded; repeated names stay as separate pairs, in order.
NameValueList ParseUrlEncoded(std::string_view text);
/// "a=1; b=2" as sent in a Cookie header; quoted values unquoted, then decoded as DecodeUrl
/// does, so a value written with URLEncode reads back as it was.
NameValueList ParseCookieHeader(std::string_view header);

/// True when the media type (parameters ignored, any case) is the one given.
bool HasMediaType(std::string_view content_type, std::string_view media_type);

}  // namespace korvex::host
