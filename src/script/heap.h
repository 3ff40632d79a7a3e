// Duktape heaps and bytecode, shared by the engine and the page cache. Compiling JavaScript
// costs far more than loading its bytecode, so pages and the engine's own helpers are
// compiled once per process and loaded into each request's heap.
#pragma once

#include <duktape.h>

#include <string>
#include <string_view>

namespace korvex::script {

/// A heap with the given user data and a fatal handler that reports and aborts (reached only
/// through a Duktape call made outside a protected call, which this code never makes).
/// Null when out of memory.
duk_context* NewHeap(void* user_data);

/// The bytecode of source compiled with Duktape's flags (0 for a program, DUK_COMPILE_FUNCTION
/// for a function expression); empty when it does not compile (a SyntaxError: whoever runs the
/// source reports it then).
std::string CompileBytecode(std::string_view source, std::string_view file_name, duk_uint_t flags);

/// A name the global object of a new heap has (Object, Math, Duktape, globalThis, ...), or one
/// the engine adds to it (Enumerator, the loop check).
bool IsBuiltinGlobalName(std::string_view name);

/// The name of a method the built-in prototypes, Math or JSON have ("push", "charAt", "max"):
/// any array, text or number a page holds leads to those functions, which every request shares.
bool IsBuiltinMethodName(std::string_view name);

/// Pushes the function the bytecode holds. May throw a JavaScript error. [ ] -> [ function ]
void PushBytecode(duk_context* ctx, const std::string& bytecode);

}  // namespace korvex::script
