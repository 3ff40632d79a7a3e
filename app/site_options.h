// The command-line options `korvex serve` and `korvex fastcgi` share: what is served, how many
// workers, the limits, the sessions and the Host and Origin checks. Read in one place, so an
// option added here is an option of both; each command reads its own through a callback.
#pragma once

#include <charconv>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "host/session_store.h"

namespace korvex::app {

struct SiteOptions {
  std::optional<std::string> root, database, connection;
  unsigned workers = 0;  // 0: DefaultWorkers()
  uint64_t max_body = 64ull << 20;
  size_t max_sessions = host::MemorySessionStore::kDefaultMaxSessions;
  std::string sessions = "memory";           // --sessions: memory, or a PostgreSQL database
  std::vector<std::string> host_names;       // --host
  std::vector<std::string> allowed_origins;  // --allow-origin
  bool help = false;
};

/// The processor cores for the built-in site on a SQLite file with sessions in memory: its
/// pages never wait on a server, and more threads than cores only queue behind each other
/// (longer tails, no more answers). Twice the cores otherwise, so pages waiting on a
/// database server or a page folder's own work leave no core idle.
unsigned DefaultWorkers(const SiteOptions& options);

/// Parses the whole of text as a number from min to max.
template <class T>
bool ParseNumber(std::string_view text, T min, T max, T& out) {
  T value{};
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < min || value > max) {
    return false;
  }
  out = value;
  return true;
}

/// One option as found on the command line: "--name value" or "--name=value".
class OptionArg {
 public:
  OptionArg(int argc, char** argv, int& index);

  std::string_view name() const { return name_; }
  /// The option's value; throws std::invalid_argument when it has none.
  std::string_view Value();
  /// True; throws std::invalid_argument when a value was given ("--help=x").
  bool Flag() const;
  /// The error for a value that is not what the option takes.
  std::invalid_argument Bad(std::string_view value, std::string_view what) const;

 private:
  int argc_;
  char** argv_;
  int& index_;
  std::string_view name_;
  std::optional<std::string_view> inline_value_;
};

/// A command's own options: takes the option and returns true when it is one of them.
using OwnOptions = std::function<bool(OptionArg&)>;

/// Reads argv[1...]: each option the command's own reader does not take must be a shared one.
/// Throws std::invalid_argument with the message to print for an unknown option, a bad value
/// or a combination that cannot be served (--db with --connection, --root with either).
SiteOptions ParseSiteOptions(int argc, char** argv, const OwnOptions& own);

}  // namespace korvex::app
