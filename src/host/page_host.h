// One page request from start to end, for every host: builds the intrinsic objects, finds the
// visitor's session by cookie, runs the page through a PageRunner and stores the session.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>

#include "core/automation_error.h"
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
  VirtualFolders virtual_folders;    // for Server.MapPath
  SessionStore* sessions = nullptr;  // nothing: no sessions (Session reads Empty)
  std::string session_cookie = "KORVEXSESSIONID";
  /// The site's link secret (site_secret.h), handed to every page's Server; "" for none.
  std::string site_secret;
};

/// Serves one request for the page file data.script_filename.
/// Classes a page creates come from ClassRegistry::Global(): the program calls
/// korvex::RegisterAllClasses() once before serving. A ResponseEnded or an error that
/// escapes the runner is handled here too (the error as PageErrorHtml, status 500). The
/// session is stored when the page changed it, a new one only when it holds a value, and only
/// then gets its cookie.
ResponseData ServePage(const RequestData& data, const PageHostConfig& config, PageRunner& runner);

/// The HTML written after the page's output when an error stops it: number, description,
/// source and the page's URL path, all HTML-encoded.
std::string PageErrorHtml(const AutomationError& error, std::string_view script_name);

}  // namespace korvex::host
