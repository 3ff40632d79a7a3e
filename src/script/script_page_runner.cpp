// Runs one page for the host; see script_page_runner.h.
#include "script/script_page_runner.h"

#include "host/encoding.h"
#include "host/intrinsics.h"

namespace korvex::script {

namespace {

ScriptError FromAutomationError(const AutomationError& e, int line) {
  ScriptError error;
  error.name = "Error";
  error.message = error.description = e.description();
  error.number = e.number();
  error.source = e.source();
  error.line = line;
  return error;
}

// The calling thread's heap, kept between requests while it stays clean (Engine::reusable).
struct PooledEngine {
  std::unique_ptr<Engine> engine;
  uint32_t requests = 0;
  bool busy = false;
};
thread_local PooledEngine pooled;

// The heap one page runs on: the thread's pooled one, or a heap of its own for a page run from
// inside another page's run on the same thread.
class EngineLease {
 public:
  EngineLease() {
    if (pooled.busy) {
      own_ = std::make_unique<Engine>();
      return;
    }
    if (!pooled.engine || !pooled.engine->reusable() ||
        pooled.requests >= ScriptPageRunner::kRequestsPerHeap) {
      pooled.engine.reset();  // the old heap goes before a new one takes its memory
      pooled.requests = 0;
      pooled.engine = std::make_unique<Engine>();
    }
    ++pooled.requests;
    pooled.busy = true;
  }
  // The request's objects are released now (an open recordset or connection must not outlive
  // its page), and a heap that may carry the page's changes, or failed, is dropped.
  ~EngineLease() {
    if (own_) return;
    pooled.busy = false;
    try {
      if (!failed_ && pooled.engine->reusable()) {
        pooled.engine->Reset();
        return;
      }
    } catch (...) {
    }
    pooled.engine.reset();
  }
  EngineLease(const EngineLease&) = delete;
  EngineLease& operator=(const EngineLease&) = delete;

  Engine& engine() { return own_ ? *own_ : *pooled.engine; }
  void Failed() { failed_ = true; }

 private:
  std::unique_ptr<Engine> own_;
  bool failed_ = false;
};

void Fail(host::ScriptingContext& context, const ScriptError& error, std::string_view page) {
  host::ResponseData& response = context.Response->data();
  response.status = 500;
  response.status_text = "Internal Server Error";
  // Written past Response.Write: the response may have ended, the notice must still show.
  response.body += ErrorNotice(error, page);
}

}  // namespace

std::string ErrorNotice(const ScriptError& error, std::string_view page_name) {
  std::string notice = "\r\n<div class=\"korvex-error\">\r\n<p><b>";
  if (error.number) {
    if (!error.source.empty()) notice += host::EncodeHtml(error.source) + " ";
    notice += "error " + std::to_string(*error.number) + "</b></p>\r\n<p>";
    notice += host::EncodeHtml(error.description);
  } else {
    notice += host::EncodeHtml(error.name) + "</b></p>\r\n<p>" + host::EncodeHtml(error.message);
  }
  notice += "</p>\r\n<p>" + host::EncodeHtml(page_name);
  if (error.line > 0) notice += ", line " + std::to_string(error.line);
  notice += "</p>\r\n</div>\r\n";
  return notice;
}

ScriptPageRunner::ScriptPageRunner(std::shared_ptr<PageCache> cache) : cache_(std::move(cache)) {}

void ScriptPageRunner::Run(const std::filesystem::path& page_file,
                           host::ScriptingContext& context) {
  std::string page_name = context.Request ? context.Request->data().script_name : "";
  if (page_name.empty()) page_name = page_file.filename().string();
  std::shared_ptr<const CompiledPage> page;
  try {
    page = cache_->Get(page_file);
  } catch (const PageCompileError& e) {
    return Fail(context, FromAutomationError(e, e.line()), page_name);
  } catch (const AutomationError& e) {
    return Fail(context, FromAutomationError(e, 0), page_name);
  }

  std::optional<ScriptError> error;
  try {
    EngineLease lease;
    try {
      Engine& engine = lease.engine();
      engine.AddGlobal("Request", context.Request);
      engine.AddGlobal("Response", context.Response);
      engine.AddGlobal("Server", context.Server);
      engine.AddGlobal("Session", context.Session);
      std::shared_ptr<host::Server> server = context.Server;
      error = engine.Run(*page, page_name, [server] { return server ? server->ScriptTimeout : 0; });
    } catch (...) {
      lease.Failed();
      throw;
    }
  } catch (const ScriptFailure& e) {
    error = e.error();
  } catch (const std::exception& e) {
    error = ScriptError{"Error", e.what(), std::nullopt, e.what(), "", 0};
  }
  if (error) Fail(context, *error, page_name);
}

}  // namespace korvex::script
