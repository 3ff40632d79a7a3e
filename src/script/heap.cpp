// Heap creation and bytecode dump and load; see heap.h.
#include "script/heap.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

#include "script/page_compiler.h"

namespace korvex::script {

namespace {

void FatalError(void*, const char* message) {
  std::fprintf(stderr, "korvex: script engine failure: %s\n", message ? message : "");
  std::abort();
}

struct CompileRequest {
  std::string_view source;
  std::string_view file_name;
  duk_uint_t flags;
};

// [ ] -> [ bytecode buffer ]
duk_ret_t CompileSafe(duk_context* ctx, void* udata) {
  auto* request = static_cast<CompileRequest*>(udata);
  duk_push_lstring(ctx, request->file_name.data(), request->file_name.size());
  duk_compile_lstring_filename(ctx, request->flags, request->source.data(), request->source.size());
  duk_dump_function(ctx);
  return 1;
}

// [ ] -> [ ]; udata is the set to fill.
duk_ret_t GlobalNamesSafe(duk_context* ctx, void* udata) {
  auto* names = static_cast<std::set<std::string, std::less<>>*>(udata);
  duk_push_global_object(ctx);
  duk_enum(ctx, -1, DUK_ENUM_OWN_PROPERTIES_ONLY | DUK_ENUM_INCLUDE_NONENUMERABLE);
  while (duk_next(ctx, -1, 0)) {
    duk_size_t length = 0;
    const char* name = duk_get_lstring(ctx, -1, &length);
    if (name) names->emplace(name, length);
    duk_pop(ctx);
  }
  duk_pop_2(ctx);
  return 0;
}

// [ ] -> [ ]; udata is the set to fill with the names of the functions that the prototypes of
// the built-in constructors, Math and JSON hold.
duk_ret_t MethodNamesSafe(duk_context* ctx, void* udata) {
  auto* names = static_cast<std::set<std::string, std::less<>>*>(udata);
  static const char* const kHolders[] = {"Object.prototype",
                                         "Function.prototype",
                                         "Array.prototype",
                                         "String.prototype",
                                         "Number.prototype",
                                         "Boolean.prototype",
                                         "RegExp.prototype",
                                         "Date.prototype",
                                         "Error.prototype",
                                         "Math",
                                         "JSON"};
  for (const char* holder : kHolders) {
    duk_eval_string(ctx, holder);
    duk_enum(ctx, -1, DUK_ENUM_OWN_PROPERTIES_ONLY | DUK_ENUM_INCLUDE_NONENUMERABLE);
    while (duk_next(ctx, -1, 1)) {
      duk_size_t length = 0;
      const char* name = duk_get_lstring(ctx, -2, &length);
      if (name && duk_is_function(ctx, -1)) names->emplace(name, length);
      duk_pop_2(ctx);
    }
    duk_pop_2(ctx);
  }
  return 0;
}

std::set<std::string, std::less<>> BuiltinMethodNames() {
  std::set<std::string, std::less<>> names;
  if (duk_context* ctx = NewHeap(nullptr)) {
    duk_safe_call(ctx, MethodNamesSafe, &names, 0, 1);
    duk_destroy_heap(ctx);
  }
  return names;
}

std::set<std::string, std::less<>> BuiltinGlobalNames() {
  std::set<std::string, std::less<>> names{"Enumerator", "eval", "Function"};
  names.emplace(kLoopCheckFunction);
  if (duk_context* ctx = NewHeap(nullptr)) {
    duk_safe_call(ctx, GlobalNamesSafe, &names, 0, 1);
    duk_destroy_heap(ctx);
  }
  return names;
}

}  // namespace

bool IsBuiltinGlobalName(std::string_view name) {
  static const std::set<std::string, std::less<>> names = BuiltinGlobalNames();
  return names.contains(name);
}

bool IsBuiltinMethodName(std::string_view name) {
  static const std::set<std::string, std::less<>> names = BuiltinMethodNames();
  return names.contains(name);
}

duk_context* NewHeap(void* user_data) {
  return duk_create_heap(nullptr, nullptr, nullptr, user_data, FatalError);
}

std::string CompileBytecode(std::string_view source, std::string_view file_name, duk_uint_t flags) {
  duk_context* ctx = NewHeap(nullptr);
  if (!ctx) return {};
  std::string bytecode;
  CompileRequest request{source, file_name, flags};
  if (duk_safe_call(ctx, CompileSafe, &request, 0, 1) == DUK_EXEC_SUCCESS) {
    duk_size_t size = 0;
    const void* data = duk_get_buffer_data(ctx, -1, &size);
    try {
      bytecode.assign(static_cast<const char*>(data), size);
    } catch (...) {
      bytecode.clear();
    }
  }
  duk_destroy_heap(ctx);
  return bytecode;
}

void PushBytecode(duk_context* ctx, const std::string& bytecode) {
  void* buffer = duk_push_fixed_buffer(ctx, bytecode.size());
  std::memcpy(buffer, bytecode.data(), bytecode.size());
  duk_load_function(ctx);
}

}  // namespace korvex::script
