// The schema dumps: the provider's schema rowsets written as tables, each under a heading.
// A kind the provider cannot answer leaves its error number and description under its
// heading, and the dump goes on with the next kind.
#pragma once

#include <cstdint>
#include <string_view>

namespace korvex {

class AdminRecordset;

/// Every published schema kind, in the order of their names, each titled with its name. The
/// page's script time-out is raised to 1200 seconds for the duration and put back after.
void DisplaySchemas(AdminRecordset& page);

/// "<h3>" + title + "</h3>", then the unrestricted rowset of kind (or its failure, opening
/// the shared connection included).
void DisplaySchema(AdminRecordset& page, int32_t kind, std::string_view title);

/// The nine rowsets that concern the stored recordset name, each restricted to that name.
/// A failing open of the shared connection is raised; a failing kind is not.
void DisplayRecordsetSchemas(AdminRecordset& page);

}  // namespace korvex
