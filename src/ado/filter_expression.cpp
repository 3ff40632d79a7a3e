// The filter expression parser (recursive descent over the Jet tokens), its SQL writer and
// its in-memory evaluator. Both outputs come from the parsed tree, never from the text.
#include "ado/filter_expression.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <unordered_set>

#include "ado/ado_errors.h"
#include "ado/jet_sql.h"

namespace korvex::ado {

namespace {

// Deeper parentheses than any screen builds; bounds the parser's recursion.
constexpr int kMaxNesting = 100;

[[noreturn]] void RaiseBadFilter() {
  throw AutomationError(err::kInvalidArgument,
                        "Arguments are of the wrong type, are out of acceptable range, or are "
                        "in conflict with one another.",
                        "ADODB.Recordset");
}

// The comparison operators as written, in the order of FilterExpression::Op.
constexpr std::string_view kComparisons[] = {"=", "<>", "<", ">", "<=", ">="};

char Fold(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

// % matches any run of characters; everything else matches itself, ASCII letters in any case.
// Backtracks only to the last %, so the cost is at worst text length times pattern length.
bool LikeMatch(std::string_view text, std::string_view pattern) {
  size_t t = 0, p = 0;
  size_t star_p = std::string_view::npos, star_t = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '%') {
      star_p = p++;
      star_t = t;
    } else if (p < pattern.size() && Fold(pattern[p]) == Fold(text[t])) {
      ++p;
      ++t;
    } else if (star_p != std::string_view::npos) {
      p = star_p + 1;
      t = ++star_t;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '%') ++p;
  return p == pattern.size();
}

// What a value counts as against True or False; nothing when it is neither a number nor a
// boolean text, so it equals neither.
std::optional<bool> TruthOf(const Variant& v) {
  switch (v.type()) {
    case VarType::Boolean:
      return v.AsBool();
    case VarType::String:
      if (EqualsNoCase(v.AsString(), "True")) return true;
      if (EqualsNoCase(v.AsString(), "False")) return false;
      if (auto n = ParseNumber(v.AsString())) return *n != 0;
      return std::nullopt;
    default:
      return v.IsNumeric() ? std::optional<bool>(CDbl(v) != 0) : std::nullopt;
  }
}

std::string NumberLiteral(const Variant& v) {
  if (v.type() == VarType::Long) return std::to_string(v.AsLong());
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.17g", v.AsDouble());
  return buf;
}

// A LIKE pattern for the database: % stays the wildcard, while _ and the escape character
// are escaped, since they stand for themselves in a filter.
std::string SqlLikePattern(std::string_view pattern) {
  std::string out;
  out.reserve(pattern.size() + 4);
  for (char c : pattern) {
    if (c == '_' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

}  // namespace

class FilterExpression::Parser {
 public:
  Parser(std::string_view text, std::vector<Node>& nodes) : nodes_(nodes) {
    for (const JetToken& t : TokenizeJet(text))
      if (t.kind != JetTokenKind::Space) tokens_.push_back(t);
  }

  bool Empty() const { return tokens_.empty(); }

  int ParseAll() {
    int root = ParseOr(0);
    if (pos_ != tokens_.size()) RaiseBadFilter();
    return root;
  }

 private:
  const JetToken* Peek() const { return pos_ < tokens_.size() ? &tokens_[pos_] : nullptr; }
  const JetToken& Take() {
    if (pos_ >= tokens_.size()) RaiseBadFilter();
    return tokens_[pos_++];
  }
  bool TakeWord(std::string_view word) {
    const JetToken* t = Peek();
    if (!t || t->kind != JetTokenKind::Word || !EqualsNoCase(t->text, word)) return false;
    ++pos_;
    return true;
  }

  int Add(Node node) {
    nodes_.push_back(std::move(node));
    return static_cast<int>(nodes_.size() - 1);
  }

  // OR joins AND groups, as in SQL: "A AND B OR C" is "(A AND B) OR C".
  int ParseOr(int depth) {
    return ParseChain(Op::Or, "OR", [this, depth] { return ParseAnd(depth); });
  }
  int ParseAnd(int depth) {
    return ParseChain(Op::And, "AND", [this, depth] { return ParseClause(depth); });
  }

  template <class Operand>
  int ParseChain(Op op, std::string_view keyword, Operand operand) {
    Node chain{op, {}, {}, {operand()}};
    while (TakeWord(keyword)) chain.children.push_back(operand());
    return chain.children.size() == 1 ? chain.children[0] : Add(std::move(chain));
  }

  int ParseClause(int depth) {
    const JetToken& t = Take();
    if (t.kind == JetTokenKind::Punct && t.text == "(") {
      if (depth >= kMaxNesting) RaiseBadFilter();
      int inner = ParseOr(depth + 1);
      const JetToken& close = Take();
      if (close.kind != JetTokenKind::Punct || close.text != ")") RaiseBadFilter();
      return inner;
    }
    Node node{Op::Eq, FieldName(t), {}, {}};
    node.op = ParseOperator();
    ParseValue(node);
    return Add(std::move(node));
  }

  static std::string FieldName(const JetToken& t) {
    if (t.kind == JetTokenKind::BracketName && t.closed && t.text.size() > 2)
      return TokenContents(t);
    if (t.kind == JetTokenKind::Word) {
      for (std::string_view keyword : {"AND", "OR", "LIKE", "NULL"})
        if (EqualsNoCase(t.text, keyword)) RaiseBadFilter();
      return std::string(t.text);
    }
    RaiseBadFilter();
  }

  Op ParseOperator() {
    const JetToken& t = Take();
    if (t.kind == JetTokenKind::Word && EqualsNoCase(t.text, "LIKE")) return Op::Like;
    if (t.kind == JetTokenKind::Punct) {
      for (Op op : {Op::Eq, Op::Ne, Op::Lt, Op::Gt, Op::Le, Op::Ge})
        if (t.text == kComparisons[static_cast<int>(op)]) return op;
    }
    RaiseBadFilter();
  }

  void ParseValue(Node& node) {
    const JetToken& t = Take();
    if (node.op == Op::Like) {
      if (t.kind != JetTokenKind::Text || !t.closed) RaiseBadFilter();
      std::string pattern = TokenContents(t);
      for (char& c : pattern)
        if (c == '*') c = '%';
      node.value = Variant(std::move(pattern));
      return;
    }
    switch (t.kind) {
      case JetTokenKind::Text:
        if (!t.closed) RaiseBadFilter();
        node.value = Variant(TokenContents(t));
        return;
      case JetTokenKind::Date:
        if (auto date = ParseDateLiteral(t.text.substr(1, t.text.size() - 2))) {
          node.value = Variant(*date);
          return;
        }
        RaiseBadFilter();
      case JetTokenKind::Word:
        if (EqualsNoCase(t.text, "True") || EqualsNoCase(t.text, "False")) {
          node.value = Variant(EqualsNoCase(t.text, "True"));
          return;
        }
        if (EqualsNoCase(t.text, "Null")) {
          if (node.op != Op::Eq && node.op != Op::Ne) RaiseBadFilter();
          node.op = node.op == Op::Eq ? Op::IsNull : Op::IsNotNull;
          return;
        }
        RaiseBadFilter();
      default:
        --pos_;
        node.value = ParseNumberValue();
    }
  }

  // [+|-] [$] digits[.digits][e[+|-]digits]
  Variant ParseNumberValue() {
    bool negative = false;
    const JetToken* t = &Take();
    if (t->kind == JetTokenKind::Punct && (t->text == "-" || t->text == "+")) {
      negative = t->text == "-";
      t = &Take();
    }
    if (t->kind == JetTokenKind::Punct && t->text == "$") t = &Take();
    if (t->kind != JetTokenKind::Number) RaiseBadFilter();
    std::string digits(t->text);
    double value = std::strtod(digits.c_str(), nullptr);
    if (!std::isfinite(value)) RaiseBadFilter();
    if (negative) value = -value;
    if (value == std::trunc(value) && std::fabs(value) <= 2147483647.0)
      return Variant(static_cast<int32_t>(value));
    return Variant(value);
  }

  std::vector<Node>& nodes_;
  std::vector<JetToken> tokens_;
  size_t pos_ = 0;
};

FilterExpression FilterExpression::Parse(std::string_view text) {
  FilterExpression expr;
  Parser parser(text, expr.nodes_);
  if (!parser.Empty()) expr.root_ = parser.ParseAll();
  return expr;
}

std::string FilterExpression::ToSqlCondition(const SqlDialect& dialect) const {
  std::string out;
  if (root_ >= 0) AppendSql(root_, dialect, out);
  return out;
}

void FilterExpression::AppendSql(int index, const SqlDialect& dialect, std::string& out) const {
  const Node& node = nodes_[index];
  if (node.op == Op::And || node.op == Op::Or) {
    out += '(';
    for (size_t i = 0; i < node.children.size(); ++i) {
      if (i > 0) out += node.op == Op::And ? " AND " : " OR ";
      AppendSql(node.children[i], dialect, out);
    }
    out += ')';
    return;
  }
  out +=
      node.op == Op::Like ? dialect.LikeSubject(node.field) : dialect.QuoteIdentifier(node.field);
  switch (node.op) {
    case Op::IsNull:
      out += " IS NULL";
      return;
    case Op::IsNotNull:
      out += " IS NOT NULL";
      return;
    case Op::Like:
      out.append(" ").append(dialect.like_operator).append(" ");
      out += dialect.QuoteText(SqlLikePattern(node.value.AsString()));
      out += " ESCAPE '\\'";
      return;
    default:
      out.append(" ").append(kComparisons[static_cast<int>(node.op)]).append(" ");
      break;
  }
  switch (node.value.type()) {
    case VarType::String:
      out += dialect.QuoteText(node.value.AsString());
      break;
    case VarType::Date:
      out += dialect.DateLiteral(DateValue{node.value.AsDouble()});
      break;
    case VarType::Boolean:
      out += dialect.BooleanLiteral(node.value.AsBool());
      break;
    default:
      out += NumberLiteral(node.value);
      break;
  }
}

bool FilterExpression::Matches(
    const std::function<Variant(std::string_view field_name)>& field) const {
  return root_ < 0 || Eval(root_, field);
}

bool FilterExpression::Eval(int index,
                            const std::function<Variant(std::string_view)>& field) const {
  const Node& node = nodes_[index];
  if (node.op == Op::And) {
    for (int child : node.children)
      if (!Eval(child, field)) return false;
    return true;
  }
  if (node.op == Op::Or) {
    for (int child : node.children)
      if (Eval(child, field)) return true;
    return false;
  }
  Variant value = field(node.field);
  if (node.op == Op::IsNull) return value.IsNull();
  if (node.op == Op::IsNotNull) return !value.IsNull();
  if (value.IsNull()) return false;
  if (node.op == Op::Like) return LikeMatch(TextOrEmpty(value), node.value.AsString());
  if (node.value.type() == VarType::Boolean && (node.op == Op::Eq || node.op == Op::Ne)) {
    // Booleans come back from SQLite as 1/0 and from a page as True/False; compare truth.
    auto truth = TruthOf(value);
    bool equal = truth && *truth == node.value.AsBool();
    return node.op == Op::Eq ? equal : !equal;
  }
  auto order = CompareVariants(value, node.value);
  if (!order) return false;
  switch (node.op) {
    case Op::Eq:
      return *order == 0;
    case Op::Ne:
      return *order != 0;
    case Op::Lt:
      return *order < 0;
    case Op::Gt:
      return *order > 0;
    case Op::Le:
      return *order <= 0;
    case Op::Ge:
      return *order >= 0;
    default:
      return false;
  }
}

std::vector<std::string> FilterExpression::FieldNames() const {
  std::vector<std::string> names;
  std::unordered_set<std::string> seen;
  for (const Node& node : nodes_) {
    if (node.op == Op::And || node.op == Op::Or) continue;
    if (seen.insert(FoldCase(node.field)).second) names.push_back(node.field);
  }
  return names;
}

}  // namespace korvex::ado
