// One page request from start to end, for every host: builds the intrinsic objects, finds the
// visitor's session by cookie, runs the page through a PageRunner and stores the session.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>

#include "host/intrinsics.h"
#include "host/request_data.h"

namespace korvex::host {

/// Runs one page with the given context (implemented by the page-script engine).
/// Response.End (ResponseEnded) is handled inside; an error escaping the page is written
/// after the output so far with status 500 (see script/).
class PageRunner {
 public:
  virtual ~PageRunner() = default;
  virtual void Run(const std::filesystem::path& page_file, ScriptingContext& context) = 0;
};

struct PageHostConfig {
  std::optional<std::filesystem::path> site_root;
  SessionStore* sessions = nullptr;  // nothing: no sessions (Session reads Empty)
  std::string session_cookie = "KORVEXSESSIONID";
};

/// Serves one request for the page file data.script_filename.
ResponseData ServePage(const RequestData& data, const PageHostConfig& config, PageRunner& runner);

}  // namespace korvex::host
