// The in-memory host: serves pages without a network, keeping sessions in memory and cookies
// the way a browser would, so that tests can walk a screen family request by request.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "host/encoding.h"
#include "host/page_host.h"

namespace korvex::host {

/// A page written as a C++ function.
class FunctionPageRunner : public PageRunner {
 public:
  using Page = std::function<void(ScriptingContext&)>;
  explicit FunctionPageRunner(Page page) : page_(std::move(page)) {}
  void Run(const std::filesystem::path&, ScriptingContext& context) override { page_(context); }

 private:
  Page page_;
};

/// A request for a URL path with an optional query ("/t.ksp?x=1"): SCRIPT_NAME (and so
/// PATH_INFO) is the path, the query string what follows "?". A body comes with its content type.
RequestData MakeRequest(std::string_view method, std::string_view url, std::string body = {},
                        std::string content_type = {});
/// A POST of an urlencoded form built from the pairs, encoded as a browser does.
RequestData MakeFormPost(std::string_view url, const NameValueList& form);

class MemoryHost {
 public:
  /// With a site root, a request without script_filename runs the file its path names there.
  explicit MemoryHost(std::optional<std::filesystem::path> site_root = std::nullopt);

  /// Sends the kept cookies with the request and keeps those the response sets.
  ResponseData Serve(RequestData request, PageRunner& runner);
  ResponseData Serve(RequestData request, const FunctionPageRunner::Page& page);

  MemorySessionStore& sessions() { return sessions_; }
  PageHostConfig& config() { return config_; }
  /// Cookie name -> value, as the last responses left them.
  std::map<std::string, std::string>& cookies() { return cookies_; }

 private:
  void KeepCookie(std::string_view set_cookie);

  MemorySessionStore sessions_;
  PageHostConfig config_;
  std::map<std::string, std::string> cookies_;
};

}  // namespace korvex::host
