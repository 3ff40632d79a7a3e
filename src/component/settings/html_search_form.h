// Settings of the search form: its skin and captions, where results go (Action), the criteria
// or fast-search style, per-field declarations, relations and the keyword box.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "component/settings/html_fast_search.h"
#include "component/settings/html_related_records.h"
#include "component/settings/html_table.h"
#include "core/collection.h"
#include "core/dispatch.h"
#include "core/on_first_read.h"

namespace korvex {

class HTMLSearchForm : public Dispatch {
 public:
  const MemberTable& Members() const override;

  OnFirstRead<HTMLTable> Table{[] {
    auto table = std::make_shared<HTMLTable>();
    table->SubmitTD = "<TD colspan=3 align=center>";
    return table;
  }};
  std::string SubmitCaption = "Submit Query";
  std::string ResetCaption = "Reset Form";
  std::string CriterionTitle = "C R I T";
  std::string SelectText = "Select...";
  /// 1: results as the editing list; 2: as the report; anything else: the form again.
  Variant Action = Variant(int32_t{1});
  bool HideOrderByRow = false;
  bool HideTopDistinctRow = false;
  OnFirstRead<Collection> HiddenFields;
  OnFirstRead<Collection> FieldAliases;
  OnFirstRead<HTMLRelatedRecords> RelatedRecords{[] {
    auto related = std::make_shared<HTMLRelatedRecords>();
    related->Show = true;
    return related;
  }};
  /// 0: the criteria form; anything else: the fast search box.
  Variant Style = Variant(int32_t{0});
  bool ShowResetButton = true;
  OnFirstRead<HTMLFastSearch> FastSearch;
  std::string BeforeButtons;
};

}  // namespace korvex
