// The in-use test: the columns schema rowset finds the tables with a column of each file
// field's name, and one query per table looks for the file name in it.
#include "fileman/in_use.h"

#include <vector>

#include "ado/ado_constants.h"
#include "ado/connection.h"
#include "ado/field.h"
#include "ado/recordset.h"
#include "component/admin_recordset.h"

namespace korvex {

namespace {

std::string FieldText(ado::Recordset& rows, const char* name) {
  return TextOrEmpty(rows.Fields().Item(Variant(name))->Value());
}

bool ColumnHolds(AdminRecordset& page, const std::string& table, const std::string& column,
                 std::string_view file_name) {
  const SqlQuoting quoting = page.Quoting();
  const std::string quoted_column = quoting.QuoteIdentifier(column);
  auto rows = page.Connection()->Execute("SELECT " + quoted_column + " from " +
                                         quoting.QuoteIdentifier(table) + " WHERE " +
                                         quoted_column + " = " + SqlQuoting::QuoteText(file_name));
  return rows && !rows->IsEOF();
}

}  // namespace

bool IsFileInUse(AdminRecordset& page, std::string_view file_name) {
  const Variant& check = page.FileMan->CheckForFilesInUse;
  if (VariantEquals(check, Variant(int32_t{0}))) return false;
  const bool current_table_only = VariantEquals(check, Variant(int32_t{1}));
  try {
    const Variant table = current_table_only ? Variant(page.recordset()) : Variant();
    for (const Variant& field : page.FileFields->Items()) {
      auto columns = page.Connection()->OpenSchema(
          ado::schema::kColumns, std::vector<Variant>{Variant(), Variant(), table, field});
      for (; !columns->IsEOF(); columns->MoveNext()) {
        if (ColumnHolds(page, FieldText(*columns, "TABLE_NAME"), FieldText(*columns, "COLUMN_NAME"),
                        file_name))
          return true;
      }
    }
  } catch (const AutomationError&) {
    // An unreadable schema (or no database at all) leaves the confirmation to decide alone.
  }
  return false;
}

}  // namespace korvex
