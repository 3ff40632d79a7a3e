// Settings of the paged editing list: its skin, page size, texts around the list, per-field
// declarations, related records, many-to-many columns and the two button captions, which may
// be neither blank nor equal to each other.
#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include "component/settings/html_many_to_many.h"
#include "component/settings/html_related_records.h"
#include "component/settings/html_table.h"
#include "core/collection.h"
#include "core/dispatch.h"
#include "core/on_first_read.h"

namespace korvex {

class HTMLEditingList : public Dispatch {
 public:
  const MemberTable& Members() const override;

  OnFirstRead<HTMLTable> Table{[] {
    auto table = std::make_shared<HTMLTable>();
    table->SubmitTD = "<TD colspan=0>";
    return table;
  }};
  int16_t PageSize = 7;
  std::string EditTitle = "E D I T";
  bool AllowEdit = true;
  bool AllowDelete = true;
  bool ShowRecordCount = true;
  bool ShowSQLText = true;
  std::string RecordText = "Record ";
  std::string ToText = " to ";
  std::string OnATotalText = " on a total of ";
  std::string BetweenEditAndDelete;
  std::string PageText = "Page: ";
  std::string TopText;
  std::string BottomText;
  std::string ErrNoCurrentRecord = "No Current Record";  // stored only
  OnFirstRead<Collection> HiddenFields;
  OnFirstRead<HTMLRelatedRecords> RelatedRecords;  // Show starts False
  OnFirstRead<Collection> FieldAliases;
  /// An ADO filter for the list's recordset; an empty text means none.
  Variant Filter = Variant("");
  OnFirstRead<HTMLManyToMany> ManyToMany;
  int32_t MaxFieldsLenght = std::numeric_limits<int32_t>::max();
  std::string TrimmedContentCaption = "[...]";

  const std::string& ButtonEditCaption() const { return button_edit_caption_; }
  /// Refuses a blank caption (-2147221168) and the delete caption (-2147221167).
  void ButtonEditCaption(std::string caption);
  const std::string& ButtonDeleteCaption() const { return button_delete_caption_; }
  /// Refuses a blank caption (-2147221168) and the edit caption (-2147221167).
  void ButtonDeleteCaption(std::string caption);

 private:
  std::string button_edit_caption_ = "Edit";
  std::string button_delete_caption_ = "Delete";
};

}  // namespace korvex
