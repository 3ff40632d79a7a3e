// The CGI/1.1 adapter: one request from the environment and standard input, one response
// (CGI header lines, a blank line, the body) to standard output. One process per request,
// so sessions live in the SQLite store of the state folder.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "host/page_host.h"
#include "host/session_store.h"

namespace korvex::host {

using CgiEnvironment = std::map<std::string, std::string>;

/// The "NAME=value" strings of envp (main's third argument, or environ) as a map.
CgiEnvironment CgiEnvironmentFromEnvp(const char* const* envp);

struct CgiOptions {
  /// A larger CONTENT_LENGTH is refused with 413 before any of the body is read.
  size_t max_body_bytes = size_t{64} << 20;
  /// Nothing: sessions.db in the state folder (StateDirectory with this environment).
  SessionStore* sessions = nullptr;
  /// Empty: the site's link secret in the state folder (site_secret.h).
  std::string site_secret;
};

/// Serves the request the environment describes: REQUEST_METHOD, QUERY_STRING, SCRIPT_NAME,
/// SCRIPT_FILENAME (else PATH_TRANSLATED) as the page file, CONTENT_TYPE, CONTENT_LENGTH
/// bytes of in as the body, HTTP_* as headers, REMOTE_ADDR, SERVER_NAME, SERVER_PORT,
/// SERVER_PROTOCOL, DOCUMENT_ROOT as the site root (else the page file's folder). A missing
/// page file, or extra path after it (PATH_INFO neither empty nor SCRIPT_NAME), answers 404.
/// Host and Origin are not checked: that is the front web server's part. Returns the exit
/// status: 0 once a response was written, whatever its HTTP status; 1 when writing it failed.
int RunCgi(const CgiEnvironment& env, std::istream& in, std::ostream& out, PageRunner& runner,
           const CgiOptions& options = {});

/// The request an environment describes, without its body: REQUEST_METHOD, QUERY_STRING,
/// SCRIPT_NAME, SCRIPT_FILENAME (else PATH_TRANSLATED), CONTENT_TYPE, HTTP_* as headers,
/// REMOTE_ADDR, SERVER_NAME, SERVER_PORT, SERVER_PROTOCOL. FastCGI params are the same.
RequestData CgiRequestData(const CgiEnvironment& env);

/// Reads the CONTENT_LENGTH bytes of in into body. A length over max_body_bytes is refused
/// with 413 before a byte is read; an invalid length, or a body ending early, with 400.
/// Nothing when the body was read (or none was announced).
std::optional<ResponseData> ReadCgiBody(const CgiEnvironment& env, std::istream& in,
                                        size_t max_body_bytes, std::string& body);

/// A short HTML answer with status and message, for a request refused before any page ran.
ResponseData CgiRefusal(int status, std::string_view message);

/// The response in CGI form: "Status: 200 OK", Content-Type, the page's headers, a blank
/// line, the body; lines end with CR LF.
void WriteCgiResponse(std::ostream& out, const ResponseData& response);

}  // namespace korvex::host
