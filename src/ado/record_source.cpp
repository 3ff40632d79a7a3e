// What a recordset's source text means: a table name or a query, and whether its rows can be
// ordered and found by row id. Decided on tokens, never on raw text.
#include <array>

#include "ado/jet_sql.h"
#include "ado/row_store.h"

namespace korvex::ado {

namespace {

struct Significant {
  JetToken token;
  size_t offset;
};

std::vector<Significant> SignificantTokens(std::string_view sql) {
  std::vector<Significant> out;
  size_t offset = 0;
  for (const JetToken& t : TokenizeJet(sql)) {
    if (t.kind != JetTokenKind::Space && t.kind != JetTokenKind::Comment)
      out.push_back({t, offset});
    offset += t.text.size();
  }
  return out;
}

bool IsWord(const JetToken& t, std::string_view word) {
  return t.kind == JetTokenKind::Word && EqualsNoCase(t.text, word);
}

bool IsPunct(const JetToken& t, std::string_view p) {
  return t.kind == JetTokenKind::Punct && t.text == p;
}

template <size_t N>
bool IsAnyWord(const JetToken& t, const std::array<std::string_view, N>& words) {
  for (std::string_view w : words)
    if (IsWord(t, w)) return true;
  return false;
}

constexpr std::array<std::string_view, 7> kAggregates = {"COUNT", "SUM",   "AVG",         "MIN",
                                                         "MAX",   "TOTAL", "GROUP_CONCAT"};
// Words after which rows are no longer those of one table, in their natural order.
constexpr std::array<std::string_view, 9> kShapeChangers = {
    "GROUP", "ORDER", "LIMIT", "UNION", "INTERSECT", "EXCEPT", "HAVING", "WINDOW", "JOIN"};
constexpr std::array<std::string_view, 12> kNotAnAlias = {"WHERE", "INNER",   "LEFT",    "RIGHT",
                                                          "FULL",  "CROSS",   "NATURAL", "ON",
                                                          "USING", "INDEXED", "NOT",     "JOIN"};

bool IsName(const JetToken& t) {
  return t.kind == JetTokenKind::Word || t.kind == JetTokenKind::QuotedName ||
         t.kind == JetTokenKind::BracketName;
}

std::string NameOf(const JetToken& t) {
  return t.kind == JetTokenKind::Word ? std::string(t.text) : TokenContents(t);
}

struct SimpleSelect {
  size_t from_offset;
  std::string table;
  std::string qualifier;  // as written: the alias, or the table token
};

// SELECT <list> FROM <table> [[AS] alias] [WHERE ...], and nothing that groups, orders,
// limits, joins or aggregates.
std::optional<SimpleSelect> AnalyzeSimpleSelect(std::string_view sql) {
  std::vector<Significant> s = SignificantTokens(sql);
  size_t n = s.size();
  if (n < 4 || !IsWord(s[0].token, "SELECT") || IsWord(s[1].token, "DISTINCT")) return std::nullopt;
  int depth = 0;
  size_t from = 0;
  for (size_t i = 1; i < n && from == 0; ++i) {
    const JetToken& t = s[i].token;
    if (IsPunct(t, "(")) ++depth;
    if (IsPunct(t, ")")) --depth;
    if (IsWord(t, "OVER")) return std::nullopt;
    if (IsAnyWord(t, kAggregates) && i + 1 < n && IsPunct(s[i + 1].token, "(")) return std::nullopt;
    if (depth == 0 && IsWord(t, "FROM")) from = i;
    if (depth == 0 && IsAnyWord(t, kShapeChangers)) return std::nullopt;
  }
  if (from == 0 || from + 1 >= n || !IsName(s[from + 1].token)) return std::nullopt;
  SimpleSelect result{s[from].offset, NameOf(s[from + 1].token),
                      std::string(s[from + 1].token.text)};
  size_t i = from + 2;
  if (i < n && IsPunct(s[i].token, ".")) return std::nullopt;  // schema-qualified
  if (i + 1 < n && IsWord(s[i].token, "AS") && IsName(s[i + 1].token)) {
    result.qualifier = s[i + 1].token.text;
    i += 2;
  } else if (i < n && IsName(s[i].token) && !IsAnyWord(s[i].token, kNotAnAlias) &&
             !IsAnyWord(s[i].token, kShapeChangers)) {
    result.qualifier = s[i].token.text;
    ++i;
  }
  if (i == n) return result;
  if (!IsWord(s[i].token, "WHERE")) return std::nullopt;
  depth = 0;
  for (++i; i < n; ++i) {
    const JetToken& t = s[i].token;
    if (IsPunct(t, "(")) ++depth;
    if (IsPunct(t, ")")) --depth;
    if (depth == 0 && (IsAnyWord(t, kShapeChangers) || IsPunct(t, ";"))) return std::nullopt;
  }
  return result;
}

}  // namespace

std::string TrimStatement(std::string_view sql) {
  std::vector<JetToken> tokens = TokenizeJet(sql);
  size_t end = sql.size();
  for (auto it = tokens.rbegin(); it != tokens.rend(); ++it) {
    bool droppable =
        it->kind == JetTokenKind::Space || it->kind == JetTokenKind::Comment || IsPunct(*it, ";");
    if (!droppable) break;
    end -= it->text.size();
  }
  size_t begin = 0;
  for (const JetToken& t : tokens) {
    if (t.kind != JetTokenKind::Space && t.kind != JetTokenKind::Comment) break;
    begin += t.text.size();
  }
  return begin < end ? std::string(sql.substr(begin, end - begin)) : std::string();
}

std::optional<std::string> TableNameOf(std::string_view source, int32_t options) {
  std::vector<Significant> s = SignificantTokens(source);
  if (options == 2 || options == 512) {
    if (s.size() == 1 && s[0].token.kind != JetTokenKind::Word) return NameOf(s[0].token);
    std::string name = TrimStatement(source);
    return name;
  }
  if (s.size() == 1 && IsName(s[0].token) && !IsWord(s[0].token, "SELECT"))
    return NameOf(s[0].token);
  return std::nullopt;
}

const std::optional<TableInfo>& TableLookup::Describe(std::string_view name) {
  auto [it, inserted] = tables_.try_emplace(FoldCase(name));
  if (inserted) it->second = session_.DescribeTable(name);
  return it->second;
}

std::shared_ptr<RecordSource> TableSource(TableLookup& tables, std::string_view table) {
  auto source = std::make_shared<RecordSource>();
  const std::optional<TableInfo>& info = tables.Describe(table);
  std::string quoted = tables.session().Dialect().QuoteIdentifier(info ? info->name : table);
  source->count_from = quoted;
  if (info && info->rowid) {
    source->base =
        "SELECT *, " + *info->rowid + " AS " + std::string(kQuotedRowIdColumn) + " FROM " + quoted;
    source->row_ordered = true;
  } else {
    source->base = "SELECT * FROM " + quoted;
  }
  if (info && info->kind == TableKind::Table) {
    source->write_table = info->name;
    source->write_info = info;
  }
  return source;
}

std::shared_ptr<RecordSource> QuerySource(TableLookup& tables, std::string_view sql) {
  auto source = std::make_shared<RecordSource>();
  source->base = TrimStatement(sql);
  source->count_from = "(" + source->base + ") AS korvex_count";
  if (auto simple = AnalyzeSimpleSelect(source->base)) {
    const std::optional<TableInfo>& info = tables.Describe(simple->table);
    if (info && info->rowid) {
      std::string& base = source->base;
      base = base.substr(0, simple->from_offset) + ", " + simple->qualifier + "." + *info->rowid +
             " AS " + std::string(kQuotedRowIdColumn) + " " + base.substr(simple->from_offset);
      source->row_ordered = true;
    }
  }
  return source;
}

}  // namespace korvex::ado
