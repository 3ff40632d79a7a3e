// AdminRecordset.CheckItemExistInRecordset: whether a value is already present in a table, as
// pages ask before adding a record that must be unique.
#include <memory>

#include "ado/ado_constants.h"
#include "ado/connection.h"
#include "ado/recordset.h"
#include "component/admin_recordset.h"

namespace korvex {

bool AdminRecordset::CheckItemExistInRecordset(
    const std::shared_ptr<ado::Connection>& ActiveConnection, const std::string& RecordsetName,
    const Variant& FieldToCheck, const Variant& ValueToCheck) {
  ado::Connection& connection = *ActiveConnection;
  const bool opened_here = connection.State() == ado::kStateClosed;
  if (opened_here) connection.Open(ConnectionString(), "", "", -1);
  auto recordset = std::make_shared<ado::Recordset>();
  bool exists = false;
  try {
    recordset->Open(Variant(RecordsetName), Variant(ActiveConnection), ado::kOpenUnspecified,
                    ado::kLockUnspecified, ado::kCmdUnspecified);
    recordset->Filter(Variant(ToText(FieldToCheck) + "=" + ToText(ValueToCheck)));
    exists = !recordset->IsEOF();
    recordset->Close();
  } catch (const AutomationError&) {
    // A connection opened for the question is not left open by a failing one.
    if (opened_here) connection.Close();
    throw;
  }
  if (opened_here) connection.Close();
  return exists;
}

}  // namespace korvex
