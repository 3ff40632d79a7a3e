// The field rows of the edit form. Values from the database and the request are encoded for
// where they stand; labels, aliases, captions and skin tags are the page's own markup.
#include "editing/edit_form_rows.h"

#include <algorithm>
#include <initializer_list>

#include "ado/connection.h"
#include "ado/field.h"
#include "ado/recordset.h"
#include "component/admin_recordset.h"
#include "component/errors.h"
#include "component/field_model.h"
#include "core/text.h"
#include "host/intrinsics.h"
#include "render/date_time_selects.h"
#include "render/field_widgets.h"
#include "render/many_to_many_editor.h"
#include "render/related_list.h"
#include "render/select_from_recordset.h"

namespace korvex {

namespace {

bool OneOf(int32_t type, std::initializer_list<int32_t> types) {
  return std::find(types.begin(), types.end(), type) != types.end();
}

// Every CR LF as "<BR>", as the delete confirmation shows line breaks.
std::string WithBreaks(std::string text) {
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 4))
    text.replace(at, 2, "<BR>");
  return text;
}

}  // namespace

struct FormRows::Row {
  std::string name;
  std::string attribute_name;  // the name encoded for an attribute
  int32_t type = 0;
  std::string label;
  std::string fixed_value;  // encoded
  bool transparent = false;
  std::string file_button;
  std::string html_button;
};

FormRows::FormRows(AdminRecordset& page, ado::Recordset& recordset, const Skin& skin, FormMode mode)
    : page_(page), form_(*page.EditForm), recordset_(recordset), skin_(skin), mode_(mode) {}

Variant FormRows::RecordValue(ado::Field& field) {
  // A criterion that matched no record leaves the fields empty.
  return mode_.has_record ? field.Value() : Variant::Null();
}

std::string FormRows::RecordValueText(ado::Field& field) {
  return TextOrEmpty(RecordValue(field));
}

std::string FormRows::PostedValue(const std::string& name) {
  return page_.Request().Form().Get(name).value_or("");
}

std::string FormRows::KeyCopies() {
  // The delete caption travels on, so that the write path knows the posted form deletes.
  std::string request_delete = page_.RequestItem(page_.ParamName("DELETE"));
  std::string delete_value =
      mode_.is_delete ? page_.EditingList->ButtonDeleteCaption() : request_delete;
  std::string out = "<input type='hidden' name='" + page_.ParamName("DELETE") + "' value ='" +
                    page_.HE(delete_value) + "'>\r\n";
  ado::Fields& fields = recordset_.Fields();
  for (int32_t i = 0; i < fields.Count(); ++i) {
    ado::Field& field = fields[static_cast<size_t>(i)];
    // Dates, long texts and binaries do not identify a record.
    if (!OneOf(field.Type(), {2, 3, 4, 5, 6, 11, 17, 72, 129, 130, 131, 200, 202})) continue;
    const std::string name = field.Name();
    std::string value = mode_.PostedRow() ? PostedValue(name) : RecordValueText(field);
    out += "<input type='hidden' name='" + page_.HE(name) + "HIDDEN' value=\"" + page_.HE(value) +
           "\">\r\n";
  }
  return out;
}

Variant FormRows::StartingValue(ado::Field& field) {
  if (mode_.is_new) {
    if (!form_.AllowDefaultValues || !mode_.has_record) return Variant("");
    return Variant(TextOrEmpty(field.Value()));
  }
  if (mode_.PostedRow()) return Variant(PostedValue(field.Name()));
  Variant value = RecordValue(field);
  return value.IsNull() ? Variant("") : value;
}

std::string FormRows::Cell(const std::string& label, const std::string& content, bool line_break) {
  std::string out = skin_.LabelTD + label + skin_.LabelTDClose;
  if (line_break) out += "\r\n";
  return out + skin_.DataTD + content + skin_.DataTDClose;
}

void FormRows::WriteRow(ado::Field& field) {
  const HTMLTable& table = *form_.Table;
  Row row;
  row.name = field.Name();
  row.attribute_name = page_.HE(row.name);
  row.type = field.Type();
  const Variant item(row.name);

  row.label = page_.HE(row.name);
  if (std::optional<Variant> fixed = form_.FixedValues->Find(row.name))
    row.fixed_value = page_.HE(TextOrEmpty(*fixed));
  if (std::optional<Variant> alias = form_.FieldAliases->Find(row.name))
    row.label = TextOrEmpty(*alias);
  const bool hidden = IsInCollection(item, *form_.HiddenFields);
  if (IsInCollection(item, *form_.TransparentFields)) {
    row.transparent = true;
    row.fixed_value = page_.HE(PostedValue(row.name));
  }
  const std::string script = page_.ScriptName() + "?" + page_.ParamName("Page");
  if (IsInCollection(item, *page_.FileFields)) {
    row.file_button =
        FileManagerButton(HTMLJavaScripts::JsEscapeForAttribute(row.name), page_.UE(row.name), "",
                          HTMLJavaScripts::JsEscapeForAttribute(script + "=11"));
  }
  if (std::optional<Variant> help = form_.Helps->Find(row.name)) {
    row.label += "&nbsp;<a href='#' onClick=\"alert('" +
                 HTMLJavaScripts::JsEscapeForAttribute(TextOrEmpty(*help)) + "')\">" +
                 form_.HelpsCaption + "</a>";
  }
  if (IsInCollection(item, *page_.HTMLFields))
    row.html_button = page_.HTMLEditor->GenerateCallerCode(row.name, "PW", script + "=20");
  if (hidden) return;  // neither a row nor an input: the write path leaves the field alone

  if (!row.fixed_value.empty() && !mode_.delete_mode) {
    std::string out = RowTag(counter_, table, false);
    out += Cell(row.label, row.fixed_value, false);
    out += RowTag(counter_, table, true);
    page_.RW(out + "<input type=\"hidden\" name=\"" + row.attribute_name + "\" value=\"" +
             row.fixed_value + "\">\r\n");
    return;
  }
  if (IsAutoIncrementField(field)) {
    WriteAutonumber(row, field);
    return;
  }

  const Variant value = StartingValue(field);
  if (row.transparent) {
    std::string content =
        IsSupportedType(row.type) ? page_.HE(TextOrEmpty(value)) : page_.ErrNotASupportedField;
    page_.RW(RowTag(counter_, table, false));
    page_.RW(Cell(row.label, content, false));
    page_.RW(RowTag(counter_, table, true));
    return;
  }
  const HTMLRelatedRecords& relations = *form_.RelatedRecords;
  if (RelationMatch relation = FindRelation(row.name, relations); relation.found) {
    Variant filter("");
    if (std::optional<Variant> found = relations.Filters->Find(row.name)) filter = *found;
    std::string content;
    if (mode_.delete_mode) {
      // Shown inside the form being confirmed, the related record gets no buttons.
      content = RenderRelatedList(page_, relations, *page_.Connection(), relation.RelatedTable,
                                  relation.RelatedField, value, row.type, filter, true);
    } else {
      SelectOptions options;
      options.selected_id = value;
      options.fields_to_hide = relations.HiddenFields.get().get();
      options.filter = filter;
      content = SelectFromRecordset(page_, row.attribute_name, Variant(page_.Connection()),
                                    relation.RelatedTable, relation.RelatedField, options);
    }
    page_.RW(RowTag(counter_, table, false));
    page_.RW(Cell(row.label, content, true));
    page_.RW(RowTag(counter_, table, true));
    return;
  }
  if (mode_.delete_mode) {
    std::string out = RowTag(counter_, table, false);
    out += Cell(row.label, DeleteValue(row, value), false);
    page_.RW(out + RowTag(counter_, table, true));
    return;
  }

  std::string out = RowTag(counter_, table, false);
  std::string label = row.label;
  if (row.type != 11 && page_.IsRequiredField(field)) label += form_.RequiredFieldMarker;
  out += Cell(label, Widget(row, field, value), false);
  page_.RW(out);
  page_.RW(RowTag(counter_, table, true));
}

void FormRows::WriteAutonumber(const Row& row, ado::Field& field) {
  // The value is the database's; in a posted row it is what the request says it was, so it
  // is encoded like any other request text.
  std::string value = mode_.load_record ? RecordValueText(field) : PostedValue(row.name);
  std::string shown = page_.HE(value);
  if (!form_.HideAutonumbers) {
    const HTMLTable& table = *form_.Table;
    std::string out = RowTag(counter_, table, false);
    out += Cell(row.label, shown, true);
    page_.RW(out + RowTag(counter_, table, true));
  }
  page_.RW("<input type='hidden' name='" + row.attribute_name + "' value='" + shown + "'>\r\n");
}

std::string FormRows::DeleteValue(const Row& row, const Variant& value) {
  if (row.type == 11) {
    // An empty value (a null in the list row) is shown unchecked, not refused.
    bool checked = !TextOrEmpty(value).empty() && CBool(value);
    return CheckboxDisplay(checked, false);
  }
  if (!IsSupportedType(row.type)) return page_.ErrNotASupportedField;
  const int32_t longest = form_.MaxFieldsLenghtWhileDeleting;
  // A negative length is refused as the run time's Left refuses it.
  if (longest < 0) RaiseRuntimeError(err::kInvalidProcedureCall);
  std::string text = TextOrEmpty(value);
  // Cut before encoding, so that an entity is never cut in half.
  if (CountChars(text) > static_cast<size_t>(longest))
    return WithBreaks(page_.HE(std::string(LeftChars(text, static_cast<size_t>(longest))))) +
           form_.TrimmedContentCaption;
  return WithBreaks(page_.HE(text));
}

std::string FormRows::Widget(const Row& row, ado::Field& field, const Variant& value) {
  const std::string text = TextOrEmpty(value);
  const std::string buttons = row.file_button + row.html_button;
  auto input = [&](int32_t size) {
    return "<input size='" + std::to_string(size) + "' name='" + row.attribute_name + "' value=\"" +
           page_.HE(text) + "\">" + buttons;
  };
  // The content is encoded: the browser shows (and posts back) the value itself, and a value
  // holding "</textarea>" cannot end the element early.
  auto textarea = [&] {
    return "<textarea cols=" + std::to_string(form_.TextareaCols) +
           " rows=" + std::to_string(form_.TextareaRows) + " name='" + row.attribute_name + "'>" +
           page_.HE(text) + "</textarea>" + buttons;
  };
  switch (row.type) {
    case 11:
      return "<input type='checkbox' class='chk' name='" + row.attribute_name + "' value='True'" +
             (text == "True" ? " checked " : "") + ">";
    case 201:
    case 203:
      return textarea();
    case 129:
    case 130:
    case 200:
    case 202:
      if (form_.TextFieldsAsTextarea) return textarea();
      return input(std::min(field.DefinedSize(), int32_t{30}));
    case 7:
      if (form_.UseCalendar) return DateTimeSelects(row.attribute_name, value, *page_.Calendar);
      return input(15);
    case 2:
      return input(5);
    case 3:
      return input(10);
    case 4:
      return input(13);
    case 5:
    case 131:
      return input(22);
    case 6:
      return input(20);
    case 135:
      return input(15);
    case 17:
      return input(3);
    case 72:
      return input(38);
    case 128:
    case 204:
    case 205:
      return page_.ErrNotASupportedField;
    default:
      return std::to_string(row.type) + page_.ErrNotASupportedField;
  }
}

void FormRows::WriteManyToMany() {
  const HTMLTable& table = *form_.Table;
  // The local key: the list row's posted value, else the loaded record's.
  const bool from_list_row = page_.RequestItem(page_.ParamName("Page")) == "1";
  for (const auto& link : form_.ManyToMany->Links()) {
    std::string out = RowTag(counter_, table, false);
    out += skin_.LabelTD + link->Caption + skin_.LabelTDClose + "\r\n" + skin_.DataTD;
    page_.RW(out);
    std::string local_value;
    if (from_list_row) {
      local_value = page_.RequestItem(link->LocalField);
    } else if (mode_.load_record) {
      local_value = RecordValueText(*recordset_.Fields().Item(Variant(link->LocalField)));
    }
    RenderManyToManyEditor(page_, *link, *page_.Connection(), local_value, mode_.delete_mode);
    page_.RW(skin_.DataTDClose + RowTag(counter_, table, true));
  }
}

}  // namespace korvex
