// URL path to file under the site root, Content-Type table and HTTP dates.
#include "host/http/static_files.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/text.h"
#include "host/encoding.h"

namespace korvex::host::http {

namespace fs = std::filesystem;

namespace {

// Tried in this order when a request names a folder.
constexpr std::array<std::string_view, 3> kDefaultDocuments = {"index.ksp", "index.html",
                                                               "index.htm"};

// One path segment, decoded; nothing when it holds a malformed escape, or when decoding would
// change the path's shape (an encoded "/" or "\") or smuggle a NUL into a file name.
std::optional<std::string> DecodeSegment(std::string_view raw) {
  auto is_hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
  for (size_t at = raw.find('%'); at != std::string_view::npos; at = raw.find('%', at + 1)) {
    if (at + 2 >= raw.size() || !is_hex(raw[at + 1]) || !is_hex(raw[at + 2])) return std::nullopt;
  }
  std::string out = PercentDecode(raw);
  if (out.find_first_of(std::string_view("/\\\0", 3)) != std::string::npos) return std::nullopt;
  return out;
}

// Percent-encodes what a URL path segment may not carry as is.
std::string EncodeSegment(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if (std::isalnum(c) || std::strchr("-._~!$&'()*+,;=:@", c) != nullptr) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

bool IsUnder(const fs::path& root, const fs::path& p) {
  auto [r, q] = std::mismatch(root.begin(), root.end(), p.begin(), p.end());
  return r == root.end();
}

// The last step for anything found: it must be a regular file still under the root once
// links are resolved (a link may point anywhere). The root is canonical, so a file reached
// through no link is where its name says; linked: some part of the way is a link.
ResolvedTarget Found(const fs::path& root, const fs::path& file, std::string script_name,
                     bool linked) {
  ResolvedTarget r;
  fs::path real = file;
  if (linked) {
    std::error_code ec;
    real = fs::canonical(file, ec);
    if (ec || !IsUnder(root, real) || !fs::is_regular_file(real, ec)) return r;
  }
  r.kind = IsPageFile(real) ? ResolvedTarget::Kind::kPage : ResolvedTarget::Kind::kFile;
  r.file = std::move(real);
  r.script_name = std::move(script_name);
  return r;
}

// What is at path, links followed; linked is set when path itself is a link.
fs::file_status StatusNoting(const fs::path& path, bool& linked, std::error_code& ec) {
  fs::file_status st = fs::symlink_status(path, ec);
  if (ec || !fs::is_symlink(st)) return st;
  linked = true;
  return fs::status(path, ec);
}

// The decoded segments looked up under root: the site root (folder_name empty) or the virtual
// folder of that name. names_folder: the path ends in "/" (or "/."), so it asks for a folder.
ResolvedTarget Walk(const fs::path& root, std::string_view folder_name,
                    const std::vector<std::string>& segments, bool names_folder) {
  std::string url = folder_name.empty() ? "" : '/' + std::string(folder_name);
  fs::path current = root;
  std::error_code ec;
  bool linked = false;
  fs::file_status st = segments.empty() ? fs::status(current, ec) : fs::file_status();
  for (size_t i = 0; i < segments.size(); ++i) {
    current /= segments[i];
    url += '/';
    url += segments[i];
    st = StatusNoting(current, linked, ec);
    if (ec || !fs::exists(st)) return {};
    // Nothing takes extra path after its name, pages included: a page builds its links and
    // form actions on its own path, and must never find a visitor's text there.
    if (i + 1 < segments.size() && !fs::is_directory(st)) return {};
  }

  if (!fs::is_directory(st)) {
    if (names_folder || !fs::is_regular_file(st)) return {};
    return Found(root, current, url, linked);
  }
  if (!names_folder) {
    ResolvedTarget r;
    r.kind = ResolvedTarget::Kind::kRedirect;
    if (!folder_name.empty()) r.location = '/' + EncodeSegment(folder_name);
    for (const std::string& segment : segments) r.location += '/' + EncodeSegment(segment);
    r.location += '/';
    return r;
  }
  for (std::string_view document : kDefaultDocuments) {
    fs::path candidate = current / document;
    bool document_linked = linked;
    fs::file_status document_st = StatusNoting(candidate, document_linked, ec);
    if (!ec && fs::is_regular_file(document_st))
      return Found(root, candidate, url + '/' + std::string(document), document_linked);
  }
  return {};
}

}  // namespace

ResolvedTarget ResolveTarget(const fs::path& site_root, std::string_view raw_path,
                             const VirtualFolders& virtual_folders) {
  ResolvedTarget bad;
  bad.kind = ResolvedTarget::Kind::kBadRequest;
  if (raw_path.empty() || raw_path.front() != '/') return bad;

  // Empty and "." segments collapse, so "//etc/passwd" stays under the root.
  std::vector<std::string> segments;
  bool names_folder = false;
  for (size_t pos = 1; pos <= raw_path.size();) {
    size_t end = std::min(raw_path.find('/', pos), raw_path.size());
    auto segment = DecodeSegment(raw_path.substr(pos, end - pos));
    if (!segment || *segment == "..") return bad;
    names_folder = segment->empty() || *segment == ".";
    if (!names_folder) segments.push_back(std::move(*segment));
    pos = end + 1;
  }

  const VirtualFolder* virtual_folder =
      segments.empty() ? nullptr : FindVirtualFolder(virtual_folders, segments.front());
  if (!virtual_folder) return Walk(site_root, "", segments, names_folder);
  segments.erase(segments.begin());
  ResolvedTarget found = Walk(virtual_folder->folder, virtual_folder->name, segments, names_folder);
  if (found.kind == ResolvedTarget::Kind::kPage) return {};
  return found;
}

bool IsPageFile(const fs::path& file) {
  return EqualsNoCase(file.extension().string(), ".ksp");
}

std::string_view ContentTypeFor(const fs::path& file) {
  // Sorted by extension for the binary search below.
  static constexpr std::pair<std::string_view, std::string_view> kTypes[] = {
      {".avif", "image/avif"},
      {".bmp", "image/bmp"},
      {".css", "text/css"},
      {".csv", "text/csv"},
      {".gif", "image/gif"},
      {".gz", "application/gzip"},
      {".htm", "text/html"},
      {".html", "text/html"},
      {".ico", "image/vnd.microsoft.icon"},
      {".jpeg", "image/jpeg"},
      {".jpg", "image/jpeg"},
      {".js", "text/javascript"},
      {".json", "application/json"},
      {".map", "application/json"},
      {".mjs", "text/javascript"},
      {".mp3", "audio/mpeg"},
      {".mp4", "video/mp4"},
      {".otf", "font/otf"},
      {".pdf", "application/pdf"},
      {".png", "image/png"},
      {".svg", "image/svg+xml"},
      {".tif", "image/tiff"},
      {".tiff", "image/tiff"},
      {".ttf", "font/ttf"},
      {".txt", "text/plain"},
      {".wasm", "application/wasm"},
      {".webm", "video/webm"},
      {".webp", "image/webp"},
      {".woff", "font/woff"},
      {".woff2", "font/woff2"},
      {".xml", "application/xml"},
      {".xsl", "application/xml"},
      {".zip", "application/zip"},
  };
  std::string ext = FoldCase(file.extension().string());
  auto it =
      std::lower_bound(std::begin(kTypes), std::end(kTypes), ext,
                       [](const auto& entry, const std::string& e) { return entry.first < e; });
  if (it != std::end(kTypes) && it->first == ext) return it->second;
  return "application/octet-stream";
}

namespace {

constexpr std::array<const char*, 7> kDays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

int MonthIndex(const char* name) {
  for (size_t i = 0; i < kMonths.size(); ++i) {
    if (std::strcmp(name, kMonths[i]) == 0) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

std::string FormatHttpDate(std::time_t t) {
  std::tm tm{};
  gmtime_r(&t, &tm);
  char text[40];
  std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT", kDays[tm.tm_wday],
                tm.tm_mday, kMonths[tm.tm_mon], tm.tm_year + 1900, tm.tm_hour, tm.tm_min,
                tm.tm_sec);
  return text;
}

std::optional<std::time_t> ParseHttpDate(std::string_view text) {
  std::string s(text);
  char month[4] = {};
  int day = 0, year = 0, hour = 0, minute = 0, second = 0, used = 0;
  bool ok = false;
  if (s.size() > 4 && s[3] == ',') {  // Sun, 06 Nov 1994 08:49:37 GMT
    ok = std::sscanf(s.c_str() + 4, " %2d %3s %4d %2d:%2d:%2d GMT%n", &day, month, &year, &hour,
                     &minute, &second, &used) == 6;
    used += 4;
  } else if (size_t comma = s.find(','); comma != std::string::npos) {  // Sunday, 06-Nov-94 ...
    ok = std::sscanf(s.c_str() + comma + 1, " %2d-%3s-%2d %2d:%2d:%2d GMT%n", &day, month, &year,
                     &hour, &minute, &second, &used) == 6;
    used += static_cast<int>(comma) + 1;
    year += year < 70 ? 2000 : 1900;
  } else if (s.size() > 4) {  // Sun Nov  6 08:49:37 1994
    ok = std::sscanf(s.c_str() + 4, "%3s %2d %2d:%2d:%2d %4d%n", month, &day, &hour, &minute,
                     &second, &year, &used) == 6;
    used += 4;
  }
  int mon = MonthIndex(month);
  if (!ok || static_cast<size_t>(used) != s.size() || mon < 0 || day < 1 || day > 31 || hour > 23 ||
      minute > 59 || second > 60) {
    return std::nullopt;
  }
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = mon;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  return timegm(&tm);
}

}  // namespace korvex::host::http
