// Shared widget helpers; the markup is fixed, browsers and the client scripts rely on it.
#include "render/field_widgets.h"

#include "core/automation_error.h"
#include "core/collection.h"

namespace korvex {

std::string CheckboxDisplay(bool checked, bool wrap_in_form) {
  std::string out;
  if (wrap_in_form) out += "<form name='thisisfakefornetscape'>";
  out += "<input type=checkbox class=chk ";
  if (checked) out += " checked ";
  out += " disabled >";
  if (wrap_in_form) out += "</form>";
  return out;
}

bool CollectionHasKey(const Variant& key, const Collection& collection) {
  try {
    collection.Item(key);
    return true;
  } catch (const AutomationError&) {
    return false;
  }
}

std::string SqlSafeValue(const Variant& value) {
  constexpr size_t kLongestValue = 255;
  std::string text(LeftChars(TextOrEmpty(value), kLongestValue));
  if (text.empty()) return "Null";
  std::string out;
  out.reserve(text.size() + 2);
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out;
}

std::string FileManagerButton(std::string_view name, std::string_view encoded_name,
                              std::string_view /*caption*/, std::string_view url) {
  std::string out = "<input class='Button' type=button name='' value='...' onClick=\"";
  out += "window.open('";
  out += url;
  out += "&returnfield=";
  out += encoded_name;
  out += "&returnform=PW&selected=' + GetObjVal('";
  out += name;
  out += "'),'fileman','toolbar=yes,width=640,height=480');\">";
  return out;
}

std::string AlphabetLinks(std::string_view separator, std::string_view url) {
  std::string out;
  for (char c = '@'; c <= 'Z'; ++c) {
    out += "<a href='";
    out += url;
    out += "&f=n&?#";
    out += c;
    out += "' target=filelist>";
    out += c;
    out += "</a>";
    out += separator;
  }
  return out;
}

}  // namespace korvex
