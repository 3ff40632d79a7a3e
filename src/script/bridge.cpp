// The JavaScript side of automation objects: the Proxy handler, the trampolines and pushing
// objects as their proxies. Functions named *Trap, MethodCall, Convert, Items and LoopCheck are
// called by Duktape: they hold no C++ object with a destructor, hand the C++ work to a noexcept
// Bridge member (bridge_calls.cpp), then push its outcome or throw it (see bridge.h). Value and
// text conversions live in js_text.cpp.
#include "script/bridge.h"

#include "script/heap.h"
#include "script/page_compiler.h"

namespace korvex::script {

namespace {

// Heap stash entries and hidden properties.
constexpr const char* kHandler = "korvexHandler";
constexpr const char* kProxies = "korvexProxies";
constexpr const char* kPrimitive = "korvexPrimitive";
constexpr const char* kSlot = DUK_HIDDEN_SYMBOL("slot");
constexpr const char* kMember = DUK_HIDDEN_SYMBOL("member");
constexpr const char* kValueOf = DUK_HIDDEN_SYMBOL("valueOf");
constexpr const char* kMethods = DUK_HIDDEN_SYMBOL("methods");  // key -> bound method

// Turns an argument that is a plain JavaScript object into a primitive: a Date into its serial
// number in local time (or null when invalid), anything else into its string. Helpers lose
// their fileName so that errors are blamed on the page line that called them.
constexpr const char* kPrimitiveSource = R"js(function () {
  var DateClass = Date;
  var convert = function (v) {
    if (v instanceof DateClass) {
      var t = v.getTime();
      return isNaN(t) ? null : (t - v.getTimezoneOffset() * 60000) / 86400000 + 25569;
    }
    return String(v);
  };
  delete convert.fileName;
  return convert;
})js";

// JScript's Enumerator over a collection (or a JavaScript array), on a snapshot of its items.
constexpr const char* kEnumeratorSource = R"js(function (items) {
  function Enumerator(collection) {
    this._items = collection instanceof Array ? collection.slice() : items(collection);
    this._index = 0;
  }
  var p = Enumerator.prototype;
  p.atEnd = function () { return this._index >= this._items.length; };
  p.moveNext = function () { if (this._index < this._items.length) this._index++; };
  p.moveFirst = function () { this._index = 0; };
  p.item = function () { return this._items[this._index]; };
  delete Enumerator.fileName;
  delete p.atEnd.fileName;
  delete p.moveNext.fileName;
  delete p.moveFirst.fileName;
  delete p.item.fileName;
  return Enumerator;
})js";

// ---- Duktape-side helpers: no C++ objects with destructors below this line -----------------

// [ ] -> [ stash[key] ]
void PushStashValue(duk_context* ctx, const char* key) {
  duk_push_heap_stash(ctx);
  duk_get_prop_string(ctx, -1, key);
  duk_remove(ctx, -2);
}

// [ ] -> [ ]
uint32_t HiddenSlot(duk_context* ctx, duk_idx_t index) {
  duk_get_prop_string(ctx, index, kSlot);
  uint32_t slot = duk_get_uint(ctx, -1);
  duk_pop(ctx);
  return slot;
}

duk_ret_t EmptyTarget(duk_context*) {
  return 0;
}

// [ ] -> [ proxy ]
void PushProxy(duk_context* ctx, Bridge& bridge, uint32_t slot) {
  PushStashValue(ctx, kProxies);
  if (duk_get_prop_index(ctx, -1, slot)) {
    duk_remove(ctx, -2);
    return;
  }
  duk_pop(ctx);
  duk_push_c_function(ctx, EmptyTarget, 0);
  duk_push_uint(ctx, slot);
  duk_put_prop_string(ctx, -2, kSlot);
  duk_push_bare_object(ctx);
  duk_put_prop_string(ctx, -2, kMethods);
  PushStashValue(ctx, kHandler);
  duk_push_proxy(ctx, 0);
  duk_dup_top(ctx);
  duk_put_prop_index(ctx, -3, slot);
  duk_remove(ctx, -2);
  if (!bridge.NoteProxy(duk_get_heapptr(ctx, -1), slot))
    (void)duk_error(ctx, DUK_ERR_RANGE_ERROR, "out of memory");
}

// [ ] -> [ value ]
void PushJsValue(duk_context* ctx, Bridge& bridge, const JsValue& v) {
  switch (v.type) {
    case JsValue::Type::Undefined:
      duk_push_undefined(ctx);
      break;
    case JsValue::Type::Null:
      duk_push_null(ctx);
      break;
    case JsValue::Type::Boolean:
      duk_push_boolean(ctx, v.boolean);
      break;
    case JsValue::Type::Number:
      duk_push_number(ctx, v.number);
      break;
    case JsValue::Type::String:
      duk_push_lstring(ctx, v.text.data(), v.text.size());
      break;
    case JsValue::Type::Object:
      PushProxy(ctx, bridge, v.slot);
      break;
  }
}

// Makes the count values from first primitives or proxies, in place. [ ... ] -> [ ... ]
void PrimitiveArguments(duk_context* ctx, Bridge& bridge, duk_idx_t first, duk_idx_t count) {
  uint64_t dates = 0;  // set last: a conversion may run page code that calls in again
  for (duk_idx_t i = first; i < first + count; ++i) {
    duk_int_t type = duk_get_type(ctx, i);
    if (type == DUK_TYPE_UNDEFINED || type == DUK_TYPE_NULL || type == DUK_TYPE_BOOLEAN ||
        type == DUK_TYPE_NUMBER || (type == DUK_TYPE_STRING && !duk_is_symbol(ctx, i)))
      continue;
    if (type == DUK_TYPE_OBJECT && bridge.SlotOfProxy(duk_get_heapptr(ctx, i)) >= 0) continue;
    PushStashValue(ctx, kPrimitive);
    duk_dup(ctx, i);
    duk_call(ctx, 1);
    if (duk_is_number(ctx, -1) && i < 64) dates |= uint64_t{1} << i;
    duk_replace(ctx, i);
  }
  bridge.SetDateArguments(dates);
}

duk_ret_t MethodCall(duk_context* ctx);
duk_ret_t Convert(duk_context* ctx);

// Pushes the outcome of the C++ half, or throws it. [ ] -> [ result ]
duk_ret_t Finish(duk_context* ctx, Bridge& bridge) {
  bridge.SetDateArguments(0);
  Bridge::Outcome& o = bridge.outcome();
  switch (o.kind) {
    case Bridge::OutcomeKind::Value:
      PushJsValue(ctx, bridge, o.value);
      return 1;
    case Bridge::OutcomeKind::Values:
      duk_push_array(ctx);
      for (size_t i = 0; i < o.values.size(); ++i) {
        PushJsValue(ctx, bridge, o.values[i]);
        duk_put_prop_index(ctx, -2, static_cast<duk_uarridx_t>(i));
      }
      return 1;
    case Bridge::OutcomeKind::Method:
      duk_push_c_function(ctx, MethodCall, DUK_VARARGS);
      duk_push_uint(ctx, o.value.slot);
      duk_put_prop_string(ctx, -2, kSlot);
      duk_push_lstring(ctx, o.member.data(), o.member.size());
      duk_put_prop_string(ctx, -2, kMember);
      return 1;
    case Bridge::OutcomeKind::Converter:
      duk_push_c_function(ctx, Convert, 0);
      duk_push_uint(ctx, o.value.slot);
      duk_put_prop_string(ctx, -2, kSlot);
      duk_push_boolean(ctx, o.value_of);
      duk_put_prop_string(ctx, -2, kValueOf);
      return 1;
    case Bridge::OutcomeKind::This:
      duk_push_this(ctx);
      return 1;
    case Bridge::OutcomeKind::Error:
    case Bridge::OutcomeKind::Stop:
      // No file and line of ours: the error is blamed on the page line that made the call.
      duk_push_error_object_raw(ctx, o.error_type, nullptr, 0, "%s", o.description.c_str());
      if (o.number) {
        duk_push_int(ctx, *o.number);
        duk_put_prop_string(ctx, -2, "number");
        duk_push_lstring(ctx, o.description.data(), o.description.size());
        duk_put_prop_string(ctx, -2, "description");
        duk_push_lstring(ctx, o.source.data(), o.source.size());
        duk_put_prop_string(ctx, -2, "source");
      }
      return duk_throw(ctx);
  }
  return 0;
}

// The key a trap was given (stack index 1); false for a Symbol key, which no automation
// member answers. The text stays valid while the key is on the stack. [ ] -> [ ]
bool TrapKey(duk_context* ctx, const char*& key, duk_size_t& length) {
  if (duk_is_symbol(ctx, 1)) return false;
  key = duk_get_lstring(ctx, 1, &length);
  if (!key) key = "";
  return true;
}

// get(target, key, receiver): a property's value, or a callable for a method.
duk_ret_t GetTrap(duk_context* ctx) {
  Bridge& bridge = Bridge::Of(ctx);
  const char* key = nullptr;
  duk_size_t length = 0;
  if (!TrapKey(ctx, key, length)) return 0;  // Symbol.toPrimitive and friends: undefined
  if (!bridge.MayContinue()) return Finish(ctx, bridge);
  // A name read as a method once is a method for good (member tables are fixed): the bound
  // function is kept on the target, so Response.Write costs one lookup after the first.
  duk_get_prop_string(ctx, 0, kMethods);
  duk_dup(ctx, 1);
  if (duk_get_prop(ctx, -2)) return 1;
  duk_pop_2(ctx);
  bridge.OnGet(HiddenSlot(ctx, 0), key, length);
  bool method = bridge.outcome().kind == Bridge::OutcomeKind::Method;
  duk_ret_t results = Finish(ctx, bridge);
  if (method) {
    duk_get_prop_string(ctx, 0, kMethods);
    duk_dup(ctx, 1);
    duk_dup(ctx, -3);
    duk_put_prop(ctx, -3);
    duk_pop(ctx);
  }
  return results;
}

// set(target, key, value, receiver) -> true
duk_ret_t SetTrap(duk_context* ctx) {
  Bridge& bridge = Bridge::Of(ctx);
  const char* key = nullptr;
  duk_size_t length = 0;
  if (TrapKey(ctx, key, length)) {
    if (!bridge.MayContinue()) return Finish(ctx, bridge);
    PrimitiveArguments(ctx, bridge, 2, 1);
    bridge.OnPut(HiddenSlot(ctx, 0), key, length, 2);
    return Finish(ctx, bridge);
  }
  duk_push_true(ctx);
  return 1;
}

// apply(target, this, arguments): the object called like a function reaches its default member.
duk_ret_t ApplyTrap(duk_context* ctx) {
  Bridge& bridge = Bridge::Of(ctx);
  if (!bridge.MayContinue()) return Finish(ctx, bridge);
  uint32_t slot = HiddenSlot(ctx, 0);
  duk_idx_t count = static_cast<duk_idx_t>(duk_get_length(ctx, 2));
  duk_require_stack(ctx, count);
  for (duk_idx_t i = 0; i < count; ++i) duk_get_prop_index(ctx, 2, static_cast<duk_uarridx_t>(i));
  PrimitiveArguments(ctx, bridge, 3, count);
  bridge.OnCallDefault(slot, 3, count);
  return Finish(ctx, bridge);
}

// has(target, key): the "in" operator.
duk_ret_t HasTrap(duk_context* ctx) {
  Bridge& bridge = Bridge::Of(ctx);
  const char* key = nullptr;
  duk_size_t length = 0;
  if (TrapKey(ctx, key, length)) {
    if (!bridge.MayContinue()) return Finish(ctx, bridge);
    bridge.OnHas(HiddenSlot(ctx, 0), key, length);
    return Finish(ctx, bridge);
  }
  duk_push_false(ctx);
  return 1;
}

duk_ret_t ConstructTrap(duk_context* ctx) {
  return duk_error(ctx, DUK_ERR_TYPE_ERROR, "an automation object is not a constructor");
}

// A method read from an object, bound to it. [ args... ] -> [ result ]
duk_ret_t MethodCall(duk_context* ctx) {
  Bridge& bridge = Bridge::Of(ctx);
  if (!bridge.MayContinue()) return Finish(ctx, bridge);
  duk_idx_t count = duk_get_top(ctx);
  duk_push_current_function(ctx);
  uint32_t slot = HiddenSlot(ctx, -1);
  duk_get_prop_string(ctx, -1, kMember);  // stays on the stack while its text is used
  duk_size_t length = 0;
  const char* member = duk_get_lstring(ctx, -1, &length);
  PrimitiveArguments(ctx, bridge, 0, count);
  bridge.OnCall(slot, std::string_view(member ? member : "", length), 0, count);
  return Finish(ctx, bridge);
}

// toString / valueOf of an object. [ ] -> [ primitive or this ]
duk_ret_t Convert(duk_context* ctx) {
  Bridge& bridge = Bridge::Of(ctx);
  if (!bridge.MayContinue()) return Finish(ctx, bridge);
  duk_push_current_function(ctx);
  uint32_t slot = HiddenSlot(ctx, -1);
  duk_get_prop_string(ctx, -1, kValueOf);
  bool value_of = duk_get_boolean(ctx, -1);
  bridge.OnConvert(slot, value_of);
  return Finish(ctx, bridge);
}

// The items of a collection, for Enumerator. [ collection ] -> [ array ]
duk_ret_t Items(duk_context* ctx) {
  Bridge& bridge = Bridge::Of(ctx);
  if (!bridge.MayContinue()) return Finish(ctx, bridge);
  int64_t slot = duk_is_object(ctx, 0) ? bridge.SlotOfProxy(duk_get_heapptr(ctx, 0)) : -1;
  if (slot < 0) return duk_error(ctx, DUK_ERR_TYPE_ERROR, "Enumerator: not a collection");
  bridge.OnEnumerate(static_cast<uint32_t>(slot));
  return Finish(ctx, bridge);
}

// Called by every compiled loop condition. [ ] -> [ true ]
duk_ret_t LoopCheck(duk_context* ctx) {
  Bridge& bridge = Bridge::Of(ctx);
  if (!bridge.MayContinue()) return Finish(ctx, bridge);
  duk_push_true(ctx);
  return 1;
}

void PutFunction(duk_context* ctx, const char* name, duk_c_function fn, duk_idx_t nargs) {
  duk_push_c_function(ctx, fn, nargs);
  duk_put_prop_string(ctx, -2, name);
}

struct PushRequest {
  Bridge* bridge;
  const JsValue* value;
};

duk_ret_t PushSafe(duk_context* ctx, void* udata) {
  auto* request = static_cast<PushRequest*>(udata);
  PushJsValue(ctx, *request->bridge, *request->value);
  return 1;
}

// Leaves the error on the stack when run through duk_safe_call.
duk_ret_t ThrowOutOfMemory(duk_context* ctx, void*) {
  return duk_error(ctx, DUK_ERR_RANGE_ERROR, "out of memory");
}

struct GlobalRequest {
  Bridge* bridge;
  const char* name;
  size_t length;
  const JsValue* value;
};

duk_ret_t DefineGlobalSafe(duk_context* ctx, void* udata) {
  auto* request = static_cast<GlobalRequest*>(udata);
  duk_push_global_object(ctx);
  duk_push_lstring(ctx, request->name, request->length);
  PushJsValue(ctx, *request->bridge, *request->value);
  duk_def_prop(ctx, -3,
               DUK_DEFPROP_HAVE_VALUE | DUK_DEFPROP_CLEAR_WRITABLE | DUK_DEFPROP_SET_ENUMERABLE |
                   DUK_DEFPROP_CLEAR_CONFIGURABLE);
  duk_pop(ctx);
  return 0;
}

}  // namespace

// ---- Bridge: installation and entry points used from C++ ------------------------------------

Bridge& Bridge::Of(duk_context* ctx) {
  duk_memory_functions functions;
  duk_get_memory_functions(ctx, &functions);
  return *static_cast<Bridge*>(functions.udata);
}

const Bridge::Helpers& Bridge::HelperCode() {
  static const Helpers helpers{CompileBytecode(kPrimitiveSource, "korvex", DUK_COMPILE_FUNCTION),
                               CompileBytecode(kEnumeratorSource, "korvex", DUK_COMPILE_FUNCTION)};
  return helpers;
}

duk_ret_t Bridge::Install(duk_context* ctx, void* udata) {
  const auto* helpers = static_cast<const Helpers*>(udata);
  duk_push_heap_stash(ctx);
  duk_push_object(ctx);
  PutFunction(ctx, "get", GetTrap, 3);
  PutFunction(ctx, "set", SetTrap, 4);
  PutFunction(ctx, "apply", ApplyTrap, 3);
  PutFunction(ctx, "has", HasTrap, 2);
  PutFunction(ctx, "construct", ConstructTrap, 3);
  duk_put_prop_string(ctx, -2, kHandler);
  duk_push_array(ctx);
  duk_put_prop_string(ctx, -2, kProxies);
  PushBytecode(ctx, helpers->primitive);
  duk_call(ctx, 0);
  duk_put_prop_string(ctx, -2, kPrimitive);
  duk_pop(ctx);

  PushBytecode(ctx, helpers->enumerator);
  duk_push_c_function(ctx, Items, 1);
  duk_call(ctx, 1);
  duk_put_global_string(ctx, "Enumerator");

  duk_push_global_object(ctx);
  duk_push_lstring(ctx, kLoopCheckFunction.data(), kLoopCheckFunction.size());
  duk_push_c_function(ctx, LoopCheck, 0);
  duk_def_prop(ctx, -3,
               DUK_DEFPROP_HAVE_VALUE | DUK_DEFPROP_CLEAR_WRITABLE | DUK_DEFPROP_CLEAR_ENUMERABLE |
                   DUK_DEFPROP_CLEAR_CONFIGURABLE);
  duk_pop(ctx);
  return 0;
}

duk_ret_t Bridge::ClearProxies(duk_context* ctx, void*) {
  duk_push_heap_stash(ctx);
  duk_push_array(ctx);
  duk_put_prop_string(ctx, -2, kProxies);
  duk_pop(ctx);
  return 0;
}

void Bridge::ForgetRequest() noexcept {
  slot_of_proxy_.clear();
  slot_of_object_.clear();
  // Released last: an object's destructor may release others the maps still name.
  std::vector<std::shared_ptr<Dispatch>> objects;
  slot_base_ += static_cast<uint32_t>(objects_.size());
  objects.swap(objects_);
  objects.clear();
  outcome_ = Outcome{};
  date_arguments_ = 0;
  timeout_ = nullptr;
  timeout_seconds_ = 0;
  ended_ = false;
  timed_out_ = false;
}

bool Bridge::PushValue(const Variant& value) {
  JsValue prepared;
  try {
    Prepare(value, prepared);
  } catch (...) {
    duk_safe_call(ctx_, ThrowOutOfMemory, nullptr, 0, 1);
    return false;
  }
  PushRequest request{this, &prepared};
  return duk_safe_call(ctx_, PushSafe, &request, 0, 1) == DUK_EXEC_SUCCESS;
}

bool Bridge::DefineGlobal(std::string_view name, const std::shared_ptr<Dispatch>& object) {
  JsValue prepared;
  try {
    Prepare(Variant(object), prepared);
  } catch (...) {
    duk_safe_call(ctx_, ThrowOutOfMemory, nullptr, 0, 1);
    return false;
  }
  GlobalRequest request{this, name.data(), name.size(), &prepared};
  if (duk_safe_call(ctx_, DefineGlobalSafe, &request, 0, 1) != DUK_EXEC_SUCCESS) return false;
  duk_pop(ctx_);
  return true;
}

Dispatch& Bridge::Object(uint32_t slot) const {
  if (slot < slot_base_ || slot - slot_base_ >= objects_.size())
    RaiseRuntimeError(err::kObjectRequired);
  return *objects_[slot - slot_base_];
}

int64_t Bridge::SlotOfProxy(void* heap_pointer) const noexcept {
  auto it = slot_of_proxy_.find(heap_pointer);
  return it == slot_of_proxy_.end() ? int64_t{-1} : int64_t{it->second};
}

bool Bridge::NoteProxy(void* heap_pointer, uint32_t slot) noexcept {
  try {
    slot_of_proxy_[heap_pointer] = slot;
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace korvex::script
