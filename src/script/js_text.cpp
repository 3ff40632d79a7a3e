// Values crossing between C++ and JavaScript: Variant to a prepared JsValue and stack values back
// to Variant, and text between UTF-8 and Duktape's string form (CESU-8, extended past U+10FFFF).
// Pushing prepared values, proxies included, is the trampolines' business (bridge.cpp).
#include "script/js_text.h"

#include <cmath>

#include "script/bridge.h"

namespace korvex::script {

namespace {

void AppendThreeBytes(std::string& out, uint32_t unit) {
  out += static_cast<char>(0xE0 | (unit >> 12));
  out += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
  out += static_cast<char>(0x80 | (unit & 0x3F));
}

}  // namespace

std::string ToJsText(std::string_view utf8) {
  size_t i = 0;
  while (i < utf8.size() && static_cast<unsigned char>(utf8[i]) < 0xF0) ++i;
  if (i == utf8.size()) return std::string(utf8);
  std::string out(utf8.substr(0, i));
  for (; i < utf8.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (c < 0xF0 || i + 4 > utf8.size()) {
      out += static_cast<char>(c);
      continue;
    }
    uint32_t cp = ((c & 0x07u) << 18) | ((utf8[i + 1] & 0x3Fu) << 12) |
                  ((utf8[i + 2] & 0x3Fu) << 6) | (utf8[i + 3] & 0x3Fu);
    cp -= 0x10000;
    AppendThreeBytes(out, 0xD800 + (cp >> 10));
    AppendThreeBytes(out, 0xDC00 + (cp & 0x3FF));
    i += 3;
  }
  return out;
}

std::string FromJsText(std::string_view js) {
  if (js.find('\xED') == std::string_view::npos) return std::string(js);
  auto unit_at = [&](size_t i) -> uint32_t {  // the surrogate encoded at i, or 0
    if (i + 3 > js.size() || js[i] != '\xED') return 0;
    unsigned char b1 = static_cast<unsigned char>(js[i + 1]);
    unsigned char b2 = static_cast<unsigned char>(js[i + 2]);
    if (b1 < 0xA0 || b1 > 0xBF || (b2 & 0xC0) != 0x80) return 0;
    return 0xD000u | ((b1 & 0x3Fu) << 6) | (b2 & 0x3Fu);
  };
  std::string out;
  out.reserve(js.size());
  for (size_t i = 0; i < js.size();) {
    uint32_t high = unit_at(i);
    if (high == 0) {
      out += js[i++];
      continue;
    }
    uint32_t low = unit_at(i + 3);
    if (high < 0xDC00 && low >= 0xDC00) {
      uint32_t cp = 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
      i += 6;
    } else {
      out += "\xEF\xBF\xBD";
      i += 3;
    }
  }
  return out;
}

// ---- Bridge: Variant to JavaScript and back ---------------------------------------------------

void Bridge::Prepare(const Variant& v, JsValue& out) {
  out = JsValue{};
  switch (v.type()) {
    case VarType::Empty:
    case VarType::Missing:
      out.type = JsValue::Type::Undefined;
      break;
    case VarType::Null:
      out.type = JsValue::Type::Null;
      break;
    case VarType::Boolean:
      out.type = JsValue::Type::Boolean;
      out.boolean = v.AsBool();
      break;
    case VarType::Integer:
    case VarType::Long:
      out.type = JsValue::Type::Number;
      out.number = v.AsLong();
      break;
    case VarType::Double:
      out.type = JsValue::Type::Number;
      out.number = v.AsDouble();
      break;
    case VarType::Currency:
      out.type = JsValue::Type::Number;
      out.number = static_cast<double>(v.AsCurrencyScaled()) / 10000.0;
      break;
    case VarType::Date:
      out.type = JsValue::Type::String;
      out.text = FormatDate(DateValue{v.AsDouble()});
      break;
    case VarType::String:
      out.type = JsValue::Type::String;
      out.text = ToJsText(v.AsString());
      break;
    case VarType::Object: {
      const std::shared_ptr<Dispatch>& object = v.AsObject();
      if (!object) {
        out.type = JsValue::Type::Null;
        break;
      }
      auto [it, added] =
          slot_of_object_.try_emplace(object.get(), static_cast<uint32_t>(objects_.size()));
      if (added) {
        try {
          objects_.push_back(object);
        } catch (...) {
          slot_of_object_.erase(it);
          throw;
        }
      }
      out.type = JsValue::Type::Object;
      out.slot = it->second;
      break;
    }
  }
}

Variant Bridge::ReadValue(duk_idx_t index, bool as_argument) const {
  switch (duk_get_type(ctx_, index)) {
    case DUK_TYPE_NULL:
      return Variant::Null();
    case DUK_TYPE_BOOLEAN:
      return Variant(static_cast<bool>(duk_get_boolean(ctx_, index)));
    case DUK_TYPE_NUMBER: {
      double d = duk_get_number(ctx_, index);
      if (index >= 0 && index < 64 && (date_arguments_ >> index) & 1) return Variant(DateValue{d});
      if (std::trunc(d) == d && d >= INT32_MIN && d <= INT32_MAX)
        return Variant(static_cast<int32_t>(d));
      return Variant(d);
    }
    case DUK_TYPE_STRING: {
      if (duk_is_symbol(ctx_, index)) return Variant();
      duk_size_t length = 0;
      const char* text = duk_get_lstring(ctx_, index, &length);
      return Variant(FromJsText(std::string_view(text, length)));
    }
    case DUK_TYPE_OBJECT: {
      int64_t slot = SlotOfProxy(duk_get_heapptr(ctx_, index));
      if (slot >= 0) return Variant(objects_[static_cast<size_t>(slot)]);
      return Variant();
    }
    case DUK_TYPE_NONE:
    case DUK_TYPE_UNDEFINED:
      return as_argument ? Variant::Missing() : Variant();
    default:
      return Variant();
  }
}

std::vector<Variant> Bridge::ReadArguments(duk_idx_t first, duk_idx_t count) const {
  std::vector<Variant> args;
  args.reserve(static_cast<size_t>(count));
  for (duk_idx_t i = first; i < first + count; ++i) args.push_back(ReadValue(i, true));
  return args;
}

}  // namespace korvex::script
