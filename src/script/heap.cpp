// Heap creation and bytecode dump and load; see heap.h.
#include "script/heap.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

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

}  // namespace

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
