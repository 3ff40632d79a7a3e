#include "editing/form_text.h"

#include "component/settings/html_java_scripts.h"

namespace korvex {

std::string InScriptBlock(std::string_view escaped) {
  std::string out;
  out.reserve(escaped.size());
  for (size_t i = 0; i < escaped.size(); ++i) {
    out += escaped[i];
    if (escaped[i] == '<' && i + 1 < escaped.size() && escaped[i + 1] == '/') out += '\\';
  }
  return out;
}

std::string ScriptString(std::string_view text) {
  return InScriptBlock(HTMLJavaScripts::JsEscape(text));
}

}  // namespace korvex
