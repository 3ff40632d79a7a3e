// Values as they cross into JavaScript: the prepared form pushed without further C++ work, and
// text between UTF-8 and Duktape's string form. Both directions always give well-formed text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korvex::script {

/// A value ready to be pushed onto the Duktape stack without further C++ work.
struct JsValue {
  enum class Type { Undefined, Null, Boolean, Number, String, Object };
  Type type = Type::Undefined;
  bool boolean = false;
  double number = 0;
  std::string text;   // JavaScript's string form (surrogate pairs as CESU-8)
  uint32_t slot = 0;  // Object: the exposed object's slot
};

/// UTF-8 to Duktape's string form: characters past U+FFFF become surrogate pairs. Each
/// ill-formed sequence (a stray byte, an overlong form, an encoded surrogate, past U+10FFFF,
/// cut short) becomes one U+FFFD, as a browser decoding the same bytes shows it.
std::string ToJsText(std::string_view utf8);
/// Back to UTF-8: surrogate pairs join; a lone surrogate, or a character past U+10FFFF that
/// Duktape's extended form can hold, becomes U+FFFD.
std::string FromJsText(std::string_view js);

}  // namespace korvex::script
