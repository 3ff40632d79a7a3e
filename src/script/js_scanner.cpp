// JavaScript tokenizer for page code blocks; see js_scanner.h.
#include "script/js_scanner.h"

#include <array>

namespace korvex::script {

namespace {

bool IsIdentifierStart(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$' || c == '\\' ||
         static_cast<unsigned char>(c) >= 0x80;
}

bool IsIdentifierPart(char c) {
  return IsIdentifierStart(c) || (c >= '0' && c <= '9');
}

bool IsLineEnd(char c) {
  return c == '\n' || c == '\r';
}

// Keywords after which a "/" starts a regular expression rather than a division.
constexpr std::array<std::string_view, 12> kRegexAfterKeywords = {
    "return", "typeof", "instanceof", "in", "new",  "delete",
    "void",   "throw",  "case",       "do", "else", "yield",
};

}  // namespace

bool JsScanner::RegexAllowed() const {
  std::string_view prev = text_.substr(previous_.begin, previous_.end - previous_.begin);
  switch (previous_.kind) {
    case JsTokenKind::End:
      return true;
    case JsTokenKind::Identifier:
      for (std::string_view k : kRegexAfterKeywords)
        if (prev == k) return true;
      return false;
    case JsTokenKind::Punctuator:
      // After a closing bracket an operand just ended; "}" usually closes a block instead.
      return !(prev == ")" || prev == "]" || prev == "++" || prev == "--");
    default:
      return false;
  }
}

void JsScanner::ScanString(char quote) {
  ++pos_;
  while (pos_ < text_.size()) {
    char c = text_[pos_];
    if (c == quote) {
      ++pos_;
      return;
    }
    if (IsLineEnd(c)) break;  // a line end cannot stand in a string
    if (c == '\\') {
      ++pos_;
      // A backslash before CR LF continues the string on the next line.
      if (At(pos_) == '\r' && At(pos_ + 1) == '\n') ++pos_;
    }
    ++pos_;
  }
  if (pos_ > text_.size()) pos_ = text_.size();
  unterminated_ = true;
}

void JsScanner::ScanRegex() {
  ++pos_;
  bool in_class = false;
  while (pos_ < text_.size()) {
    char c = text_[pos_];
    if (IsLineEnd(c)) {
      unterminated_ = true;
      return;
    }
    if (c == '\\') {
      pos_ += 2;
      continue;
    }
    ++pos_;
    if (c == '[') in_class = true;
    if (c == ']') in_class = false;
    if (c == '/' && !in_class) {
      while (pos_ < text_.size() && IsIdentifierPart(text_[pos_])) ++pos_;  // flags
      return;
    }
  }
  if (pos_ > text_.size()) pos_ = text_.size();
  unterminated_ = true;
}

void JsScanner::ScanNumber() {
  bool hex = At(pos_) == '0' && (At(pos_ + 1) == 'x' || At(pos_ + 1) == 'X');
  while (pos_ < text_.size() && (IsIdentifierPart(text_[pos_]) || text_[pos_] == '.')) {
    char c = text_[pos_++];
    if (!hex && (c == 'e' || c == 'E') && (At(pos_) == '+' || At(pos_) == '-')) ++pos_;
  }
}

void JsScanner::ScanIdentifier() {
  while (pos_ < text_.size() && IsIdentifierPart(text_[pos_])) {
    if (text_[pos_] == '\\') ++pos_;  // \uXXXX escape: the rest are identifier parts
    ++pos_;
  }
  if (pos_ > text_.size()) pos_ = text_.size();
}

JsToken JsScanner::Next() {
  while (pos_ < text_.size() &&
         (text_[pos_] == ' ' || text_[pos_] == '\t' || IsLineEnd(text_[pos_]) ||
          text_[pos_] == '\f' || text_[pos_] == '\v'))
    ++pos_;
  JsToken token;
  token.begin = pos_;
  unterminated_ = false;
  if (pos_ >= text_.size()) {
    token.kind = JsTokenKind::End;
    token.end = pos_;
    return token;
  }
  char c = text_[pos_];
  char next = At(pos_ + 1);
  if (c == '%' && next == '>') {
    token.kind = JsTokenKind::BlockClose;
    pos_ += 2;
  } else if (c == '/' && next == '/') {
    token.kind = JsTokenKind::LineComment;
    while (pos_ < text_.size() && !IsLineEnd(text_[pos_]) &&
           !(text_[pos_] == '%' && At(pos_ + 1) == '>'))
      ++pos_;
  } else if (c == '/' && next == '*') {
    token.kind = JsTokenKind::BlockComment;
    size_t close = text_.find("*/", pos_ + 2);
    unterminated_ = close == std::string_view::npos;
    pos_ = unterminated_ ? text_.size() : close + 2;
  } else if (c == '"' || c == '\'') {
    token.kind = JsTokenKind::String;
    ScanString(c);
  } else if (c == '/' && RegexAllowed()) {
    token.kind = JsTokenKind::Regex;
    ScanRegex();
  } else if ((c >= '0' && c <= '9') || (c == '.' && next >= '0' && next <= '9')) {
    token.kind = JsTokenKind::Number;
    ScanNumber();
  } else if (IsIdentifierStart(c)) {
    token.kind = JsTokenKind::Identifier;
    ScanIdentifier();
  } else {
    token.kind = JsTokenKind::Punctuator;
    pos_ += ((c == '+' || c == '-') && next == c) ? 2 : 1;
  }
  token.end = pos_;
  token.unterminated = unterminated_;
  if (token.kind != JsTokenKind::LineComment && token.kind != JsTokenKind::BlockComment)
    previous_ = token;
  return token;
}

}  // namespace korvex::script
