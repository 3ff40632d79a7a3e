// Texts and limits of the page shown after a posted form was stored, with the relations it
// shows as related records under foreign-key values.
#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include "component/settings/html_related_records.h"
#include "component/settings/html_table.h"
#include "core/dispatch.h"
#include "core/on_first_read.h"

namespace korvex {

class HTMLResultPage : public Dispatch {
 public:
  const MemberTable& Members() const override;

  OnFirstRead<HTMLTable> Table;
  std::string TopAddNewText = "The following new record has been added:<br><br>";
  std::string BottomAddNewText = "<br>Click back on your browser";
  std::string TopModifyText = "The Record has been modified with the following values:<br><br>";
  std::string BottomModifyText = "<br>Click back on your browser";
  std::string DeleteText = "<br> The record has been deleted ";
  /// Related records are shown, without buttons and without autonumbers.
  OnFirstRead<HTMLRelatedRecords> RelatedRecords{[] {
    auto related = std::make_shared<HTMLRelatedRecords>();
    related->Show = true;
    related->AllowEdit = false;
    related->AllowDelete = false;
    related->HideAutonumbers = true;
    return related;
  }};
  int32_t MaxFieldsLenght = std::numeric_limits<int32_t>::max();
  std::string TrimmedContentCaption = "[...]";
};

}  // namespace korvex
