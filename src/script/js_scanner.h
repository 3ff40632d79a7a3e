// A tokenizer for the JavaScript inside page code blocks: just enough of the ES5 lexical
// grammar to tell strings, comments and regular expressions from code, so the page compiler
// can find where a block really ends and where its loops are. It does not parse.
#pragma once

#include <cstddef>
#include <string_view>

namespace korvex::script {

enum class JsTokenKind {
  Identifier,  // names and keywords
  Number,
  String,
  Regex,
  Punctuator,
  LineComment,
  BlockComment,
  BlockClose,  // "%>" outside strings, comments and regular expressions
  End,
};

struct JsToken {
  JsTokenKind kind = JsTokenKind::End;
  size_t begin = 0;  // offsets into the scanned text
  size_t end = 0;
  /// Strings and comments cut short by the end of the line or of the text.
  bool unterminated = false;
};

class JsScanner {
 public:
  /// Scans text from offset pos. A "%>" ends a line comment, as a line end would.
  explicit JsScanner(std::string_view text, size_t pos = 0) : text_(text), pos_(pos) {}

  /// The next token after white space; End at the end of the text.
  JsToken Next();
  size_t position() const { return pos_; }

 private:
  bool RegexAllowed() const;
  void ScanString(char quote);
  void ScanRegex();
  void ScanNumber();
  void ScanIdentifier();
  char At(size_t i) const { return i < text_.size() ? text_[i] : '\0'; }

  std::string_view text_;
  size_t pos_;
  bool unterminated_ = false;
  JsToken previous_{JsTokenKind::End, 0, 0};  // last token that is not a comment
};

}  // namespace korvex::script
