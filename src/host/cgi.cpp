// CGI/1.1: environment variables to RequestData, standard input to the body, ResponseData to
// header lines and body. Refusals (missing page, bad or oversized body) answer with a short
// HTML text and never run the page.
#include "host/cgi.h"

#include <charconv>
#include <istream>
#include <memory>
#include <ostream>

#include "core/text.h"
#include "host/encoding.h"
#include "host/site_secret.h"
#include "host/sqlite_session_store.h"
#include "host/state_dir.h"

namespace korvex::host {

namespace fs = std::filesystem;

namespace {

std::string Lookup(const CgiEnvironment& env, const std::string& name) {
  auto it = env.find(name);
  return it == env.end() ? std::string() : it->second;
}

/// "HTTP_USER_AGENT" -> "User-Agent".
std::string HeaderName(std::string_view variable) {
  std::string name;
  bool word_start = true;
  for (char c : variable.substr(5)) {
    if (c == '_') {
      name += '-';
      word_start = true;
      continue;
    }
    if (!word_start && c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    name += c;
    word_start = false;
  }
  return name;
}

}  // namespace

RequestData CgiRequestData(const CgiEnvironment& env) {
  RequestData data;
  if (std::string method = Lookup(env, "REQUEST_METHOD"); !method.empty()) data.method = method;
  data.query_string = Lookup(env, "QUERY_STRING");
  data.script_name = Lookup(env, "SCRIPT_NAME");
  data.script_filename = Lookup(env, "SCRIPT_FILENAME");
  if (data.script_filename.empty()) data.script_filename = Lookup(env, "PATH_TRANSLATED");
  data.content_type = Lookup(env, "CONTENT_TYPE");
  for (const auto& [name, value] : env)
    if (name.starts_with("HTTP_") && name.size() > 5)
      data.headers.emplace_back(HeaderName(name), value);
  if (std::string v = Lookup(env, "REMOTE_ADDR"); !v.empty()) data.remote_addr = v;
  data.secure = EqualsNoCase(Lookup(env, "HTTPS"), "on");
  if (std::string v = Lookup(env, "SERVER_NAME"); !v.empty()) data.server_name = v;
  if (std::string v = Lookup(env, "SERVER_PORT"); !v.empty()) data.server_port = v;
  if (std::string v = Lookup(env, "SERVER_PROTOCOL"); !v.empty()) data.server_protocol = v;
  return data;
}

ResponseData CgiRefusal(int status, std::string_view message) {
  ResponseData response;
  response.status = status;
  response.status_text = std::string(ReasonPhrase(status));
  response.body = "<html><head><title>" + std::to_string(status) + " " + response.status_text +
                  "</title></head><body><h1>" + response.status_text + "</h1><p>" +
                  EncodeHtml(message) + "</p></body></html>\r\n";
  return response;
}

std::optional<ResponseData> ReadCgiBody(const CgiEnvironment& env, std::istream& in,
                                        size_t max_body_bytes, std::string& body) {
  std::string length_text = Lookup(env, "CONTENT_LENGTH");
  if (length_text.empty()) return std::nullopt;
  size_t length = 0;
  const char* end = length_text.data() + length_text.size();
  auto [rest, ec] = std::from_chars(length_text.data(), end, length);
  if (ec == std::errc::result_out_of_range ||
      (ec == std::errc() && rest == end && length > max_body_bytes))
    return CgiRefusal(413, "The request body is larger than this server accepts.");
  if (ec != std::errc() || rest != end)
    return CgiRefusal(400, "The request announces an invalid body length.");
  body.resize(length);
  in.read(body.data(), static_cast<std::streamsize>(length));
  if (static_cast<size_t>(in.gcount()) != length)
    return CgiRefusal(400, "The request body ended before its announced length.");
  return std::nullopt;
}

namespace {

// Extra path after the page's name ("/t.ksp/more"). Some servers repeat the script's own
// path in PATH_INFO; that is no extra path.
bool HasExtraPath(const CgiEnvironment& env, const RequestData& data) {
  std::string path_info = Lookup(env, "PATH_INFO");
  return !path_info.empty() && path_info != data.script_name;
}

ResponseData Serve(const CgiEnvironment& env, std::istream& in, PageRunner& runner,
                   const CgiOptions& options) {
  RequestData data = CgiRequestData(env);
  std::error_code ec;
  if (data.script_filename.empty() || !fs::is_regular_file(data.script_filename, ec))
    return CgiRefusal(404, "The page " + data.script_name + " does not exist.");
  // Pages build their links on their own path; a URL with more after it names nothing here.
  if (HasExtraPath(env, data))
    return CgiRefusal(404, "The page " + data.script_name + " takes no extra path.");
  if (auto refusal = ReadCgiBody(env, in, options.max_body_bytes, data.body)) return *refusal;

  PageHostConfig config;
  std::string document_root = Lookup(env, "DOCUMENT_ROOT");
  config.site_root = document_root.empty() ? fs::path(data.script_filename).parent_path()
                                           : fs::path(document_root);
  EnvironmentLookup lookup = [&env](std::string_view name) -> std::optional<std::string> {
    auto it = env.find(std::string(name));
    if (it == env.end()) return std::nullopt;
    return it->second;
  };
  std::unique_ptr<SqliteSessionStore> own_store;
  config.sessions = options.sessions;
  if (!config.sessions) {
    try {
      own_store = std::make_unique<SqliteSessionStore>(StateDirectory(lookup, config.site_root) /
                                                       "sessions.db");
      config.sessions = own_store.get();
    } catch (const std::exception& e) {
      return CgiRefusal(500, std::string("The session store cannot be opened: ") + e.what());
    }
  }
  // Every request is a new process: only the kept secret verifies the links of the last one.
  config.site_secret = options.site_secret;
  if (config.site_secret.empty()) {
    try {
      config.site_secret = SiteSecret(StateDirectory(lookup, config.site_root),
                                      fs::weakly_canonical(*config.site_root).string());
    } catch (const std::exception& e) {
      return CgiRefusal(500, std::string("The site's link secret cannot be had: ") + e.what());
    }
  }
  return ServePage(data, config, runner);
}

}  // namespace

CgiEnvironment CgiEnvironmentFromEnvp(const char* const* envp) {
  CgiEnvironment env;
  for (; envp && *envp; ++envp) {
    std::string_view entry(*envp);
    size_t eq = entry.find('=');
    if (eq == std::string_view::npos) continue;
    env.emplace(std::string(entry.substr(0, eq)), std::string(entry.substr(eq + 1)));
  }
  return env;
}

void WriteCgiResponse(std::ostream& out, const ResponseData& response) {
  out << "Status: " << response.status << ' ' << response.status_text << "\r\n";
  out << "Content-Type: " << ContentTypeHeader(response) << "\r\n";
  for (const auto& [name, value] : response.headers) out << name << ": " << value << "\r\n";
  out << "\r\n";
  out.write(response.body.data(), static_cast<std::streamsize>(response.body.size()));
  if (!response.body_stream) return;
  std::string piece;
  for (bool more = true; more && out;) {
    piece.clear();
    more = response.body_stream(piece);
    out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
  }
}

int RunCgi(const CgiEnvironment& env, std::istream& in, std::ostream& out, PageRunner& runner,
           const CgiOptions& options) {
  WriteCgiResponse(out, Serve(env, in, runner, options));
  out.flush();
  return out ? 0 : 1;
}

}  // namespace korvex::host
