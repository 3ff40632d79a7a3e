// The search form: the criteria form (one row per searchable column, then the ORDER BY and
// TOP/DISTINCT rows) or the fast-search keyword box, posting back with the page code that
// shows the result as the editing list or the report.
#pragma once

#include <string>
#include <string_view>

namespace korvex {

class AdminRecordset;

/// Writes the form through RW and sets ActionPerformed to 128.
void RenderSearchForm(AdminRecordset& page);

/// The operator select of a text column: LIKE, =, <, >, after an empty option captioned
/// caption. Nothing is marked selected.
std::string BuildTextOperatorSelect(const AdminRecordset& page, std::string_view name,
                                    std::string_view caption);
/// The operator select of a number or date column: =, <>, <, <=, >, >=.
std::string BuildCompareOperatorSelect(const AdminRecordset& page, std::string_view name,
                                       std::string_view caption);

}  // namespace korvex
