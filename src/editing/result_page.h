// The page answering a stored add or edit form: the top text, a two-column table of the
// record's visible fields (related records under foreign-key values) and of its many-to-many
// links, then the bottom text. Composed piece by piece while the write goes on, written only
// once the write succeeded.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/variant.h"
#include "render/html_text.h"
#include "render/skin.h"

namespace korvex {

class AdminRecordset;
class DBManyToMany;
namespace ado {
class Field;
class Recordset;
}  // namespace ado

class ResultPage {
 public:
  /// Reads the skin of page.ResultPage.Table and adds the table's foreign keys to
  /// page.ResultPage.RelatedRecords.
  explicit ResultPage(AdminRecordset& page);

  /// One blank, the top text, the table tag and the title row.
  void Head(std::string_view top_text);
  /// One row per field of recordset not in EditForm.HiddenFields, with the value it holds now.
  void FieldRows(ado::Recordset& recordset);
  /// A row with the link's caption and the select of its link rows.
  void ManyToManyRow(const DBManyToMany& link, std::string_view links_select);
  /// Writes the page, then the table's closing tag and the bottom text.
  void Write(std::string_view bottom_text);

 private:
  void FieldRow(ado::Field& field);
  std::string DataCell(ado::Field& field, int32_t type);
  std::string ShownValue(const Variant& value) const;

  AdminRecordset& page_;
  Skin skin_;
  HtmlText text_;
  int16_t row_counter_ = 0;
};

}  // namespace korvex
