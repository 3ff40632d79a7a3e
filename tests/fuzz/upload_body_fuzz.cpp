// The upload form's body reader: whatever a client sends, the file it finds lies inside the
// body and its name holds no folder separator.
#include <cstdlib>

#include "fileman/upload_body.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace korvex;
  const std::string_view body = fuzz::AsText(data, size);
  if (auto file = ReadUploadBody(body)) {
    if (file->begin > body.size() || file->size > body.size() - file->begin) std::abort();
    if (file->name.empty() || file->name.find_first_of("/\\") != std::string::npos) std::abort();
  }
  return 0;
}
