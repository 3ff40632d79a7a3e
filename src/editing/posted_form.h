// How the write path reads the posted edit form.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "component/admin_recordset.h"
#include "host/intrinsics.h"

namespace korvex {

/// The posted value of name as text, "" when absent. Only the form's own fields are read: a
/// name missing from it (an unticked checkbox, a transparent field) must read as empty,
/// never as a cookie or server variable that happens to share the name.
inline std::string PostedText(AdminRecordset& page, std::string_view name) {
  return page.Request().Form().Get(name).value_or("");
}

/// Every posted value of a multi-valued name, in posted order.
inline std::vector<std::string> PostedValues(AdminRecordset& page, std::string_view name) {
  return page.Request().Form().Values(name);
}

}  // namespace korvex
