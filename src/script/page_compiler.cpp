// Page to JavaScript: literal text becomes Response.Write("..."), <%= e %> writes e, <% ... %>
// runs as is. Every block is followed by a line end (so a trailing line comment ends there and
// statements never run together); the line table maps each generated line back to the page.
#include "script/page_compiler.h"

#include <fstream>
#include <sstream>
#include <system_error>

#include "core/variant.h"
#include "script/heap.h"
#include "script/js_scanner.h"

namespace korvex::script {

namespace {

constexpr int32_t kSyntaxError = 1002;
constexpr const char* kCompilerSource = "Korvex page compiler";

bool IsLineBreakAt(std::string_view text, size_t i) {
  // CR LF counts once (at its LF), a lone CR or LF once, as JavaScript counts lines.
  return text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'));
}

// Appends a JavaScript string literal whose value is exactly the (valid UTF-8) text.
void AppendStringLiteral(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out += '"';
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    switch (c) {
      case '"':
        out += "\\\"";
        continue;
      case '\\':
        out += "\\\\";
        continue;
      case '\n':
        out += "\\n";
        continue;
      case '\r':
        out += "\\r";
        continue;
      case '\t':
        out += "\\t";
        continue;
      default:
        break;
    }
    if (c < 0x20 || c == 0x7F) {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 0xF];
    } else if (c >= 0xF0) {
      // Outside the Basic Multilingual Plane: JavaScript strings hold a surrogate pair.
      uint32_t cp = ((c & 0x07u) << 18) | ((text[i + 1] & 0x3Fu) << 12) |
                    ((text[i + 2] & 0x3Fu) << 6) | (text[i + 3] & 0x3Fu);
      cp -= 0x10000;
      for (uint32_t unit : {0xD800 + (cp >> 10), 0xDC00 + (cp & 0x3FF)}) {
        out += "\\u";
        for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(unit >> shift) & 0xF];
      }
      i += 3;
    } else if (c == 0xE2 && text[i + 1] == '\x80' &&
               (text[i + 2] == '\xA8' || text[i + 2] == '\xA9')) {
      out += text[i + 2] == '\xA8' ? "\\u2028" : "\\u2029";  // line terminators in JavaScript
      i += 2;
    } else {
      out += static_cast<char>(c);
    }
  }
  out += '"';
}

bool IsPunctuator(const JsToken& t, std::string_view text, char c) {
  return t.kind == JsTokenKind::Punctuator && t.end == t.begin + 1 && text[t.begin] == c;
}

bool IsOpener(const JsToken& t, std::string_view text) {
  return IsPunctuator(t, text, '(') || IsPunctuator(t, text, '[') || IsPunctuator(t, text, '{');
}

bool IsCloser(const JsToken& t, std::string_view text) {
  return IsPunctuator(t, text, ')') || IsPunctuator(t, text, ']') || IsPunctuator(t, text, '}');
}

struct Insertion {
  size_t at;
  std::string text;
};

// Makes every while and for(;;) condition of a block call the loop check first, on the same
// line, so a runaway loop can be stopped. A for-in loop ends on its own and is left alone.
std::vector<Insertion> LoopChecks(std::string_view text, const std::vector<JsToken>& tokens) {
  const std::string check(kLoopCheckFunction);
  std::vector<Insertion> out;
  for (size_t i = 0; i + 1 < tokens.size(); ++i) {
    const JsToken& t = tokens[i];
    if (t.kind != JsTokenKind::Identifier) continue;
    std::string_view word = text.substr(t.begin, t.end - t.begin);
    if (word != "while" && word != "for") continue;
    if (i > 0 && IsPunctuator(tokens[i - 1], text, '.')) continue;
    if (!IsPunctuator(tokens[i + 1], text, '(')) continue;
    int depth = 0;
    size_t close = 0;
    std::vector<size_t> semicolons;
    for (size_t j = i + 1; j < tokens.size() && close == 0; ++j) {
      if (IsOpener(tokens[j], text)) ++depth;
      if (IsCloser(tokens[j], text) && --depth == 0) close = j;
      if (depth == 1 && IsPunctuator(tokens[j], text, ';')) semicolons.push_back(j);
    }
    if (close == 0) continue;  // the header goes on in another block: left as written
    if (word == "while") {
      out.push_back({tokens[i + 1].end, check + "() && ("});
      out.push_back({tokens[close].begin, ")"});
    } else if (semicolons.size() == 2) {
      size_t first = semicolons[0], second = semicolons[1];
      if (second == first + 1) {
        out.push_back({tokens[first].end, " " + check + "()"});
      } else {
        out.push_back({tokens[first].end, " " + check + "() && ("});
        out.push_back({tokens[second].begin, ")"});
      }
    }
  }
  return out;
}

class PageWriter {
 public:
  explicit PageWriter(std::string_view text) : text_(text) { page_.page_lines.push_back(1); }

  void Literal(size_t begin, size_t end) {
    if (begin == end) return;
    std::string_view literal = text_.substr(begin, end - begin);
    page_.js += "Response.Write(";
    AppendStringLiteral(page_.js, literal);
    page_.js += ");";
    int before = line_;
    for (size_t i = 0; i < literal.size(); ++i)
      if (IsLineBreakAt(literal, i)) ++line_;
    if (line_ != before) NewLine();
  }

  // Code as written, with the given insertions (sorted by position), then a line end.
  void Code(size_t begin, size_t end, const std::vector<Insertion>& insertions) {
    auto next = insertions.begin();
    for (size_t i = begin; i < end; ++i) {
      for (; next != insertions.end() && next->at == i; ++next) page_.js += next->text;
      if (IsLineBreakAt(text_, i)) {  // a lone CR is written as LF: one rule for both sides
        ++line_;
        NewLine();
      } else {
        page_.js += text_[i];
      }
    }
    for (; next != insertions.end(); ++next) page_.js += next->text;
    NewLine();
  }

  void Raw(std::string_view js) { page_.js += js; }
  void Skip(size_t begin, size_t end) {
    for (size_t i = begin; i < end; ++i)
      if (IsLineBreakAt(text_, i)) ++line_;
    NewLine();
  }
  int LineAt(size_t offset) const {
    int line = 1;
    for (size_t i = 0; i < offset; ++i)
      if (IsLineBreakAt(text_, i)) ++line;
    return line;
  }
  CompiledPage Finish() { return std::move(page_); }

 private:
  void NewLine() {
    page_.js += '\n';
    page_.page_lines.push_back(line_);
  }

  std::string_view text_;
  CompiledPage page_;
  int line_ = 1;
};

// Whether a block's code may reach a built-in object in a way that could change it; see
// CompiledPage::reaches_builtins. Calling a built-in (String(x), new Date(), Math.max(a, b))
// cannot, nor can assigning to its global name (that lands on the request's own global);
// holding one as a value (var M = Math, Math.x = 1, f(JSON)) can, and so can the ways to a
// prototype and the built-ins that hand out other objects or run text as code. So can a
// built-in method taken from any value without calling it ([].push.x = 1, var f = "".charAt):
// every array and text leads to the same shared functions.
bool ReachesBuiltins(std::string_view text, const std::vector<JsToken>& tokens) {
  auto at = [&](size_t i) -> std::string_view {
    if (i >= tokens.size()) return {};
    return text.substr(tokens[i].begin, tokens[i].end - tokens[i].begin);
  };
  for (size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i].kind == JsTokenKind::String && i > 0 && at(i - 1) == "[" && at(i + 1) == "]" &&
        at(i + 2) != "(") {
      // x["push"]: the same method by its name in quotes.
      std::string_view quoted = at(i);
      if (quoted.size() >= 2 && IsBuiltinMethodName(quoted.substr(1, quoted.size() - 2)))
        return true;
    }
    if (tokens[i].kind != JsTokenKind::Identifier) continue;
    std::string_view name = at(i);
    if (name == "prototype" || name == "__proto__" || name == "constructor") return true;
    if (name == "this" && at(i + 1) == "[") return true;
    if (i > 0 && at(i - 1) == ".") {  // a member's name, not the global
      if (IsBuiltinMethodName(name) && at(i + 1) != "(" && at(i + 1) != "=") return true;
      continue;
    }
    if (name == "undefined" || name == "NaN" || name == "Infinity" || !IsBuiltinGlobalName(name))
      continue;
    if (name == "Object" || name == "Reflect" || name == "Duktape" || name == "Proxy" ||
        name == "Function" || name == "eval" || name == "globalThis")
      return true;
    bool called = at(i + 1) == "(" || (i > 0 && at(i - 1) == "new");
    bool assigned = at(i + 1) == "=";
    bool method_called = at(i + 1) == "." && i + 2 < tokens.size() &&
                         tokens[i + 2].kind == JsTokenKind::Identifier && at(i + 3) == "(";
    if (!called && !method_called && !assigned) return true;
  }
  return false;
}

}  // namespace

PageCompileError::PageCompileError(std::string description, int line)
    : AutomationError(kSyntaxError, std::move(description), kCompilerSource), line_(line) {}

int CompiledPage::PageLine(int js_line) const {
  if (js_line < 1 || page_lines.empty()) return 0;
  size_t index = static_cast<size_t>(js_line - 1);
  return index < page_lines.size() ? page_lines[index] : page_lines.back();
}

CompiledPage CompilePage(std::string_view raw) {
  std::string clean = SanitizeUtf8(raw);
  std::string_view text = clean;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  PageWriter writer(text);
  bool reaches_builtins = false;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t open = text.find("<%", pos);
    if (open == std::string_view::npos) {
      writer.Literal(pos, text.size());
      break;
    }
    writer.Literal(pos, open);
    char kind = open + 2 < text.size() ? text[open + 2] : '\0';
    size_t content = open + 2 + ((kind == '=' || kind == '@') ? 1 : 0);
    const char* opener = kind == '=' ? "<%=" : (kind == '@' ? "<%@" : "<%");

    size_t close = std::string_view::npos;
    std::vector<JsToken> tokens;
    if (kind == '@') {
      close = text.find("%>", content);
    } else {
      JsScanner scanner(text, content);
      for (JsToken t = scanner.Next(); t.kind != JsTokenKind::End; t = scanner.Next()) {
        if (t.kind == JsTokenKind::BlockClose) {
          close = t.begin;
          break;
        }
        if (t.kind != JsTokenKind::LineComment && t.kind != JsTokenKind::BlockComment)
          tokens.push_back(t);
      }
    }
    if (close == std::string_view::npos)
      throw PageCompileError(std::string("Missing '%>' to close the '") + opener + "' block",
                             writer.LineAt(open));

    reaches_builtins = reaches_builtins || ReachesBuiltins(text, tokens);
    if (kind == '@') {
      writer.Skip(content, close);
    } else if (kind == '=') {
      if (tokens.empty())
        throw PageCompileError("Missing expression in the '<%=' block", writer.LineAt(open));
      writer.Raw("Response.Write(");
      writer.Code(content, close, LoopChecks(text, tokens));
      writer.Raw(");");
    } else {
      writer.Code(content, close, LoopChecks(text, tokens));
    }
    pos = close + 2;
  }
  CompiledPage page = writer.Finish();
  page.bytecode = CompileBytecode(page.js, "page", 0);
  page.reaches_builtins = reaches_builtins;
  return page;
}

PageCache::PageCache(size_t max_pages, size_t max_bytes)
    : max_pages_(max_pages), max_bytes_(max_bytes) {}

size_t PageCache::page_count() const {
  std::lock_guard lock(mutex_);
  return entries_.size();
}

size_t PageCache::byte_count() const {
  std::lock_guard lock(mutex_);
  return bytes_;
}

std::shared_ptr<const CompiledPage> PageCache::Get(const std::filesystem::path& file) {
  std::error_code ec;
  auto modified = std::filesystem::last_write_time(file, ec);
  uintmax_t size = ec ? 0 : std::filesystem::file_size(file, ec);
  if (ec) RaiseRuntimeError(err::kFileNotFound);
  std::string key = file.string();
  {
    std::lock_guard lock(mutex_);
    auto it = entries_.find(key);
    if (it != entries_.end() && it->second.modified == modified && it->second.size == size) {
      uses_.splice(uses_.begin(), uses_, it->second.use);
      return it->second.page;
    }
  }
  // Compiled outside the lock: a slow page must not hold up requests for the others.
  std::ifstream in(file, std::ios::binary);
  if (!in) RaiseRuntimeError(err::kFileNotFound);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  auto page = std::make_shared<const CompiledPage>(CompilePage(bytes.str()));
  size_t page_bytes =
      key.size() + page->js.size() + page->bytecode.size() + page->page_lines.size() * sizeof(int);
  Keep(std::move(key), Entry{modified, size, page_bytes, page, {}});
  return page;
}

void PageCache::Keep(std::string key, Entry entry) {
  std::lock_guard lock(mutex_);
  if (auto old = entries_.find(key); old != entries_.end()) {
    bytes_ -= old->second.bytes;
    uses_.erase(old->second.use);
    entries_.erase(old);
  }
  if (entry.bytes > max_bytes_ || max_pages_ == 0) return;
  while (!uses_.empty() && (entries_.size() >= max_pages_ || bytes_ + entry.bytes > max_bytes_)) {
    auto last = entries_.find(uses_.back());
    bytes_ -= last->second.bytes;
    entries_.erase(last);
    uses_.pop_back();
  }
  uses_.push_front(key);
  entry.use = uses_.begin();
  bytes_ += entry.bytes;
  entries_.emplace(std::move(key), std::move(entry));
}

}  // namespace korvex::script
