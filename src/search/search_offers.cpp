// The column classes of the search form, by the published type numbers.
#include "search/search_offers.h"

#include "ado/ado_constants.h"

namespace korvex {

namespace t = ado::type;

CriterionKind CriterionKindOf(int32_t type, bool related) {
  if (related) return CriterionKind::Equals;
  switch (type) {
    case t::kBoolean:
      return CriterionKind::Equals;
    case t::kSmallInt:
    case t::kInteger:
    case t::kSingle:
    case t::kDouble:
    case t::kCurrency:
    case t::kNumeric:
    case t::kDate:
    case t::kDBTimeStamp:
    case t::kUnsignedTinyInt:
      return CriterionKind::Compare;
    case t::kGuid:
    case t::kChar:
    case t::kWChar:
    case t::kVarChar:
    case t::kVarWChar:
      return CriterionKind::Text;
    default:
      return CriterionKind::None;
  }
}

std::span<const OperatorOption> OperatorsOf(CriterionKind kind) {
  switch (kind) {
    case CriterionKind::Equals:
      return kEqualsOperator;
    case CriterionKind::Compare:
      return kCompareOperators;
    case CriterionKind::Text:
      return kTextOperators;
    case CriterionKind::None:
      break;
  }
  return {};
}

std::string_view ValueBoxSize(int32_t type) {
  if (type == t::kDate || type == t::kDBTimeStamp) return "11";
  if (type == t::kUnsignedTinyInt) return "3";
  return "5";
}

bool IsOrderable(int32_t type) {
  return CriterionKindOf(type, false) != CriterionKind::None;
}

}  // namespace korvex
