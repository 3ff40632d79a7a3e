// The report template: keys and text from the input (split at NUL bytes); the parts of any
// split lie inside the text, and substitution never searches a replacement again.
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_input.h"
#include "reports/report_template.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace korvex;
  auto parts = fuzz::SplitInput(fuzz::AsText(data, size), 4);
  const std::string_view begin_key = parts[0], end_key = parts[1], value = parts[2],
                         text = parts[3];
  TemplateParts split = SplitTemplate(text, begin_key, end_key);
  if (split.header.size() + split.section.size() + split.footer.size() > text.size() * 2 + 8)
    std::abort();
  const Placeholder placeholders[] = {{begin_key, value}, {"[Name]", value}, {end_key, "x"}};
  Substitute(text, placeholders);
  return 0;
}
