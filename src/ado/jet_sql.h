// The Jet-SQL front end: every statement the system or a page sends is rewritten here into the
// backend's dialect, on tokens, never by matching raw text. The tokenizer is shared with the
// filter expression parser.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ado/sql_dialect.h"

namespace korvex::ado {

/// Rewrites, outside string literals, quoted names and comments:
/// - [name] -> the dialect's quoted name;
/// - #3/14/2003#, #2003-03-14#, #2003-03-14 15:04:09# -> the dialect's date literal
///   (a #...# that is no valid date passes unchanged, and the database reports it);
/// - the keywords True and False -> the dialect's boolean literals;
/// - LIKE -> the dialect's case-insensitive LIKE (Jet compares without regard to case);
/// - SELECT [DISTINCT] TOP n [PERCENT] -> a row limit at the end of that SELECT's own level
///   (a parenthesised subquery keeps its own); TOP n PERCENT keeps ceil(count * n / 100) rows
///   of the same SELECT (distinct rows with DISTINCT); a TOP in one member of a UNION limits
///   that member only. Rows tied with the last one under ORDER BY are not added: the limit
///   is exact.
/// - & (text concatenation) -> || (a Null operand then gives Null, where Jet would skip it);
/// - a bare name the resolver knows (a word not followed by "(") -> the resolver's spelling,
///   quoted: Jet finds names without regard to case, a backend that folds unquoted names
///   does not.
/// Everything else (Jet functions, * in LIKE patterns) passes unchanged, so the database
/// reports what it does not understand. One pass over the tokens.
using NameResolver = std::function<std::optional<std::string>(std::string_view word)>;
std::string TranslateJetSql(std::string_view sql, const SqlDialect& dialect,
                            const NameResolver& resolve = {});

enum class JetTokenKind {
  Space,        // blanks, tabs, line breaks
  Comment,      // -- to the end of the line, or /* ... */
  Word,         // identifier or keyword
  Number,       // 12, 1.5, .5, 1e3
  Text,         // 'it''s'
  QuotedName,   // "name"
  BracketName,  // [name with blanks]
  Date,         // #...# (contents not yet checked: see ParseDateLiteral)
  Punct,        // ( ) , ; . * = < > <= >= <> != || and any other single character
};

struct JetToken {
  JetTokenKind kind;
  std::string_view text;  // the token as written, delimiters included
  /// False for a text, name or comment that runs to the end of the input without its
  /// closing delimiter.
  bool closed = true;
};

/// Splits Jet SQL (or a filter expression) into tokens; concatenating their texts gives the
/// input back byte for byte.
std::vector<JetToken> TokenizeJet(std::string_view sql);

/// The contents of a Text, QuotedName or BracketName token: delimiters removed, doubled
/// quotes undone.
std::string TokenContents(const JetToken& token);

}  // namespace korvex::ado
