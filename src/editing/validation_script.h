// The browser script of the edit form: the check functions its settings and fields call for,
// and Form_OnSubmit, which runs them field by field before the form is posted.
#pragma once

#include <string>

namespace korvex {

class AdminRecordset;
namespace ado {
class Recordset;
}

/// The whole script block, for the fields of recordset.
std::string ValidationScript(AdminRecordset& page, ado::Recordset& recordset);

}  // namespace korvex
