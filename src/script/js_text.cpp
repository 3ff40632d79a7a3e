// Values crossing between C++ and JavaScript: Variant to a prepared JsValue and stack values back
// to Variant, and text between UTF-8 and Duktape's string form (CESU-8, extended past U+10FFFF).
// Pushing prepared values, proxies included, is the trampolines' business (bridge.cpp).
#include "script/js_text.h"

#include <cmath>
#include <cstring>

#include "script/bridge.h"

namespace korvex::script {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// Index of the first byte at or after i that is not ASCII (or the size).
size_t SkipAscii(std::string_view s, size_t i) {
  while (i + 8 <= s.size()) {
    uint64_t word;
    std::memcpy(&word, s.data() + i, 8);
    if (word & 0x8080808080808080u) break;
    i += 8;
  }
  while (i < s.size() && static_cast<unsigned char>(s[i]) < 0x80) ++i;
  return i;
}

// A well-formed UTF-8 sequence, or the maximal part of an ill-formed one that gets one U+FFFD
// (the rule browsers decode by, so replaced text reads as it would have in the browser).
struct Sequence {
  size_t length;
  bool valid;
};

// Reads at i by Unicode's table of well-formed sequences: the second byte's range excludes
// overlong forms (E0, F0), encoded surrogates (ED) and values past U+10FFFF (F4).
Sequence ScanUtf8(std::string_view s, size_t i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  if (c < 0x80) return {1, true};
  size_t need = 0;
  unsigned char low = 0x80, high = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) {
    need = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    need = 3;
    if (c == 0xE0) low = 0xA0;
    if (c == 0xED) high = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    need = 4;
    if (c == 0xF0) low = 0x90;
    if (c == 0xF4) high = 0x8F;
  } else {
    return {1, false};
  }
  size_t k = 1;
  for (; k < need && i + k < s.size(); ++k) {
    unsigned char b = static_cast<unsigned char>(s[i + k]);
    if (b < low || b > high) return {k, false};
    low = 0x80;
    high = 0xBF;
  }
  return {k, k == need};
}

uint32_t DecodeFourBytes(std::string_view s, size_t i) {
  return ((s[i] & 0x07u) << 18) | ((s[i + 1] & 0x3Fu) << 12) | ((s[i + 2] & 0x3Fu) << 6) |
         (s[i + 3] & 0x3Fu);
}

void AppendThreeBytes(std::string& out, uint32_t unit) {
  out += static_cast<char>(0xE0 | (unit >> 12));
  out += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
  out += static_cast<char>(0x80 | (unit & 0x3F));
}

// The UTF-16 surrogate Duktape stores at i as three bytes, or 0.
uint32_t SurrogateAt(std::string_view js, size_t i) {
  if (i + 3 > js.size() || js[i] != '\xED') return 0;
  unsigned char b1 = static_cast<unsigned char>(js[i + 1]);
  unsigned char b2 = static_cast<unsigned char>(js[i + 2]);
  if (b1 < 0xA0 || b1 > 0xBF || (b2 & 0xC0) != 0x80) return 0;
  return 0xD000u | ((b1 & 0x3Fu) << 6) | (b2 & 0x3Fu);
}

// Length of a whole character of Duktape's extended form past what UTF-8 allows (lead byte F4
// to FE, up to seven bytes, as its JX decoder makes from "\U0011FFFF"), or 0.
size_t ExtendedLength(std::string_view js, size_t i) {
  unsigned char c = static_cast<unsigned char>(js[i]);
  size_t need = c == 0xFE ? 7 : c >= 0xFC ? 6 : c >= 0xF8 ? 5 : c >= 0xF4 ? 4 : 0;
  if (need == 0 || i + need > js.size()) return 0;
  for (size_t k = 1; k < need; ++k)
    if ((static_cast<unsigned char>(js[i + k]) & 0xC0) != 0x80) return 0;
  return need;
}

}  // namespace

std::string ToJsText(std::string_view utf8) {
  // Most text is already in its JavaScript form: well-formed and inside the BMP.
  size_t i = 0;
  for (;;) {
    i = SkipAscii(utf8, i);
    if (i == utf8.size()) return std::string(utf8);
    Sequence seq = ScanUtf8(utf8, i);
    if (!seq.valid || seq.length == 4) break;
    i += seq.length;
  }
  std::string out;
  out.reserve(utf8.size() + 8);
  out.append(utf8.substr(0, i));
  while (i < utf8.size()) {
    Sequence seq = ScanUtf8(utf8, i);
    if (!seq.valid) {
      out += kReplacement;
    } else if (seq.length < 4) {
      out.append(utf8.substr(i, seq.length));
    } else {
      uint32_t cp = DecodeFourBytes(utf8, i) - 0x10000;
      AppendThreeBytes(out, 0xD800 + (cp >> 10));
      AppendThreeBytes(out, 0xDC00 + (cp & 0x3FF));
    }
    i += seq.length;
  }
  return out;
}

std::string FromJsText(std::string_view js) {
  size_t i = 0;
  for (;;) {
    i = SkipAscii(js, i);
    if (i == js.size()) return std::string(js);
    Sequence seq = ScanUtf8(js, i);
    if (!seq.valid) break;
    i += seq.length;
  }
  std::string out;
  out.reserve(js.size());
  out.append(js.substr(0, i));
  while (i < js.size()) {
    if (uint32_t high = SurrogateAt(js, i)) {
      uint32_t low = SurrogateAt(js, i + 3);
      if (high < 0xDC00 && low >= 0xDC00) {
        uint32_t cp = 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
        i += 6;
      } else {
        out += kReplacement;
        i += 3;
      }
      continue;
    }
    Sequence seq = ScanUtf8(js, i);
    if (seq.valid) {
      out.append(js.substr(i, seq.length));
      i += seq.length;
    } else if (size_t whole = ExtendedLength(js, i)) {
      out += kReplacement;
      i += whole;
    } else {
      out += kReplacement;
      i += seq.length;
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
      auto [it, added] = slot_of_object_.try_emplace(
          object.get(), slot_base_ + static_cast<uint32_t>(objects_.size()));
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
      if (slot >= 0) return Variant(objects_[static_cast<size_t>(slot - slot_base_)]);
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
