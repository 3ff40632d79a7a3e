// The shared options, read as `korvex serve` always read them.
#include "app/site_options.h"

#include "app/session_choice.h"

#include <thread>

#include "host/http/request_gate.h"

namespace korvex::app {

unsigned DefaultWorkers(const SiteOptions& options) {
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const bool waits_on_nothing =
      !options.root && !options.connection && options.sessions == "memory";
  return waits_on_nothing ? cores : 2 * cores;
}

OptionArg::OptionArg(int argc, char** argv, int& index)
    : argc_(argc), argv_(argv), index_(index), name_(argv[index]) {
  std::string_view arg = name_;
  if (size_t eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
    name_ = arg.substr(0, eq);
    inline_value_ = arg.substr(eq + 1);
  }
}

std::string_view OptionArg::Value() {
  if (inline_value_) return *inline_value_;
  if (index_ + 1 >= argc_) throw std::invalid_argument(std::string(name_) + " needs a value");
  return argv_[++index_];
}

bool OptionArg::Flag() const {
  if (inline_value_) throw std::invalid_argument(std::string(name_) + " takes no value");
  return true;
}

std::invalid_argument OptionArg::Bad(std::string_view value, std::string_view what) const {
  return std::invalid_argument(std::string(name_) + ": " + std::string(what) + ", not \"" +
                               std::string(value) + "\"");
}

SiteOptions ParseSiteOptions(int argc, char** argv, const OwnOptions& own) {
  SiteOptions o;
  for (int i = 1; i < argc; ++i) {
    const std::string_view whole = argv[i];
    OptionArg arg(argc, argv, i);
    const std::string_view name = arg.name();
    if (own && own(arg)) continue;
    if (name == "--help" || name == "-h") {
      o.help = arg.Flag();
    } else if (name == "--root") {
      o.root = std::string(arg.Value());
    } else if (name == "--db") {
      o.database = std::string(arg.Value());
    } else if (name == "--connection") {
      o.connection = std::string(arg.Value());
    } else if (name == "--threads") {
      std::string_view v = arg.Value();
      if (!ParseNumber<unsigned>(v, 1, 1024, o.workers)) throw arg.Bad(v, "1 to 1024 threads");
    } else if (name == "--max-body") {
      std::string_view v = arg.Value();
      if (!ParseNumber<uint64_t>(v, 1, uint64_t{1} << 40, o.max_body)) {
        throw arg.Bad(v, "a size in bytes");
      }
    } else if (name == "--max-sessions") {
      std::string_view v = arg.Value();
      if (!ParseNumber<size_t>(v, 1, 10'000'000, o.max_sessions)) {
        throw arg.Bad(v, "1 to 10000000 sessions");
      }
    } else if (name == "--sessions") {
      std::string v(arg.Value());
      if (!IsSessionsOption(v)) {
        throw arg.Bad(v,
                      "\"memory\", a postgresql:// URI or a Provider=PostgreSQL connection string");
      }
      o.sessions = std::move(v);
    } else if (name == "--host") {
      o.host_names.emplace_back(arg.Value());
    } else if (name == "--allow-origin") {
      o.allowed_origins.emplace_back(arg.Value());
    } else {
      throw std::invalid_argument("unknown option " + std::string(whole));
    }
  }
  if (o.database && o.connection)
    throw std::invalid_argument("--db and --connection both name the database: give one");
  if (o.root && (o.database || o.connection)) {
    throw std::invalid_argument(
        "--root serves pages of your own, which name their database themselves; --db and "
        "--connection are for the built-in site");
  }
  for (const auto* given : {&o.root, &o.database, &o.connection})
    if (*given && (*given)->empty()) throw std::invalid_argument("an option's value is empty");
  // Checked here, so a mistyped name is a usage error rather than a failure at start.
  host::http::RequestGate(o.host_names, o.allowed_origins, true);
  return o;
}

}  // namespace korvex::app
