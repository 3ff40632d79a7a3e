// The C++ halves of the bridge's trampolines: what a property read, write, call, "in" test,
// conversion or enumeration asks of a Dispatch object, left as an Outcome for bridge.cpp to push
// or throw; and the run state that stops a page (Response.End, the script time limit).
#include "script/bridge.h"

#include <exception>
#include <stdexcept>

#include "core/automation_error.h"
#include "host/intrinsics.h"

namespace korvex::script {

namespace {

// Member names JavaScript itself reads while converting or inspecting a value; an object
// without such a member answers undefined rather than error 438.
constexpr std::string_view kProbes[] = {"inspect", "toJSON", "then", "constructor", "prototype"};

bool IsProbe(std::string_view name) {
  for (std::string_view p : kProbes)
    if (p == name) return true;
  return false;
}

}  // namespace

// ---- Run state --------------------------------------------------------------------------------

void Bridge::StartClock(std::function<int32_t()> seconds) {
  timeout_ = std::move(seconds);
  started_ = std::chrono::steady_clock::now();
}

bool Bridge::MayContinue() noexcept {
  if (!ended_ && !timed_out_ && timeout_) {
    try {
      timeout_seconds_ = timeout_();
    } catch (...) {
    }
    if (timeout_seconds_ > 0 &&
        std::chrono::steady_clock::now() - started_ > std::chrono::seconds(timeout_seconds_))
      timed_out_ = true;
  }
  if (!ended_ && !timed_out_) return true;
  // Once stopped, every call into the host and every loop turn throws again, so a page's own
  // try/catch cannot carry it on.
  outcome_.kind = OutcomeKind::Stop;
  outcome_.number.reset();
  outcome_.error_type = ended_ ? DUK_ERR_ERROR : DUK_ERR_RANGE_ERROR;
  outcome_.description.clear();
  try {
    outcome_.description = ended_ ? "Response.End" : "Script timed out";
  } catch (...) {
  }
  return false;
}

// ---- C++ halves -------------------------------------------------------------------------------

void Bridge::SetError(std::exception_ptr error) noexcept {
  outcome_.kind = OutcomeKind::Error;
  outcome_.error_type = DUK_ERR_ERROR;
  outcome_.number.reset();
  outcome_.description.clear();
  outcome_.source.clear();
  try {
    try {
      std::rethrow_exception(error);
    } catch (const host::ResponseEnded&) {
      ended_ = true;
      MayContinue();
    } catch (const AutomationError& e) {
      outcome_.number = e.number();
      outcome_.description = ToJsText(e.description());
      outcome_.source = ToJsText(e.source());
    } catch (const std::exception& e) {
      outcome_.description = ToJsText(e.what());
    }
  } catch (...) {
    // Out of memory while describing the error: it is thrown without a description.
  }
}

void Bridge::OnGet(uint32_t slot, const char* key, size_t key_length) noexcept {
  try {
    std::string name = FromJsText(std::string_view(key, key_length));
    Dispatch& object = Object(slot);
    const Member* member = object.Members().Find(name);
    outcome_.kind = OutcomeKind::Value;
    if (member && (member->kind == MemberKind::Method || member->indexed)) {
      outcome_.kind = OutcomeKind::Method;
      outcome_.member = member->name;
      outcome_.value.slot = slot;
      return;
    }
    if (!member && (name == "toString" || name == "valueOf")) {
      outcome_.kind = OutcomeKind::Converter;
      outcome_.value_of = name == "valueOf";
      outcome_.value.slot = slot;
      return;
    }
    if (!member && IsProbe(name)) {
      Prepare(Variant(), outcome_.value);
      return;
    }
    Variant value;
    try {
      value = object.Get(name);
    } catch (const AutomationError& e) {
      // A property that needs an index (Item, Fields(name)) is read by calling it.
      if (!member || e.number() != err::kArgumentNotOptional) throw;
      outcome_.kind = OutcomeKind::Method;
      outcome_.member = member->name;
      outcome_.value.slot = slot;
      return;
    }
    Prepare(value, outcome_.value);
  } catch (...) {
    SetError(std::current_exception());
  }
}

void Bridge::OnPut(uint32_t slot, const char* key, size_t key_length, duk_idx_t value) noexcept {
  try {
    std::string name = FromJsText(std::string_view(key, key_length));
    Object(slot).Put(name, ReadValue(value, false));
    outcome_.kind = OutcomeKind::Value;
    Prepare(Variant(true), outcome_.value);
  } catch (...) {
    SetError(std::current_exception());
  }
}

void Bridge::OnCall(uint32_t slot, std::string_view member, duk_idx_t first,
                    duk_idx_t count) noexcept {
  try {
    std::vector<Variant> args = ReadArguments(first, count);
    Variant result = Object(slot).Call(member, args);
    outcome_.kind = OutcomeKind::Value;
    Prepare(result, outcome_.value);
  } catch (...) {
    SetError(std::current_exception());
  }
}

void Bridge::OnCallDefault(uint32_t slot, duk_idx_t first, duk_idx_t count) noexcept {
  try {
    std::vector<Variant> args = ReadArguments(first, count);
    Variant result = Object(slot).CallDefault(args);
    outcome_.kind = OutcomeKind::Value;
    Prepare(result, outcome_.value);
  } catch (...) {
    SetError(std::current_exception());
  }
}

void Bridge::OnHas(uint32_t slot, const char* key, size_t key_length) noexcept {
  try {
    std::string name = FromJsText(std::string_view(key, key_length));
    Dispatch& object = Object(slot);
    Variant ignored;
    bool has = object.HasMember(name) || object.GetDynamic(name, ignored);
    outcome_.kind = OutcomeKind::Value;
    Prepare(Variant(has), outcome_.value);
  } catch (...) {
    SetError(std::current_exception());
  }
}

void Bridge::OnConvert(uint32_t slot, bool value_of) noexcept {
  try {
    Dispatch& object = Object(slot);
    outcome_.kind = OutcomeKind::Value;
    const Member* default_member = object.Members().DefaultMember();
    if (default_member) {
      try {
        Variant value = object.CallDefault({});
        Prepare(value_of ? value : Variant(TextOrEmpty(value)), outcome_.value);
        return;
      } catch (const AutomationError& e) {
        // A default member that needs an index (a collection's Item) may have no value of its
        // own; the object then shows as itself.
        if (!default_member->indexed && e.number() != err::kArgumentNotOptional) throw;
      }
    }
    if (value_of) {
      outcome_.kind = OutcomeKind::This;  // no primitive: JavaScript goes on to toString
    } else {
      Prepare(Variant("[object " + std::string(object.ClassName()) + "]"), outcome_.value);
    }
  } catch (...) {
    SetError(std::current_exception());
  }
}

void Bridge::OnEnumerate(uint32_t slot) noexcept {
  try {
    std::optional<std::vector<Variant>> items = Object(slot).Enumerate();
    if (!items) {
      SetError(std::make_exception_ptr(std::runtime_error("Enumerator: not a collection")));
      outcome_.error_type = DUK_ERR_TYPE_ERROR;
      return;
    }
    outcome_.kind = OutcomeKind::Values;
    outcome_.values.resize(items->size());
    for (size_t i = 0; i < items->size(); ++i) Prepare((*items)[i], outcome_.values[i]);
  } catch (...) {
    SetError(std::current_exception());
  }
}

}  // namespace korvex::script
