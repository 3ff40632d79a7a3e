// HTMLEditForm's members: skin, captions, textarea sizes and the per-field declarations of the
// add/edit/delete form. The form itself is drawn by the edit form screen.
#include "component/settings/html_edit_form.h"

#include "core/member_table.h"

namespace korvex {

const MemberTable& HTMLEditForm::Members() const {
  using C = HTMLEditForm;
  static const MemberTable table(
      "HTMLEditForm", {
                          ObjectProp<&C::Table>("Table"),
                          ObjectProp<&C::JavaScripts>("JavaScripts"),
                          Prop<&C::SubmitCaption>("SubmitCaption"),
                          Prop<&C::ButtonEditCaption>("ButtonEditCaption"),
                          Prop<&C::ButtonAddCaption>("ButtonAddCaption"),
                          Prop<&C::ButtonDeleteCaption>("ButtonDeleteCaption"),
                          Prop<&C::RequiredFieldMarker>("RequiredFieldMarker"),
                          Prop<&C::HideAutonumbers>("HideAutonumbers"),
                          Prop<&C::AllowDefaultValues>("AllowDefaultValues"),
                          ObjectProp<&C::HiddenFields>("HiddenFields"),
                          Prop<&C::TextareaCols>("TextareaCols"),
                          Prop<&C::TextareaRows>("TextareaRows"),
                          Prop<&C::TextFieldsAsTextarea>("TextFieldsAsTextarea"),
                          ObjectProp<&C::FieldAliases>("FieldAliases"),
                          ObjectProp<&C::FixedValues>("FixedValues"),
                          ObjectProp<&C::TransparentFields>("TransparentFields"),
                          ObjectProp<&C::RelatedRecords>("RelatedRecords"),
                          ObjectProp<&C::ManyToMany>("ManyToMany"),
                          Prop<&C::UseCalendar>("UseCalendar"),
                          Prop<&C::UnableToDeleteError>("UnableToDeleteError"),
                          ObjectProp<&C::Helps>("Helps"),
                          Prop<&C::HelpsCaption>("HelpsCaption"),
                          Prop<&C::MaxFieldsLenghtWhileDeleting>("MaxFieldsLenghtWhileDeleting"),
                          Prop<&C::TrimmedContentCaption>("TrimmedContentCaption"),
                      });
  return table;
}

}  // namespace korvex
