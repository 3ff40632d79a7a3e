// The in-memory host and the request builders tests use with it.
#include "host/memory_host.h"

#include "core/variant.h"
#include "host/site_path.h"

namespace korvex::host {

RequestData MakeRequest(std::string_view method, std::string_view url, std::string body,
                        std::string content_type) {
  RequestData request;
  request.method = std::string(method);
  size_t question = url.find('?');
  request.script_name = std::string(url.substr(0, question));
  if (question != std::string_view::npos)
    request.query_string = std::string(url.substr(question + 1));
  request.body = std::move(body);
  request.content_type = std::move(content_type);
  return request;
}

RequestData MakeFormPost(std::string_view url, const NameValueList& form) {
  std::string body;
  for (const auto& [name, value] : form) {
    if (!body.empty()) body += '&';
    body += EncodeUrl(name) + "=" + EncodeUrl(value);
  }
  return MakeRequest("POST", url, std::move(body), "application/x-www-form-urlencoded");
}

MemoryHost::MemoryHost(std::optional<std::filesystem::path> site_root) {
  config_.site_root = std::move(site_root);
  config_.sessions = &sessions_;
}

ResponseData MemoryHost::Serve(RequestData request, PageRunner& runner) {
  if (request.script_filename.empty() && config_.site_root) {
    if (auto file = ResolveSitePath(*config_.site_root, request.script_name))
      request.script_filename = file->string();
  }
  std::string cookie_header;
  for (const auto& [name, value] : cookies_) {
    if (!cookie_header.empty()) cookie_header += "; ";
    cookie_header += name + "=" + value;
  }
  if (!cookie_header.empty()) request.headers.emplace_back("Cookie", cookie_header);

  ResponseData response = ServePage(request, config_, runner);
  for (const auto& [name, value] : response.headers)
    if (EqualsNoCase(name, "Set-Cookie")) KeepCookie(value);
  // Tests read the answer whole, as a client would have received it.
  if (response.body_stream) {
    while (response.body_stream(response.body)) {
    }
    response.body_stream = nullptr;
  }
  return response;
}

ResponseData MemoryHost::Serve(RequestData request, const FunctionPageRunner::Page& page) {
  FunctionPageRunner runner(page);
  return Serve(std::move(request), runner);
}

void MemoryHost::KeepCookie(std::string_view set_cookie) {
  std::string_view pair = set_cookie.substr(0, set_cookie.find(';'));
  size_t eq = pair.find('=');
  if (eq == std::string_view::npos) return;
  std::string name(pair.substr(0, eq));
  if (FoldCase(set_cookie).find("max-age=0") != std::string::npos) {
    cookies_.erase(name);
  } else {
    cookies_[name] = std::string(pair.substr(eq + 1));
  }
}

}  // namespace korvex::host
