// The rows of the edit form, one per field of the record: fixed, autonumber, transparent,
// related, delete-confirmation or editable, in that order of precedence.
#pragma once

#include <cstdint>
#include <string>

#include "core/variant.h"
#include "render/skin.h"

namespace korvex {

class AdminRecordset;
class HTMLEditForm;
namespace ado {
class Field;
class Recordset;
}  // namespace ado

/// Where the values of the form come from and what it is for.
struct FormMode {
  bool is_new = false;
  bool load_record = false;
  bool is_delete = false;    // the argument
  bool delete_mode = false;  // the argument, or a posted delete caption
  /// The record's values can be read: a loaded record that exists, or a new record filled
  /// with the columns' defaults.
  bool has_record = false;

  /// Values come from the fields a list row posted.
  bool PostedRow() const { return !is_new && !load_record && !is_delete; }
};

class FormRows {
 public:
  FormRows(AdminRecordset& page, ado::Recordset& recordset, const Skin& skin, FormMode mode);

  /// The hidden copies of the record's values by which the write path finds it again.
  std::string KeyCopies();
  /// Writes the row of one field (nothing for a hidden field).
  void WriteRow(ado::Field& field);
  /// Writes the many-to-many editors after the fields.
  void WriteManyToMany();

 private:
  struct Row;
  std::string RecordValueText(ado::Field& field);
  Variant RecordValue(ado::Field& field);
  std::string PostedValue(const std::string& name);
  Variant StartingValue(ado::Field& field);
  void WriteAutonumber(const Row& row, ado::Field& field);
  std::string DeleteValue(const Row& row, const Variant& value);
  std::string Widget(const Row& row, ado::Field& field, const Variant& value);
  std::string Cell(const std::string& label, const std::string& content, bool line_break);

  AdminRecordset& page_;
  HTMLEditForm& form_;
  ado::Recordset& recordset_;
  const Skin& skin_;
  FormMode mode_;
  int16_t counter_ = 0;
};

}  // namespace korvex
