// What the search form offers for each column, kept in one place: the form draws its operator
// selects, TOP options and ORDER BY list from here, and the criteria builder takes only what
// is listed here, so a posted value the form could not have offered never reaches SQL.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace korvex {

/// The row a column gets on the criteria form.
enum class CriterionKind {
  None,     // no row: long text, binary and the other types
  Equals,   // a related or boolean column: the operator is a hidden "="
  Compare,  // numbers and dates
  Text,     // the character types and GUIDs
};

struct OperatorOption {
  std::string_view value;
  std::string_view caption;  // markup, written as it stands
};

inline constexpr std::array<OperatorOption, 4> kTextOperators = {
    {{"LIKE", "LIKE"}, {"=", "="}, {"<", "&lt;"}, {">", "&gt;"}}};
inline constexpr std::array<OperatorOption, 6> kCompareOperators = {{{"=", "="},
                                                                     {"<>", "&lt;&gt;"},
                                                                     {"<", "&lt;"},
                                                                     {"<=", "&lt;="},
                                                                     {">", "&gt;"},
                                                                     {">=", "&gt;="}}};
inline constexpr std::array<OperatorOption, 1> kEqualsOperator = {{{"=", "="}}};

/// The sixteen TOP values, in the order the form lists them.
inline constexpr std::array<std::string_view, 16> kTopValues = {
    "TOP 1",          "TOP 3",          "TOP 6",          "TOP 10",
    "TOP 25",         "TOP 50",         "TOP 100",        "TOP 10 PERCENT",
    "TOP 20 PERCENT", "TOP 30 PERCENT", "TOP 40 PERCENT", "TOP 50 PERCENT",
    "TOP 60 PERCENT", "TOP 70 PERCENT", "TOP 80 PERCENT", "TOP 90 PERCENT"};
inline constexpr std::string_view kDistinct = "DISTINCT";
inline constexpr std::array<std::string_view, 2> kDirections = {"ASC", "DESC"};

/// A relation wins over the type: its select posts the related key with "=".
CriterionKind CriterionKindOf(int32_t type, bool related);
/// The operators a row of that kind offers; none for None.
std::span<const OperatorOption> OperatorsOf(CriterionKind kind);
/// The size attribute of a compare row's value box: "5" for numbers, "11" for dates, "3" for
/// unsigned tiny integers.
std::string_view ValueBoxSize(int32_t type);
/// Whether the ORDER BY select lists a column of that type (every type that gets a row of
/// its own).
bool IsOrderable(int32_t type);

}  // namespace korvex
