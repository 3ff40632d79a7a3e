// One Duktape heap: the page's globals, running a compiled page, and what escaped it. A heap
// serves one request on one thread; the bindings themselves live in bridge.h.
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

  /// Response.End was called.
  bool ended() const;
  duk_hthread* context() const { return ctx_; }
  Bridge& bridge() { return *bridge_; }

 private:
  ScriptError TakeError(const CompiledPage* page);

  std::unique_ptr<Bridge> bridge_;
  duk_hthread* ctx_ = nullptr;
};

}  // namespace korvex::script
