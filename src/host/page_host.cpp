// ServePage: the life of one request around the page runner. Sessions are read from the
// request's cookie (only well-formed ids that the store knows), and written back only when
// the page changed them, so a visitor that never uses the session costs no storage.
#include "host/page_host.h"

#include "host/encoding.h"

namespace korvex::host {

namespace {

// E_FAIL: failures that are not automation errors (a session file that cannot be written).
constexpr int32_t kUnspecifiedFailure = -2147467259;

std::shared_ptr<Session> OpenSession(Request& request, const PageHostConfig& config) {
  if (config.sessions) {
    for (const std::string& id : request.Cookies().Values(config.session_cookie)) {
      if (!IsWellFormedSessionId(id)) continue;
      if (std::optional<SessionState> state = config.sessions->Load(id)) {
        auto session = std::make_shared<Session>(id, false);
        session->Restore(*state);
        return session;
      }
    }
  }
  // A client-chosen id is never adopted: an unknown one gets a fresh session.
  return std::make_shared<Session>(NewSessionId(), true);
}

std::string SessionCookie(const PageHostConfig& config, const std::string& value, bool expire,
                          bool secure) {
  std::string cookie = config.session_cookie + "=" + value + "; Path=/";
  if (expire) cookie += "; Max-Age=0";
  // Over https the cookie must never be sent over plain http, where anyone on the way reads it.
  return cookie + (secure ? "; Secure" : "") + "; HttpOnly; SameSite=Lax";
}

void FinishSession(Session& session, const PageHostConfig& config, bool secure,
                   ResponseData& response) {
  if (!config.sessions) return;
  if (session.abandoned()) {
    if (session.is_new()) return;
    config.sessions->Remove(session.SessionID());
    response.headers.emplace_back("Set-Cookie", SessionCookie(config, "", true, secure));
    return;
  }
  if (!session.changed()) return;
  // A new session holding no value (only its Timeout set, or values written and removed again)
  // would keep nothing worth a cookie: storing it would let every cookie-less request cost
  // memory.
  if (session.is_new() && session.values().empty()) return;
  config.sessions->Save(session.SessionID(), session.State());
  if (session.is_new())
    response.headers.emplace_back("Set-Cookie",
                                  SessionCookie(config, session.SessionID(), false, secure));
}

void Fail(ResponseData& response, const AutomationError& error, std::string_view script_name) {
  response.status = 500;
  response.status_text = "Internal Server Error";
  // A page that failed after handing over the rest of its body does not get it sent.
  response.body_stream = nullptr;
  response.body += PageErrorHtml(error, script_name);
}

}  // namespace

std::string PageErrorHtml(const AutomationError& error, std::string_view script_name) {
  return "\r\n<div class=\"korvex-error\"><b>" + EncodeHtml(error.source()) + " error " +
         std::to_string(error.number()) + "</b><br>" + EncodeHtml(error.description()) + "<br>" +
         EncodeHtml(script_name) + "</div>\r\n";
}

ResponseData ServePage(const RequestData& data, const PageHostConfig& config, PageRunner& runner) {
  auto context = std::make_shared<ScriptingContext>();
  context->Request = std::make_shared<Request>(data);
  context->Response = std::make_shared<Response>();
  context->Server =
      std::make_shared<Server>(config.site_root, data.script_name, config.virtual_folders);
  context->Server->AttachContext(context);
  context->Server->SiteSecret(config.site_secret);
  ResponseData& response = context->Response->data();

  try {
    context->Session = OpenSession(*context->Request, config);
  } catch (const std::exception& e) {
    Fail(response, AutomationError(kUnspecifiedFailure, e.what(), "Session"), data.script_name);
    return response;
  }

  try {
    runner.Run(data.script_filename, *context);
  } catch (const ResponseEnded&) {
    // The page stopped itself; what it wrote and the status it set stand.
  } catch (const AutomationError& e) {
    Fail(response, e, data.script_name);
  } catch (const std::exception& e) {
    Fail(response, AutomationError(kUnspecifiedFailure, e.what(), "Korvex host"), data.script_name);
  } catch (...) {
    Fail(response, AutomationError(kUnspecifiedFailure, "Unknown failure", "Korvex host"),
         data.script_name);
  }

  try {
    FinishSession(*context->Session, config, data.secure, response);
  } catch (const std::exception& e) {
    Fail(response, AutomationError(kUnspecifiedFailure, e.what(), "Session"), data.script_name);
  }
  return std::move(response);
}

}  // namespace korvex::host
