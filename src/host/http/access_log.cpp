// Access log lines and the sink they go to.
#include "host/http/access_log.h"

#include <cstdio>
#include <ctime>

namespace korvex::host::http {

namespace {

void AppendEscaped(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (unsigned char c : text) {
    if (c <= 0x20 || c >= 0x7F || c == '"' || c == '\\') {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
}

}  // namespace

std::string FormatAccessLine(const AccessEntry& entry, std::chrono::system_clock::time_point now) {
  std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &tm);
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(entry.elapsed).count();

  std::string line = stamp;
  line += ' ';
  line += entry.remote_addr.empty() ? "-" : entry.remote_addr;
  line += " \"";
  AppendEscaped(line, entry.method.empty() ? "-" : entry.method);
  line += ' ';
  AppendEscaped(line, entry.path.empty() ? "-" : entry.path);
  line += "\" " + std::to_string(entry.status) + ' ' + std::to_string(entry.bytes) + ' ' +
          std::to_string(ms) + "ms";
  if (!entry.refused_by.empty()) {
    line += " refused: " + entry.refused_by + " \"";
    AppendEscaped(line, entry.refused_value);
    line += '"';
  }
  return line;
}

AccessLog::AccessLog()
    : sink_([](std::string_view line) {
        std::string text(line);
        text += '\n';
        std::fwrite(text.data(), 1, text.size(), stderr);
        std::fflush(stderr);
      }) {}

void AccessLog::Record(const AccessEntry& entry) {
  Note(FormatAccessLine(entry, std::chrono::system_clock::now()));
}

void AccessLog::Note(std::string_view text) {
  std::lock_guard lock(mutex_);
  sink_(text);
}

}  // namespace korvex::host::http
