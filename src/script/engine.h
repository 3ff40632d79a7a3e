// One Duktape heap: the page's globals, running a compiled page, and what escaped it. A heap
// serves one request at a time on one thread and may serve many in turn (Reset); the bindings
// themselves live in bridge.h.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/dispatch.h"
#include "core/variant.h"

struct duk_hthread;  // duktape.h stays inside script/

namespace korvex::script {

struct CompiledPage;
class Bridge;

/// An error that escaped a page.
struct ScriptError {
  std::string name;               // "Error" for automation errors; "ReferenceError", ...
  std::string message;            // automation errors: their description
  std::optional<int32_t> number;  // automation errors, and thrown objects with a number
  std::string description;        // the message when the error has no description
  std::string source;             // "" when the error has none
  int line = 0;                   // page line; 0 when unknown
};

/// Thrown by Engine::Evaluate.
class ScriptFailure : public std::runtime_error {
 public:
  explicit ScriptFailure(ScriptError error);
  const ScriptError& error() const { return error_; }

 private:
  ScriptError error_;
};

/// Each request runs in its own Duktape thread whose global object is fresh and inherits the
/// heap's built-ins, so whatever a page declares or assigns globally is gone at the next
/// Reset. The built-in objects themselves are shared: a page that may change them (see
/// CompiledPage::reaches_builtins) leaves the engine not reusable.
class Engine {
 public:
  Engine();
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  /// Makes the object a read-only global of the page (Request, Response, Server, Session).
  void AddGlobal(std::string_view name, const std::shared_ptr<Dispatch>& object);

  /// Runs a page. Nothing when it ran to its end or stopped through Response.End; else the
  /// error that escaped it, its line mapped to the page. timeout_seconds is read at every
  /// check (the page may change its limit); nothing or a result of 0 means no limit.
  std::optional<ScriptError> Run(const CompiledPage& page, std::string_view page_name,
                                 std::function<int32_t()> timeout_seconds = {});

  /// Evaluates JavaScript and converts its value as values coming back from a page are
  /// converted (undefined reads as Empty). Throws ScriptFailure.
  Variant Evaluate(std::string_view js, std::string_view file_name = "eval");

  /// Ends the current request: its globals and the objects it was shown are released, the run
  /// state cleared. The next request starts on a fresh global object.
  void Reset();
  /// False once the engine ran code that may have changed the built-ins (Evaluate, or a page
  /// that reaches them): such an engine must not serve another request.
  bool reusable() const { return reusable_; }

  /// Response.End was called.
  bool ended() const;
  duk_hthread* context() const { return ctx_; }
  Bridge& bridge() { return *bridge_; }

 private:
  ScriptError TakeError(const CompiledPage* page);

  void StartRequest();

  std::unique_ptr<Bridge> bridge_;
  duk_hthread* heap_ = nullptr;  // the heap's first thread, which keeps the pristine globals
  duk_hthread* ctx_ = nullptr;   // the current request's thread
  bool reusable_ = true;
};

}  // namespace korvex::script
