// The rows of the editing list: what is decided once per column (shown, caption, display
// class, file link, relation) and the text of one record's row.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "component/field_model.h"
#include "core/variant.h"
#include "render/many_to_many_sql.h"
#include "render/skin.h"

namespace korvex {

class AdminRecordset;
class HTMLEditingList;
class DBManyToMany;
namespace ado {
class Recordset;
}

/// Empty once blanks are trimmed.
inline bool IsBlank(std::string_view text) {
  return text.find_first_not_of(' ') == std::string_view::npos;
}

struct ListColumn {
  std::string name;
  int32_t type = 0;
  FieldClass display = FieldClass::Unsupported;
  bool hidden = false;
  bool file_field = false;
  RelationMatch relation;  // found only while the list's RelatedRecords.Show is True
  Variant relation_filter = Variant::Missing();
};

class ListRows {
 public:
  ListRows(AdminRecordset& page, ado::Recordset& recordset, const Skin& skin,
           std::string link_base);

  /// The title row, written as one text: the edit column, every shown field, every
  /// many-to-many link.
  std::string TitleRow() const;
  /// One record's row, from its opening row tag to its closing one.
  std::string Row();

 private:
  std::string ButtonCell();
  std::string DataCell(size_t index);
  std::string PlainValue(const Variant& value) const;
  std::string ManyToManyCell(const DBManyToMany& link, size_t position);

  AdminRecordset& page_;
  HTMLEditingList& list_;
  ado::Recordset& recordset_;
  const Skin& skin_;
  std::string link_base_;
  std::vector<ListColumn> columns_;
  /// Whether each link table keeps its local key as text; asked once, on first use.
  std::vector<std::optional<bool>> text_keys_;
  int16_t row_counter_ = 0;
  std::string tab1_, tab2_, tab3_;
};

}  // namespace korvex
