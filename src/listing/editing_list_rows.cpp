// Rows of the editing list. Columns are classified once per list; per record only values are
// read, and the whole row is built as one text.
#include "listing/editing_list_rows.h"

#include "ado/connection.h"
#include "ado/recordset.h"
#include "component/admin_recordset.h"
#include "render/field_widgets.h"
#include "render/html_text.h"
#include "render/many_to_many_editor.h"
#include "render/related_list.h"

namespace korvex {

ListRows::ListRows(AdminRecordset& page, ado::Recordset& recordset, const Skin& skin,
                   std::string link_base)
    : page_(page),
      list_(*page.EditingList),
      recordset_(recordset),
      skin_(skin),
      link_base_(std::move(link_base)),
      tab1_(page.DebugTabs(1)),
      tab2_(page.DebugTabs(2)),
      tab3_(page.DebugTabs(3)) {
  ado::Fields& fields = recordset.Fields();
  const HTMLRelatedRecords& relations = *list_.RelatedRecords;
  for (int32_t i = 0; i < fields.Count(); ++i) {
    ado::Field& field = fields[static_cast<size_t>(i)];
    ListColumn column;
    column.name = field.Name();
    column.type = field.Type();
    column.display = ClassOfType(column.type);
    column.hidden = IsInCollection(Variant(column.name), *list_.HiddenFields);
    column.file_field = IsInCollection(Variant(column.name), *page.FileFields);
    if (IsSupportedType(column.type) && column.display != FieldClass::Boolean) {
      column.relation = FindRelation(column.name, relations);
      if (std::optional<Variant> filter = relations.Filters->Find(column.name))
        column.relation_filter = *filter;
    }
    columns_.push_back(std::move(column));
  }
  text_keys_.resize(static_cast<size_t>(list_.ManyToMany->Count()));
}

std::string ListRows::TitleRow() const {
  HtmlText out(page_);
  out.Raw(skin_.TableTag).Crlf().Raw("<!-- Titles TR -->").Crlf().Raw(skin_.TitleTR).Crlf();
  out.Raw("\t").Raw(skin_.LabelTitleTD).Raw(list_.EditTitle).Raw(skin_.LabelTitleTDClose).Crlf();
  for (const ListColumn& column : columns_) {
    if (column.hidden) continue;
    out.Raw("\t").Raw(skin_.LabelTitleTD);
    // An alias is the page's own markup; a bare field name is encoded.
    if (std::optional<Variant> alias = list_.FieldAliases->Find(column.name)) {
      out.Raw(TextOrEmpty(*alias));
    } else {
      out.Html(column.name);
    }
    out.Raw(skin_.LabelTitleTDClose).Crlf();
  }
  for (const auto& link : list_.ManyToMany->Links())
    out.Raw("\t").Raw(skin_.LabelTitleTD).Raw(link->Caption).Raw(skin_.LabelTitleTDClose).Crlf();
  out.Raw(skin_.TitleTRClose).Crlf();
  return out.Take();
}

std::string ListRows::Row() {
  const HTMLTable& table = *list_.Table;
  std::string row = RowTag(row_counter_, table, false);
  row += ButtonCell();
  for (size_t i = 0; i < columns_.size(); ++i)
    if (!columns_[i].hidden) row += DataCell(i);
  const auto links = list_.ManyToMany->Links();
  for (size_t i = 0; i < links.size(); ++i) row += ManyToManyCell(*links[i], i);
  row += RowTag(row_counter_, table, true);
  return row;
}

// The first cell: a form posting the record's values to the edit form. The cell and the form
// are written even when neither button is allowed.
std::string ListRows::ButtonCell() {
  HtmlText out(page_);
  out.Crlf().Raw(tab1_).Raw(skin_.SubmitTD);
  out.Crlf().Raw(tab2_).Raw("<form name=pino method=post action='").Raw(link_base_).Raw("'>");
  if (list_.AllowEdit) {
    out.Crlf().Raw(tab3_).Raw("<input type=submit class='Button' value='");
    out.Raw(list_.ButtonEditCaption()).Raw("'>").Raw(list_.BetweenEditAndDelete);
  }
  if (list_.AllowDelete) {
    out.Raw("<input name='").Raw(page_.ParamName("DELETE"));
    out.Raw("' type=submit class='Button' value='").Raw(list_.ButtonDeleteCaption()).Raw("'>");
  }
  if (list_.AllowEdit || list_.AllowDelete) {
    ado::Fields& fields = recordset_.Fields();
    for (size_t i = 0; i < columns_.size(); ++i) {
      if (!IsSupportedType(columns_[i].type)) continue;
      out.Crlf().Raw(tab3_).Raw("<input type=hidden name='").Html(columns_[i].name);
      out.Raw("' value=\"").Html(TextOrEmpty(fields[i].Value())).Raw("\">");
    }
  }
  out.Crlf().Raw(tab2_).Raw("</form>").Crlf().Raw(tab1_).Raw(skin_.SubmitTDClose);
  return out.Take();
}

std::string ListRows::DataCell(size_t index) {
  const ListColumn& column = columns_[index];
  Variant value = recordset_.Fields()[index].Value();
  HtmlText out(page_);
  if (column.display == FieldClass::Boolean) {
    // A null is shown unchecked: it is not True.
    bool checked = !value.IsNull() && CBool(value);
    out.Crlf().Raw(tab1_).Raw(skin_.DataTD).Raw(CheckboxDisplay(checked, true));
    out.Crlf().Raw(tab1_).Raw(skin_.DataTDClose);
  } else if (!IsSupportedType(column.type)) {
    out.Crlf().Raw(tab1_).Raw(skin_.DataTD).Raw(page_.ErrNotASupportedField);
    out.Crlf().Raw(tab1_).Raw(skin_.DataTDClose);
  } else if (column.relation.found) {
    out.Raw(skin_.DataTD);
    out.Raw(RenderRelatedList(page_, *list_.RelatedRecords, *page_.Connection(),
                              column.relation.RelatedTable, column.relation.RelatedField, value,
                              column.type, column.relation_filter));
    out.Raw(skin_.DataTDClose);
  } else {
    out.Crlf().Raw(tab1_).Raw(skin_.DataTD);
    if (column.file_field) {
      out.Raw("<a href='").Raw(page_.FileMan->Path()).Url(TextOrEmpty(value));
      out.Raw("' target=_blank>");
    }
    out.Raw(PlainValue(value));
    if (column.file_field) out.Raw("</a>");
    out.Crlf().Raw(tab1_).Raw(skin_.DataTDClose);
  }
  return out.Take();
}

// A value as text, encoded with its line breaks as <br>, cut at MaxFieldsLenght characters
// before encoding so that an entity is never cut in half.
std::string ListRows::PlainValue(const Variant& value) const {
  // A negative length is refused as the run time's Left refuses it.
  if (list_.MaxFieldsLenght < 0) RaiseRuntimeError(err::kInvalidProcedureCall);
  const auto longest = static_cast<size_t>(list_.MaxFieldsLenght);
  std::string text = TextOrEmpty(value);
  HtmlText out(page_);
  if (CountChars(text) <= longest) {
    out.HtmlWithBreaks(text);
  } else {
    out.HtmlWithBreaks(LeftChars(text, longest));
    out.Raw(list_.TrimmedContentCaption);
  }
  if (IsBlank(out.str())) return "&nbsp;";
  return out.Take();
}

std::string ListRows::ManyToManyCell(const DBManyToMany& link, size_t position) {
  std::optional<bool>& text_key = text_keys_[position];
  if (!text_key) text_key = ValueQuote(page_, link.LinkRecordset, link.LinkToLocalField) == "'";
  std::string local_value =
      TextOrEmpty(recordset_.Fields().Item(Variant(link.LocalField))->Value());
  ManyToManySql sql = ManyToManySqlFor(link, local_value, *text_key, page_.Quoting());
  HtmlText out(page_);
  out.Crlf().Raw(tab1_).Raw(skin_.DataTD).Raw("<form name=fake>");
  out.Raw(ManyToManyList(page_, *list_.ManyToMany, link, Variant(page_.Connection()),
                         link.LinkRecordset + page_.ParamName("DEST"), sql.active));
  out.Crlf().Raw(tab1_).Raw("</form>").Raw(skin_.DataTDClose);
  return out.Take();
}

}  // namespace korvex
