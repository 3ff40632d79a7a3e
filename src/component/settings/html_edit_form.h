// Settings of the add/edit/delete form: its skin, captions, textarea sizes, per-field
// declarations (hidden, aliases, fixed, transparent values, helps) and its relations and
// many-to-many editors. The form itself is drawn by the edit form screen.
#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include "component/settings/html_java_scripts.h"
#include "component/settings/html_many_to_many.h"
#include "component/settings/html_related_records.h"
#include "component/settings/html_table.h"
#include "core/collection.h"
#include "core/dispatch.h"
#include "core/on_first_read.h"

namespace korvex {

class HTMLEditForm : public Dispatch {
 public:
  const MemberTable& Members() const override;

  OnFirstRead<HTMLTable> Table{[] {
    auto table = std::make_shared<HTMLTable>();
    table->SubmitTD = "<TD colspan=2 align='center'>";
    return table;
  }};
  OnFirstRead<HTMLJavaScripts> JavaScripts;
  std::string SubmitCaption;  // kept for the page; the form does not write it
  std::string ButtonEditCaption = "Confirm Editing";
  std::string ButtonAddCaption = "Add";
  std::string ButtonDeleteCaption = "Confirm Delete";
  std::string RequiredFieldMarker = "&nbsp; *** &nbsp;";
  bool HideAutonumbers = false;
  bool AllowDefaultValues = true;
  OnFirstRead<Collection> HiddenFields;
  int16_t TextareaCols = 30;
  int16_t TextareaRows = 3;
  bool TextFieldsAsTextarea = false;
  OnFirstRead<Collection> FieldAliases;
  OnFirstRead<Collection> FixedValues;
  OnFirstRead<Collection> TransparentFields;
  OnFirstRead<HTMLRelatedRecords> RelatedRecords{[] {
    auto related = std::make_shared<HTMLRelatedRecords>();
    related->Show = true;
    return related;
  }};
  OnFirstRead<HTMLManyToMany> ManyToMany;
  bool UseCalendar = true;
  std::string UnableToDeleteError = "<font color=red>UNABLE  TO DELETE</font>";
  OnFirstRead<Collection> Helps;
  std::string HelpsCaption = "?";
  int32_t MaxFieldsLenghtWhileDeleting = std::numeric_limits<int32_t>::max();
  std::string TrimmedContentCaption = "[...]";
};

}  // namespace korvex
