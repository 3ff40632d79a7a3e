// Heap lifecycle, running a program under a protected call, and reading what escaped it.
// Every Duktape call made here that can throw runs inside duk_safe_call, so no C++ frame of
// this file is ever skipped by Duktape's longjmp.
#include "script/engine.h"

#include <duktape.h>

#include <cmath>

#include "script/bridge.h"
#include "script/heap.h"
#include "script/page_compiler.h"

namespace korvex::script {

namespace {

struct ProgramRequest {
  std::string_view js;
  std::string_view file;
  const std::string* bytecode;  // when not empty, run instead of compiling js
  Bridge* bridge;               // set: a plain object result comes back as its string form
};

// [ ] -> [ completion value ]
duk_ret_t RunProgramSafe(duk_context* ctx, void* udata) {
  auto* request = static_cast<ProgramRequest*>(udata);
  if (request->bytecode && !request->bytecode->empty()) {
    PushBytecode(ctx, *request->bytecode);
  } else {
    duk_push_lstring(ctx, request->file.data(), request->file.size());
    duk_compile_lstring_filename(ctx, 0, request->js.data(), request->js.size());
  }
  duk_call(ctx, 0);
  if (request->bridge && duk_is_object(ctx, -1) &&
      request->bridge->SlotOfProxy(duk_get_heapptr(ctx, -1)) < 0)
    duk_to_string(ctx, -1);
  return 1;
}

constexpr const char* kRequestThread = "korvexRequest";

// On the heap's first thread: a new thread sharing its built-ins, kept in the stash (which
// drops the previous request's). [ ] -> [ ]
duk_ret_t NewRequestThreadSafe(duk_context* ctx, void* udata) {
  duk_push_heap_stash(ctx);
  duk_push_thread(ctx);
  *static_cast<duk_context**>(udata) = duk_get_context(ctx, -1);
  duk_put_prop_string(ctx, -2, kRequestThread);
  duk_pop(ctx);
  return 0;
}

// On the request's thread: a fresh global object over the pristine one. Identifier lookups
// fall through to the built-ins; declarations and assignments land on the fresh object.
// [ ] -> [ ]
duk_ret_t FreshGlobalSafe(duk_context* ctx, void*) {
  duk_push_bare_object(ctx);
  duk_push_global_object(ctx);
  duk_set_prototype(ctx, -2);
  duk_set_global_object(ctx);
  return 0;
}

constexpr int kErrorFields = 6;

// [ error ] -> [ name message number description source lineNumber ]
duk_ret_t ErrorFieldsSafe(duk_context* ctx, void*) {
  if (!duk_is_object(ctx, 0)) {  // throw "text" and the like
    duk_push_undefined(ctx);
    duk_dup(ctx, 0);
    duk_safe_to_string(ctx, -1);
    for (int i = 2; i < kErrorFields; ++i) duk_push_undefined(ctx);
    return kErrorFields;
  }
  duk_get_prop_string(ctx, 0, "name");
  duk_get_prop_string(ctx, 0, "message");
  duk_get_prop_string(ctx, 0, "number");
  duk_get_prop_string(ctx, 0, "description");
  duk_get_prop_string(ctx, 0, "source");
  duk_get_prop_string(ctx, 0, "lineNumber");
  return kErrorFields;
}

std::optional<std::string> TextAt(duk_context* ctx, duk_idx_t index) {
  if (!duk_is_string(ctx, index) || duk_is_symbol(ctx, index)) return std::nullopt;
  duk_size_t length = 0;
  const char* text = duk_get_lstring(ctx, index, &length);
  return FromJsText(std::string_view(text, length));
}

// The compiler adds " (line N)" to its messages; the line is reported on its own, mapped.
void DropLineSuffix(std::string& message) {
  size_t at = message.rfind(" (line ");
  if (at != std::string::npos && message.ends_with(")")) message.erase(at);
}

}  // namespace

ScriptFailure::ScriptFailure(ScriptError error)
    : std::runtime_error(error.name + ": " + error.message), error_(std::move(error)) {}

Engine::Engine() : bridge_(std::make_unique<Bridge>()) {
  const Bridge::Helpers& helpers = Bridge::HelperCode();
  heap_ = NewHeap(bridge_.get());
  if (!heap_) throw std::runtime_error("cannot create a script heap");
  bridge_->Attach(heap_);
  if (duk_safe_call(heap_, Bridge::Install, const_cast<Bridge::Helpers*>(&helpers), 0, 1) !=
      DUK_EXEC_SUCCESS) {
    duk_destroy_heap(heap_);
    throw std::runtime_error("cannot set up the script heap");
  }
  duk_pop(heap_);
  try {
    StartRequest();
  } catch (...) {
    duk_destroy_heap(heap_);
    throw;
  }
}

Engine::~Engine() {
  // The heap goes first: finalizers it runs may still reach objects the bridge keeps.
  duk_destroy_heap(heap_);
}

void Engine::Reset() {
  StartRequest();
}

// Measured against a new heap per request (script_bench): a thread with a fresh global object
// costs a few microseconds, a heap over 200, and a new global environment (fresh built-ins)
// nearly as much as a heap.
void Engine::StartRequest() {
  bridge_->Attach(heap_);
  duk_context* thread = nullptr;
  bool started = duk_safe_call(heap_, NewRequestThreadSafe, &thread, 0, 1) == DUK_EXEC_SUCCESS;
  duk_pop(heap_);
  if (started) {
    started = duk_safe_call(heap_, Bridge::ClearProxies, nullptr, 0, 1) == DUK_EXEC_SUCCESS;
    duk_pop(heap_);
  }
  // The old thread and proxies are unreachable now; the page's objects go with them.
  bridge_->ForgetRequest();
  if (started) {
    ctx_ = thread;
    bridge_->Attach(ctx_);
    started = duk_safe_call(ctx_, FreshGlobalSafe, nullptr, 0, 1) == DUK_EXEC_SUCCESS;
    duk_pop(ctx_);
  }
  if (!started) {
    reusable_ = false;
    throw std::runtime_error("cannot start a request in the script heap");
  }
}

void Engine::AddGlobal(std::string_view name, const std::shared_ptr<Dispatch>& object) {
  if (bridge_->DefineGlobal(name, object)) return;
  ScriptError error = TakeError(nullptr);
  throw ScriptFailure(std::move(error));
}

bool Engine::ended() const {
  return bridge_->ended();
}

std::optional<ScriptError> Engine::Run(const CompiledPage& page, std::string_view page_name,
                                       std::function<int32_t()> timeout_seconds) {
  if (page.reaches_builtins) reusable_ = false;
  bridge_->StartClock(std::move(timeout_seconds));
  ProgramRequest request{page.js, page_name, &page.bytecode, nullptr};
  std::optional<ScriptError> error;
  if (duk_safe_call(ctx_, RunProgramSafe, &request, 0, 1) == DUK_EXEC_SUCCESS)
    duk_pop(ctx_);
  else
    error = TakeError(&page);
  if (bridge_->timed_out()) {
    ScriptError timeout;
    timeout.name = "Script timeout";
    int32_t seconds = bridge_->timeout_seconds();
    timeout.message = "The page ran longer than Server.ScriptTimeout allows (" +
                      std::to_string(seconds) + (seconds == 1 ? " second)" : " seconds)");
    timeout.description = timeout.message;
    timeout.source = "Korvex script engine";
    timeout.line = error ? error->line : 0;
    return timeout;
  }
  if (bridge_->ended()) return std::nullopt;
  return error;
}

Variant Engine::Evaluate(std::string_view js, std::string_view file_name) {
  reusable_ = false;
  ProgramRequest request{js, file_name, nullptr, bridge_.get()};
  if (duk_safe_call(ctx_, RunProgramSafe, &request, 0, 1) != DUK_EXEC_SUCCESS) {
    ScriptError error = TakeError(nullptr);
    throw ScriptFailure(std::move(error));
  }
  Variant value = bridge_->ReadValue(-1, false);
  duk_pop(ctx_);
  return value;
}

// Stack: [ ... error ] -> [ ... ]
ScriptError Engine::TakeError(const CompiledPage* page) {
  ScriptError error;
  if (duk_safe_call(ctx_, ErrorFieldsSafe, nullptr, 1, kErrorFields) != DUK_EXEC_SUCCESS) {
    // Reading the error failed (a thrown automation object, say): report that much.
    duk_pop_n(ctx_, kErrorFields);
    error.name = "Error";
    error.message = error.description = "An exception the page threw could not be read";
    return error;
  }
  constexpr duk_idx_t base = -kErrorFields;
  error.name = TextAt(ctx_, base).value_or("Error");
  error.message = TextAt(ctx_, base + 1).value_or("");
  if (duk_is_number(ctx_, base + 2)) {
    double number = duk_get_number(ctx_, base + 2);
    if (std::isfinite(number) && number >= INT32_MIN && number <= INT32_MAX)
      error.number = static_cast<int32_t>(number);
  }
  error.description = TextAt(ctx_, base + 3).value_or(error.message);
  error.source = TextAt(ctx_, base + 4).value_or("");
  if (duk_is_number(ctx_, base + 5)) {
    int line = duk_get_int(ctx_, base + 5);
    error.line = page ? page->PageLine(line) : line;
  }
  duk_pop_n(ctx_, kErrorFields);
  if (error.name == "SyntaxError") {
    DropLineSuffix(error.message);
    DropLineSuffix(error.description);
  }
  return error;
}

}  // namespace korvex::script
