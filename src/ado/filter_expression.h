// The ADO filter expression language (Recordset.Filter, relation and many-to-many filters):
// parsed once, then either pushed down to the database as a WHERE condition or evaluated
// in memory against a row. Recordset decides which; this file knows no recordset.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ado/sql_dialect.h"
#include "core/variant.h"

namespace korvex::ado {

/// Grammar, keywords in any case, AND binding tighter than OR:
///   expression := clause { (AND | OR) clause }
///   clause     := "(" expression ")" | name operator value
///   name       := [any text but "]"] | identifier
///   operator   := = | <> | < | > | <= | >= | LIKE
///   value      := 'text' (quotes doubled) | #date# | number ($ and sign allowed)
///                 | True | False | Null (only with = and <>: IS NULL / IS NOT NULL)
/// LIKE patterns: * and % both match any run of characters, anywhere in the pattern; every
/// other character, _ included, stands for itself; letters match without regard to ASCII case.
///
/// No filter: an empty or blank text parses to an empty expression (IsEmpty()), whose SQL
/// condition is "" and which matches every row. The numeric filter 0 (adFilterNone) is the
/// caller's to turn into that before parsing; any other number is no filter text.
///
/// Unknown field names: Parse does not know the fields. The caller checks FieldNames()
/// against the recordset when the filter is set and raises 3265 itself.
class FilterExpression {
 public:
  FilterExpression() = default;

  /// Raises AutomationError 3001 "Arguments are of the wrong type, are out of acceptable
  /// range, or are in conflict with one another." on any text outside the grammar.
  static FilterExpression Parse(std::string_view text);

  bool IsEmpty() const noexcept { return nodes_.empty(); }

  /// A condition for a WHERE clause: every name quoted and every value written as a literal
  /// by the dialect, each AND/OR parenthesised. "" for an empty expression.
  std::string ToSqlCondition(const SqlDialect& dialect) const;

  /// Whether a row passes. `field` gives a field's value by the name written in the filter.
  /// Comparisons follow CompareVariants; a Null value fails every comparison but = Null.
  bool Matches(const std::function<Variant(std::string_view field_name)>& field) const;

  /// The field names in order of first appearance, as written (brackets removed), each once
  /// (names differing only in case count as one, as field lookup ignores case).
  std::vector<std::string> FieldNames() const;

 private:
  enum class Op { Eq, Ne, Lt, Gt, Le, Ge, Like, IsNull, IsNotNull, And, Or };
  struct Node {
    Op op;
    std::string field;          // comparisons only
    Variant value;              // comparisons only: a Date, String, Boolean or number; LIKE's
                                // pattern with * already turned into %
    std::vector<int> children;  // And / Or only: two or more indexes into nodes_, so a long
                                // chain of clauses never nests deeper than its parentheses
  };
  class Parser;

  bool Eval(int index, const std::function<Variant(std::string_view)>& field) const;
  void AppendSql(int index, const SqlDialect& dialect, std::string& out) const;

  std::vector<Node> nodes_;
  int root_ = -1;
};

}  // namespace korvex::ado
