// The request decoders: query strings and urlencoded bodies, Cookie headers, percent
// decoding, and the encoders a decoded value goes through on its way back out.
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "host/encoding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace korvex;
  const std::string_view text = fuzz::AsText(data, size);
  for (const auto& [name, value] : host::ParseUrlEncoded(text)) {
    // What an encoder writes decodes back to what it was given.
    if (host::DecodeUrl(host::EncodeUrl(value)) != value) std::abort();
    if (host::EncodeHtml(name).find_first_of("<>\"") != std::string::npos) std::abort();
  }
  host::ParseCookieHeader(text);
  host::PercentDecode(text);
  host::HasMediaType(text, "multipart/form-data");
  return 0;
}
