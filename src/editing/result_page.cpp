// The result page, top to bottom. Labels take the edit form's aliases and hidden fields, so
// the page shows what the form showed; values are encoded, aliases are the page's own markup.
#include "editing/result_page.h"

#include "ado/recordset.h"
#include "component/admin_recordset.h"
#include "component/field_model.h"
#include "component/settings/db_many_to_many.h"
#include "render/field_widgets.h"
#include "render/related_list.h"

namespace korvex {

namespace {

std::string BreaksAsBR(std::string text) {
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 4))
    text.replace(at, 2, "<BR>");
  return text;
}

}  // namespace

ResultPage::ResultPage(AdminRecordset& page)
    : page_(page), skin_(ReadSkin(*page.ResultPage->Table)), text_(page) {
  AddSchemaRelations(page, *page.ResultPage->RelatedRecords);
}

void ResultPage::Head(std::string_view top_text) {
  text_.Raw(" ").Raw(top_text).Raw(skin_.TableTag).Raw(skin_.TitleTR);
  text_.Raw(skin_.LabelTitleTD).Raw(skin_.LabelTitle).Raw(skin_.LabelTitleTDClose);
  text_.Raw(skin_.DataTitleTD).Raw(skin_.DataTitle).Raw(skin_.DataTitleTDClose);
  text_.Raw(skin_.TitleTRClose);
}

void ResultPage::FieldRows(ado::Recordset& recordset) {
  ado::Fields& fields = recordset.Fields();
  for (int32_t i = 0; i < fields.Count(); ++i) FieldRow(fields[static_cast<size_t>(i)]);
}

void ResultPage::FieldRow(ado::Field& field) {
  const HTMLEditForm& form = *page_.EditForm;
  const std::string name = field.Name();
  // A hidden field takes no row, so it does not move the alternation either.
  if (IsInCollection(Variant(name), *form.HiddenFields)) return;
  const HTMLTable& table = *page_.ResultPage->Table;
  const int32_t type = field.Type();

  text_.Raw(RowTag(row_counter_, table, false)).Raw(skin_.LabelTD);
  if (std::optional<Variant> alias = form.FieldAliases->Find(name)) {
    text_.Raw(TextOrEmpty(*alias));
  } else {
    text_.Html(name);
  }
  text_.Raw(skin_.LabelTDClose);
  if (IsSupportedType(type)) {
    text_.Raw(DataCell(field, type));
  } else if (ClassOfType(type) == FieldClass::Binary) {
    text_.Raw(skin_.DataTD).Raw(page_.ErrNotASupportedField).Raw(skin_.DataTDClose);
  } else {
    text_.Raw(skin_.DataTD).Number(type).Raw(skin_.DataTDClose);
  }
  text_.Raw(RowTag(row_counter_, table, true));
}

std::string ResultPage::DataCell(ado::Field& field, int32_t type) {
  const HTMLRelatedRecords& relations = *page_.ResultPage->RelatedRecords;
  const std::string name = field.Name();
  const Variant value = field.Value();
  std::string cell = skin_.DataTD;
  if (RelationMatch relation = FindRelation(name, relations); relation.found) {
    Variant filter = relations.Filters->Find(name).value_or(Variant::Missing());
    cell += RenderRelatedList(page_, relations, *page_.Connection(), relation.RelatedTable,
                              relation.RelatedField, value, type, filter);
  } else if (ClassOfType(type) == FieldClass::Boolean) {
    cell += CheckboxDisplay(value.type() == VarType::Boolean && value.AsBool(), true);
  } else {
    cell += ShownValue(value);
  }
  return cell + skin_.DataTDClose;
}

// The value cut to MaxFieldsLenght characters before encoding, so an entity is never cut.
std::string ResultPage::ShownValue(const Variant& value) const {
  const HTMLResultPage& settings = *page_.ResultPage;
  // A negative length is refused as the run time's Left refuses it.
  if (settings.MaxFieldsLenght < 0) RaiseRuntimeError(err::kInvalidProcedureCall);
  const auto longest = static_cast<size_t>(settings.MaxFieldsLenght);
  const std::string text = TextOrEmpty(value);
  if (CountChars(text) <= longest) return BreaksAsBR(page_.HE(text));
  return BreaksAsBR(page_.HE(std::string(LeftChars(text, longest)))) +
         settings.TrimmedContentCaption;
}

void ResultPage::ManyToManyRow(const DBManyToMany& link, std::string_view links_select) {
  const HTMLTable& table = *page_.ResultPage->Table;
  text_.Raw(RowTag(row_counter_, table, false));
  text_.Raw(skin_.LabelTD).Raw(link.Caption).Raw(skin_.LabelTDClose);
  text_.Raw(skin_.DataTD).Raw("<form name='thisisfake'>").Raw(links_select).Raw("</form>");
  text_.Raw(skin_.DataTDClose);
  text_.Raw(RowTag(row_counter_, table, true));
}

void ResultPage::Write(std::string_view bottom_text) {
  page_.RW(text_.str());
  page_.RW(skin_.TableTagClose + std::string(bottom_text));
}

}  // namespace korvex
