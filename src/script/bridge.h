// The bridge from JavaScript to Dispatch: one Proxy handler shared by every automation object,
// value conversion both ways, the Enumerator global and the stop checks (Response.End, the
// script time limit). One Bridge per Duktape heap; the heap's lifecycle lives in engine.cpp,
// JsValue and the text forms in js_text.h.
//
// Duktape is C: its errors unwind with longjmp, skipping C++ destructors. So every function
// Duktape calls is a trampoline in two halves: C++ work in a noexcept member that catches
// everything and leaves its result in the Bridge (an Outcome), and Duktape work in a plain
// function holding no object with a destructor, which pushes the outcome or throws it.
#pragma once

#include <duktape.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/dispatch.h"
#include "core/variant.h"
#include "script/js_text.h"

namespace korvex::script {

class Bridge {
 public:
  /// The heap is created with the Bridge as its user data, then attached to it.
  void Attach(duk_context* ctx) { ctx_ = ctx; }
  /// The Bridge of a heap created with it as heap user data.
  static Bridge& Of(duk_context* ctx);

  /// Bytecode of the bridge's JavaScript helpers, compiled once per process.
  struct Helpers {
    std::string primitive;
    std::string enumerator;
  };
  static const Helpers& HelperCode();
  /// Installs the Proxy handler, Enumerator and the loop check; udata is HelperCode().
  /// Stack: [ ] -> [ ]. A duk_safe_call target.
  static duk_ret_t Install(duk_context* ctx, void* udata);

  /// Pushes a value (objects as their proxies). Stack: [ ] -> [ value ]. Protected: on
  /// failure the error is pushed instead and false returned.
  bool PushValue(const Variant& value);
  /// Reads a stack value; undefined is Missing when as_argument, else Empty. Stack unchanged.
  /// Only primitives and proxies are read; other objects read as Empty (the bindings turn
  /// them into primitives first).
  Variant ReadValue(duk_idx_t index, bool as_argument) const;
  /// Gives the object to the page as a global. Stack: [ ] -> [ ]. False with the error
  /// pushed on failure.
  bool DefineGlobal(std::string_view name, const std::shared_ptr<Dispatch>& object);

  // ---- Run state ---------------------------------------------------------------------------
  /// Forgets everything the last request showed to the page: its objects (released here),
  /// their proxies, the run state. The heap stays. Stack: [ ] -> [ ]. Needs a protected call
  /// for the proxies (ClearProxies); this half never touches the heap.
  void ForgetRequest() noexcept;
  /// Replaces the table of proxies with an empty one. [ ] -> [ ]. A duk_safe_call target.
  static duk_ret_t ClearProxies(duk_context* ctx, void* udata);

  /// Starts the clock of the time limit; seconds() is read at every check, so a page may
  /// change its own limit while it runs. Zero or less means no limit.
  void StartClock(std::function<int32_t()> seconds);
  bool ended() const { return ended_; }
  bool timed_out() const { return timed_out_; }
  int32_t timeout_seconds() const { return timeout_seconds_; }

  // ---- Used by the trampolines (bridge.cpp; the C++ halves are in bridge_calls.cpp) --------
  enum class OutcomeKind {
    Value,      // push value
    Values,     // push values as an array
    Method,     // push a callable bound to (slot, member)
    Converter,  // push a toString/valueOf function bound to slot
    This,       // push this
    Error,      // throw the error described
    Stop,       // throw: the page ended or ran out of time
  };
  struct Outcome {
    OutcomeKind kind = OutcomeKind::Value;
    JsValue value;
    std::vector<JsValue> values;
    std::string_view member;  // Method: the member's name from its class table (static)
    bool value_of = false;    // Converter: valueOf rather than toString
    // Error
    int error_type = DUK_ERR_ERROR;
    std::optional<int32_t> number;
    std::string description;
    std::string source;
  };

  Outcome& outcome() { return outcome_; }
  /// False when the page must stop (outcome set to Stop). Reads the clock.
  bool MayContinue() noexcept;
  /// Prepares the property read, member call or write; the outcome says what to push.
  void OnGet(uint32_t slot, const char* key, size_t key_length) noexcept;
  void OnPut(uint32_t slot, const char* key, size_t key_length, duk_idx_t value) noexcept;
  void OnCall(uint32_t slot, std::string_view member, duk_idx_t first, duk_idx_t count) noexcept;
  void OnCallDefault(uint32_t slot, duk_idx_t first, duk_idx_t count) noexcept;
  void OnHas(uint32_t slot, const char* key, size_t key_length) noexcept;
  void OnConvert(uint32_t slot, bool value_of) noexcept;
  void OnEnumerate(uint32_t slot) noexcept;
  /// Stack indexes (bit i for index i, below 64) holding Dates the bindings turned into their
  /// serial numbers; they read as dates.
  void SetDateArguments(uint64_t mask) noexcept { date_arguments_ = mask; }

  /// The proxy's slot for an object already shown to the page, or -1.
  int64_t SlotOfProxy(void* heap_pointer) const noexcept;
  /// Remembers which heap object is the proxy of a slot. False when out of memory.
  bool NoteProxy(void* heap_pointer, uint32_t slot) noexcept;

 private:
  void Prepare(const Variant& v, JsValue& out);
  std::vector<Variant> ReadArguments(duk_idx_t first, duk_idx_t count) const;
  /// Raises 424 for the slot of an object an earlier request was shown: its proxy may outlive
  /// the request only through a built-in the page changed, and must not reach another's.
  Dispatch& Object(uint32_t slot) const;
  void SetError(std::exception_ptr error) noexcept;

  duk_context* ctx_ = nullptr;
  Outcome outcome_;
  // By slot - slot_base_; alive until the request ends. Slots keep counting across requests.
  std::vector<std::shared_ptr<Dispatch>> objects_;
  uint32_t slot_base_ = 0;
  std::unordered_map<Dispatch*, uint32_t> slot_of_object_;
  std::unordered_map<void*, uint32_t> slot_of_proxy_;
  uint64_t date_arguments_ = 0;

  std::function<int32_t()> timeout_;
  std::chrono::steady_clock::time_point started_;
  int32_t timeout_seconds_ = 0;
  bool ended_ = false;
  bool timed_out_ = false;
};

}  // namespace korvex::script
