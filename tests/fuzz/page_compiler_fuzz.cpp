// The page compiler: any page text compiles or raises a compile error naming a line.
#include "core/automation_error.h"
#include "fuzz/fuzz_input.h"
#include "script/page_compiler.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace korvex;
  try {
    script::CompiledPage page = script::CompilePage(fuzz::AsText(data, size));
    page.PageLine(1);
    page.PageLine(static_cast<int>(page.page_lines.size()) + 1);
  } catch (const AutomationError&) {
  }
  return 0;
}
