// Jet-SQL to backend SQL: a tokenizer, one pass that finds each SELECT's extent and TOP
// clause, and one pass that writes the tokens back with the dialect's spellings.
#include "ado/jet_sql.h"

#include <limits>

namespace korvex::ado {

namespace {

constexpr size_t kNone = std::numeric_limits<size_t>::max();
// Longest #...# still taken as a date literal; keeps a stray # from swallowing a statement.
constexpr size_t kMaxDateLiteral = 40;

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsWordStart(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}
bool IsWordChar(char c) {
  return IsWordStart(c) || IsDigit(c) || c == '$';
}

// Index one past a literal opened at `start` by `quote`, where a doubled quote stands for
// itself; kNone when the input ends first.
size_t EndOfQuoted(std::string_view s, size_t start, char quote) {
  for (size_t j = start + 1; j < s.size(); ++j) {
    if (s[j] != quote) continue;
    if (j + 1 < s.size() && s[j + 1] == quote) {
      ++j;
      continue;
    }
    return j + 1;
  }
  return kNone;
}

size_t EndOfNumber(std::string_view s, size_t i) {
  while (i < s.size() && IsDigit(s[i])) ++i;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && IsDigit(s[i])) ++i;
  }
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    if (j < s.size() && IsDigit(s[j])) {
      while (j < s.size() && IsDigit(s[j])) ++j;
      i = j;
    }
  }
  return i;
}

// A # opens a date literal only when a closing # follows soon, on the same line, with
// nothing in between that belongs to another token.
size_t EndOfDate(std::string_view s, size_t start) {
  for (size_t j = start + 1; j < s.size() && j - start <= kMaxDateLiteral; ++j) {
    char c = s[j];
    if (c == '#') return j > start + 1 ? j + 1 : kNone;
    if (c == '\n' || c == '\r' || c == '\'' || c == '"' || c == '[' || c == ']') break;
  }
  return kNone;
}

size_t PunctLength(std::string_view s, size_t i) {
  static constexpr std::string_view kPairs[] = {"<=", ">=", "<>", "!=", "||", "=="};
  for (std::string_view pair : kPairs)
    if (s.substr(i, 2) == pair) return 2;
  return 1;
}

}  // namespace

std::vector<JetToken> TokenizeJet(std::string_view s) {
  std::vector<JetToken> tokens;
  size_t i = 0;
  auto add = [&](JetTokenKind kind, size_t end, bool closed = true) {
    if (end == kNone) {
      end = s.size();
      closed = false;
    }
    tokens.push_back({kind, s.substr(i, end - i), closed});
    i = end;
  };
  while (i < s.size()) {
    char c = s[i];
    char next = i + 1 < s.size() ? s[i + 1] : '\0';
    if (IsSpace(c)) {
      size_t j = i;
      while (j < s.size() && IsSpace(s[j])) ++j;
      add(JetTokenKind::Space, j);
    } else if (c == '-' && next == '-') {
      add(JetTokenKind::Comment, std::min(s.find('\n', i), s.size()));
    } else if (c == '/' && next == '*') {
      size_t close = s.find("*/", i + 2);
      add(JetTokenKind::Comment, close == std::string_view::npos ? kNone : close + 2);
    } else if (c == '\'') {
      add(JetTokenKind::Text, EndOfQuoted(s, i, '\''));
    } else if (c == '"') {
      add(JetTokenKind::QuotedName, EndOfQuoted(s, i, '"'));
    } else if (c == '[') {
      // "]]" inside brackets is a "]" of the name, as "" is a quote inside double quotes.
      add(JetTokenKind::BracketName, EndOfQuoted(s, i, ']'));
    } else if (c == '#' && EndOfDate(s, i) != kNone) {
      add(JetTokenKind::Date, EndOfDate(s, i));
    } else if (IsDigit(c) || (c == '.' && IsDigit(next))) {
      add(JetTokenKind::Number, EndOfNumber(s, i));
    } else if (IsWordStart(c)) {
      size_t j = i + 1;
      while (j < s.size() && IsWordChar(s[j])) ++j;
      add(JetTokenKind::Word, j);
    } else {
      add(JetTokenKind::Punct, i + PunctLength(s, i));
    }
  }
  return tokens;
}

std::string TokenContents(const JetToken& token) {
  std::string_view body = token.text.substr(1);
  if (token.closed && !body.empty()) body.remove_suffix(1);
  char quote = token.kind == JetTokenKind::BracketName ? ']' : token.text.front();
  std::string out;
  out.reserve(body.size());
  for (size_t i = 0; i < body.size(); ++i) {
    out += body[i];
    if (body[i] == quote && i + 1 < body.size() && body[i + 1] == quote) ++i;
  }
  return out;
}

namespace {

bool IsWord(const JetToken& t, std::string_view word) {
  return t.kind == JetTokenKind::Word && EqualsNoCase(t.text, word);
}
bool IsPunct(const JetToken& t, std::string_view p) {
  return t.kind == JetTokenKind::Punct && t.text == p;
}
bool IsTrivia(const JetToken& t) {
  return t.kind == JetTokenKind::Space || t.kind == JetTokenKind::Comment;
}
bool IsWholeNumber(const JetToken& t) {
  if (t.kind != JetTokenKind::Number) return false;
  for (char c : t.text)
    if (!IsDigit(c)) return false;
  return true;
}

class Translator {
 public:
  Translator(std::string_view sql, const SqlDialect& dialect, const NameResolver& resolve)
      : dialect_(dialect),
        resolve_(resolve),
        tokens_(TokenizeJet(sql)),
        drop_(tokens_.size(), false),
        level_at_(tokens_.size(), -1) {}

  std::string Run() {
    FindLevels();
    std::string out;
    out.reserve(tokens_.size() * 8);
    EmitRange(0, tokens_.size(), out);
    return out;
  }

 private:
  // One SELECT and the tokens up to where its own level ends: the ")" of its parentheses,
  // a ";", a UNION, or the end of the text.
  struct Level {
    size_t start = kNone;  // the SELECT token
    size_t count = kNone;  // the number after TOP; kNone when there is no TOP
    bool percent = false;
    bool compound = false;    // one member of a UNION
    size_t order = kNone;     // ORDER of an ORDER BY at this level
    size_t body_end = kNone;  // one past the last token the row limit follows
  };
  // An open parenthesis (or the statement itself) and the SELECT level current in it.
  struct Group {
    int current = -1;
    bool after_union = false;
  };

  size_t NextSignificant(size_t i) const {
    for (++i; i < tokens_.size(); ++i)
      if (!IsTrivia(tokens_[i])) return i;
    return kNone;
  }
  size_t PreviousSignificant(size_t i) const {
    while (i-- > 0)
      if (!IsTrivia(tokens_[i])) return i;
    return kNone;
  }

  void FindLevels() {
    std::vector<Group> groups(1);
    for (size_t i = 0; i < tokens_.size(); ++i) {
      const JetToken& t = tokens_[i];
      Group& group = groups.back();
      if (IsPunct(t, "(")) {
        groups.emplace_back();
      } else if (IsPunct(t, ")") || IsPunct(t, ";")) {
        Close(group, i);
        if (groups.size() > 1 && t.text == ")")
          groups.pop_back();
        else
          group = Group{};
      } else if (IsWord(t, "SELECT")) {
        Close(group, i);
        group.current = OpenLevel(i, group.after_union);
        group.after_union = false;
      } else if (IsWord(t, "UNION") || IsWord(t, "INTERSECT") || IsWord(t, "EXCEPT")) {
        if (group.current >= 0) levels_[group.current].compound = true;
        Close(group, i);
        group.after_union = true;
      } else if (IsWord(t, "ORDER") && group.current >= 0) {
        size_t by = NextSignificant(i);
        if (by != kNone && IsWord(tokens_[by], "BY")) levels_[group.current].order = i;
      }
    }
    while (!groups.empty()) {
      Close(groups.back(), tokens_.size());
      groups.pop_back();
    }
  }

  int OpenLevel(size_t select, bool compound) {
    Level level;
    level.start = select;
    level.compound = compound;
    size_t i = NextSignificant(select);
    if (i != kNone && (IsWord(tokens_[i], "DISTINCT") || IsWord(tokens_[i], "DISTINCTROW") ||
                       IsWord(tokens_[i], "ALL")))
      i = NextSignificant(i);
    if (i == kNone || !IsWord(tokens_[i], "TOP")) return -1;
    size_t count = NextSignificant(i);
    if (count == kNone || !IsWholeNumber(tokens_[count])) return -1;
    size_t percent = NextSignificant(count);
    level.count = count;
    level.percent = percent != kNone && IsWord(tokens_[percent], "PERCENT");
    DropWithSpace(i);
    DropWithSpace(count);
    if (level.percent) DropWithSpace(percent);
    levels_.push_back(level);
    level_at_[select] = static_cast<int>(levels_.size() - 1);
    return level_at_[select];
  }

  // Only levels with a TOP are recorded; the others need no rewrite of their own.
  void Close(Group& group, size_t end) {
    if (group.current < 0) return;
    Level& level = levels_[group.current];
    // An ORDER BY after the last member of a UNION sorts the whole union, so it stays
    // outside the member's own limit.
    size_t stop = level.compound && level.order != kNone ? level.order : end;
    level.body_end = PreviousSignificant(stop) + 1;
    group.current = -1;
  }

  void DropWithSpace(size_t i) {
    drop_[i] = true;
    if (i + 1 < tokens_.size() && tokens_[i + 1].kind == JetTokenKind::Space) drop_[i + 1] = true;
  }

  void EmitRange(size_t begin, size_t end, std::string& out) const {
    for (size_t i = begin; i < end;) {
      int level = level_at_[i];
      if (level < 0) {
        EmitToken(i++, out);
        continue;
      }
      EmitLevel(levels_[level], out);
      i = levels_[level].body_end;
    }
  }

  void EmitLevel(const Level& level, std::string& out) const {
    std::string body;
    EmitToken(level.start, body);
    EmitRange(level.start + 1, level.body_end, body);
    std::string_view count = tokens_[level.count].text;
    if (level.compound) out += "SELECT * FROM (";
    out += body;
    if (level.percent) {
      // Whole rows only, rounding up: 10 percent of 25 rows is 3 rows.
      std::string expr = "(SELECT (COUNT(*) * ";
      expr.append(count).append(" + 99) / 100 FROM (").append(body).append(") AS top_count)");
      out += dialect_.RowLimit(expr);
    } else {
      out += dialect_.RowLimit(count);
    }
    if (level.compound) out += ") AS top_rows";
  }

  void EmitToken(size_t i, std::string& out) const {
    if (drop_[i]) return;
    const JetToken& t = tokens_[i];
    switch (t.kind) {
      case JetTokenKind::BracketName:
        if (t.closed) return void(out += dialect_.QuoteIdentifier(TokenContents(t)));
        break;
      case JetTokenKind::Date:
        if (auto date = ParseDateLiteral(t.text.substr(1, t.text.size() - 2)))
          return void(out += dialect_.DateLiteral(*date));
        break;
      case JetTokenKind::Word:
        if (EqualsNoCase(t.text, "True")) return void(out += dialect_.true_literal);
        if (EqualsNoCase(t.text, "False")) return void(out += dialect_.false_literal);
        if (EqualsNoCase(t.text, "LIKE")) return void(out += dialect_.like_operator);
        if (resolve_) {
          // A word before "(" calls a function, unless it names the table of an INSERT's
          // column list (or of a definition).
          size_t next = NextSignificant(i), previous = PreviousSignificant(i);
          bool call = next != kNone && IsPunct(tokens_[next], "(") &&
                      !(previous != kNone &&
                        (IsWord(tokens_[previous], "INTO") || IsWord(tokens_[previous], "TABLE") ||
                         IsWord(tokens_[previous], "REFERENCES")));
          if (!call)
            if (auto name = resolve_(t.text)) return void(out += dialect_.QuoteIdentifier(*name));
        }
        break;
      case JetTokenKind::Punct:
        // Jet has no bitwise &, while SQLite and PostgreSQL read it as one.
        if (t.text == "&") return void(out += "||");
        break;
      default:
        break;
    }
    out += t.text;
  }

  const SqlDialect& dialect_;
  const NameResolver& resolve_;
  std::vector<JetToken> tokens_;
  std::vector<bool> drop_;
  std::vector<int> level_at_;  // per token: the TOP level starting there, or -1
  std::vector<Level> levels_;
};

}  // namespace

std::string TranslateJetSql(std::string_view sql, const SqlDialect& dialect,
                            const NameResolver& resolve) {
  return Translator(sql, dialect, resolve).Run();
}

}  // namespace korvex::ado
