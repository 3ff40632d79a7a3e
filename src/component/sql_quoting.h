// The one way the component writes names and texts into SQL: an identifier between the page's
// separators with the closing separator doubled inside it, a text between single quotes with
// its quotes doubled. Whatever a name or value holds, it stays one identifier or one literal.
#pragma once

#include <string>
#include <string_view>

namespace korvex {

class SqlQuoting {
 public:
  SqlQuoting(std::string_view left, std::string_view right) : left_(left), right_(right) {}

  /// left + name + right, every right separator inside name doubled ("]]", """"). Without
  /// a right separator the name is written as it stands.
  std::string QuoteIdentifier(std::string_view name) const;
  /// 'text' with every single quote doubled.
  static std::string QuoteText(std::string_view text);

 private:
  std::string left_;
  std::string right_;
};

}  // namespace korvex
