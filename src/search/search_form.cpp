// The search form, top to bottom as the page shows it: the form tag, then either the criteria
// table (title row, one row per column, the ORDER BY and TOP/DISTINCT rows) or the keyword
// box, then the buttons. In debug mode every skin piece and the two marked captions stand
// between their marker comments on lines of their own, indented by their depth in the table.
#include "search/search_form.h"

#include <memory>

#include "ado/ado_constants.h"
#include "ado/connection.h"
#include "ado/field.h"
#include "ado/recordset.h"
#include "component/admin_recordset.h"
#include "component/field_model.h"
#include "host/intrinsics.h"
#include "render/html_text.h"
#include "render/page_links.h"
#include "render/related_list.h"
#include "render/select_from_recordset.h"
#include "render/skin.h"
#include "search/search_offers.h"

namespace korvex {

namespace {

// The depth of a skin piece in the form's table: the table, its rows, their cells, the
// captions inside the title cells.
int DepthOf(std::string_view tag_name) {
  if (tag_name.starts_with("TableTag")) return 0;
  if (tag_name.ends_with("TR") || tag_name.ends_with("TRClose")) return 1;
  if (tag_name.ends_with("TD") || tag_name.ends_with("TDClose")) return 2;
  return 3;
}

std::string Marked(const AdminRecordset& page, std::string_view name, std::string_view text,
                   int depth) {
  if (!page.DebugMode) return std::string(text);
  return WrapInMarkers(name, text, MarkerLayout::Inline, page.DebugTabs(depth));
}

std::string OperatorSelect(const AdminRecordset& page, std::string_view name,
                           std::string_view caption, std::span<const OperatorOption> operators) {
  const std::string tab = page.DebugTabs(1), new_line = page.DebugNewLines(1);
  HtmlText out(page);
  out.Raw("<select name =\"").Html(name).Raw("\">").Raw(new_line);
  out.Raw(tab).Raw("<option value=\"\">").Raw(caption).Raw("</option>").Raw(new_line);
  for (const OperatorOption& option : operators) {
    out.Raw(tab).Raw("<option value=\"").Raw(option.value).Raw("\">").Raw(option.caption);
    out.Raw("</option>").Raw(new_line);
  }
  out.Raw("</select>");
  return out.Take();
}

// Where the form posts: -1 shows the result as the list, -2 as the report; any other Action
// posts no code, and the form comes back.
std::string ActionUrl(AdminRecordset& page, const HTMLSearchForm& form) {
  std::string code;
  if (VariantEquals(form.Action, Variant(int32_t{1}))) code = "-1";
  if (VariantEquals(form.Action, Variant(int32_t{2}))) code = "-2";
  return LinkPath(page) + "?" + page.ParamName("Page") + "=" + code + "&" +
         page.ParamName("Recordset") + "=" + page.UE(page.recordset());
}

class SearchFormWriter {
 public:
  SearchFormWriter(AdminRecordset& page, HTMLSearchForm& form)
      : page_(page), form_(form), table_(*form.Table), out_(page) {
    skin_ = ReadSkin(table_);
    for (const SkinTag& entry : kSkinTags) {
      std::string& tag = skin_.*entry.tag;
      tag = Marked(page, entry.name, tag, DepthOf(entry.name));
    }
    criterion_title_ = Marked(page, "CriterionTitle", form.CriterionTitle, 3);
    select_text_ = Marked(page, "SelectText", form.SelectText, 0);
  }

  void FormTag(const std::string& url) {
    out_.Raw("<FORM NAME=PW ACTION=\"").Raw(url).Raw("\" METHOD=POST >").Raw(NewLine());
  }

  void CriteriaTable() {
    out_.Raw(skin_.TableTag).Raw(skin_.TitleTR);
    out_.Raw(skin_.LabelTitleTD).Raw(skin_.LabelTitle).Raw(skin_.LabelTitleTDClose);
    out_.Raw(skin_.LabelTitleTD).Raw(criterion_title_).Raw(skin_.LabelTitleTDClose);
    out_.Raw(skin_.DataTitleTD).Raw(skin_.DataTitle).Raw(skin_.DataTitleTDClose);
    out_.Raw(skin_.TitleTRClose);

    auto recordset = std::make_shared<ado::Recordset>();
    recordset->Open(Variant(page_.QuotedIdentifier(page_.recordset())), Variant(page_.Connection()),
                    ado::kOpenUnspecified, ado::kLockUnspecified, ado::kCmdTable);
    AddSchemaRelations(page_, *form_.RelatedRecords);
    ado::Fields& fields = recordset->Fields();
    for (int32_t i = 0; i < fields.Count(); ++i) CriterionRow(fields[static_cast<size_t>(i)]);
    if (!form_.HideOrderByRow) OrderByRow(fields);
    if (!form_.HideTopDistinctRow) TopDistinctRow();
    recordset->Close();
    out_.Raw(skin_.SubmitTR).Raw(skin_.SubmitTD);
  }

  void KeywordBox() {
    const HTMLFastSearch& box = *form_.FastSearch;
    const std::string new_line = NewLine();
    out_.Raw(box.AfterFormOpenHTML);
    out_.Raw("<input type='text' maxlength=").Number(box.MaxLength).Raw(" size=").Number(box.Size);
    out_.Raw(" name='").Raw(page_.ParamName("FastSearch")).Raw("' >").Raw(new_line);
    out_.Raw("<input type=hidden name='").Raw(page_.ParamName("Recordset")).Raw("' value='");
    out_.Html(page_.recordset()).Raw("' >").Raw(new_line);
    out_.Raw("<input type=hidden name='updatefilter' value=1>").Raw(new_line);
    out_.Raw(box.AfterInputHTML);
    if (box.ShowAllAnySelector) {
      out_.Raw(box.AllWordsCaption).Raw("<input type=radio name=AllWords value=1 ");
      out_.Raw(box.DefaultToAllWords ? "checked" : "").Raw(" >").Raw(new_line);
      out_.Raw(box.AfterAllRadioHTML);
      out_.Raw(box.AnyWordCaption).Raw("<input type=radio name=AllWords value=0 ");
      out_.Raw(box.DefaultToAllWords ? "" : "checked").Raw(">").Raw(new_line);
      out_.Raw(box.AfterAnyRadioHTML);
    } else {
      out_.Raw("<input type=hidden name=AllWords value=");
      out_.Raw(box.DefaultToAllWords ? "True" : "False").Raw(" >").Raw(new_line);
    }
  }

  void Buttons(bool in_table) {
    if (in_table) out_.Raw(page_.DebugTabs(3));
    out_.Raw(form_.BeforeButtons);
    if (form_.ShowResetButton)
      out_.Raw("<input type=reset class='Button' value='").Raw(form_.ResetCaption).Raw("' >");
    out_.Raw("<input type=submit class=Button value='").Raw(form_.SubmitCaption).Raw("' >");
    out_.Raw(NewLine());
    if (in_table) out_.Raw(skin_.SubmitTDClose).Raw(skin_.SubmitTRClose).Raw(skin_.TableTagClose);
    out_.Raw("</FORM>").Raw(NewLine());
  }

  std::string Take() { return out_.Take(); }

 private:
  std::string NewLine() const { return page_.DebugNewLines(1); }
  // A cell's content on its own line in debug mode, one level inside the cell.
  std::string Content(std::string_view text) const {
    return page_.DebugTabs(3) + std::string(text) + NewLine();
  }

  void OpenRow() { out_.Raw(MarkedRowTag(false)); }
  void CloseRow() { out_.Raw(MarkedRowTag(true)); }
  // RowTag keeps the alternation; the piece written is the marked copy of the tag it gives.
  const std::string& MarkedRowTag(bool closing) {
    const std::string& tag = RowTag(row_counter_, table_, closing);
    for (const SkinTag& entry : kSkinTags)
      if (entry.row_tag && &(static_cast<const SkinTags&>(table_).*entry.tag) == &tag)
        return skin_.*entry.tag;
    return tag;
  }

  void Cells(std::string_view label, std::string_view criterion, std::string_view value) {
    out_.Raw(skin_.LabelTD).Raw(Content(label)).Raw(skin_.LabelTDClose);
    out_.Raw(skin_.LabelTD).Raw(Content(criterion)).Raw(skin_.LabelTDClose);
    out_.Raw(skin_.DataTD).Raw(Content(value)).Raw(skin_.DataTDClose);
  }

  // An alias is the page's own markup; a bare field name is encoded.
  std::string Caption(const std::string& name) const {
    if (std::optional<Variant> alias = form_.FieldAliases->Find(name)) return TextOrEmpty(*alias);
    return page_.HE(name);
  }

  bool IsHidden(const std::string& name) const {
    return IsInCollection(Variant(name), *form_.HiddenFields);
  }

  void CriterionRow(ado::Field& field) {
    const std::string name = field.Name();
    const std::string caption = Caption(name);
    if (IsHidden(name)) return;
    const HTMLRelatedRecords& relations = *form_.RelatedRecords;
    const RelationMatch relation = FindRelation(name, relations);
    const int32_t type = field.Type();
    const CriterionKind kind = CriterionKindOf(type, relation.found);
    if (kind == CriterionKind::None) return;

    const std::string criterion_name = name + "CRITERION";
    std::string criterion, value;
    HtmlText text(page_);
    switch (kind) {
      case CriterionKind::Equals:
        text.Raw("=<input type=hidden value='=' name='").Html(criterion_name).Raw("' >");
        criterion = text.Take();
        value = relation.found ? RelatedSelect(name, relation) : BooleanSelect(name);
        break;
      case CriterionKind::Compare:
        criterion = BuildCompareOperatorSelect(page_, criterion_name, select_text_);
        text.Raw("<INPUT size='").Raw(ValueBoxSize(type)).Raw("' name='").Html(name).Raw("'>");
        value = text.Take();
        break;
      case CriterionKind::Text:
        criterion = BuildTextOperatorSelect(page_, criterion_name, select_text_);
        text.Raw("<INPUT name='").Html(name).Raw("'>");
        value = text.Take();
        break;
      case CriterionKind::None:
        break;
    }
    OpenRow();
    Cells(caption, criterion, value);
    CloseRow();
  }

  // The related table's select, showing the value this form posted last.
  std::string RelatedSelect(const std::string& name, const RelationMatch& relation) {
    const HTMLRelatedRecords& relations = *form_.RelatedRecords;
    SelectOptions options;
    options.selected_id = Variant(page_.Request().Form().Get(name).value_or(""));
    options.with_select = true;
    options.select_text = select_text_;
    options.fields_to_hide = relations.HiddenFields.get().get();
    options.filter = relations.Filters->Find(name).value_or(Variant(""));
    return SelectFromRecordset(page_, page_.HE(name), Variant(page_.Connection()),
                               relation.RelatedTable, relation.RelatedField, options);
  }

  std::string BooleanSelect(const std::string& name) const {
    const std::string tab = page_.DebugTabs(1), new_line = NewLine();
    HtmlText out(page_);
    out.Raw("<SELECT name='").Html(name).Raw("'>").Raw(new_line);
    out.Raw(tab).Raw("<OPTION value=''> ").Raw(select_text_).Raw(" </OPTION>").Raw(new_line);
    out.Raw(tab).Raw("<OPTION value='True'> True </OPTION>").Raw(new_line);
    out.Raw(tab).Raw("<OPTION value='False'> False </OPTION>").Raw(new_line);
    out.Raw("</SELECT>");
    return out.Take();
  }

  void OrderByRow(ado::Fields& fields) {
    const std::string tab = page_.DebugTabs(1), new_line = NewLine();
    HtmlText direction(page_);
    direction.Raw("<SELECT name='").Raw(page_.ParamName("ORDERBY")).Raw("CRITERION'>");
    direction.Raw(new_line).Raw(tab).Raw("<OPTION value=''> ").Raw(select_text_).Raw("</OPTION>");
    for (std::string_view d : kDirections) {
      direction.Raw(new_line).Raw(tab).Raw("<OPTION value='").Raw(d).Raw("'> ").Raw(d);
      direction.Raw(" </OPTION>");
    }
    direction.Raw(new_line).Raw("</SELECT>");

    HtmlText columns(page_);
    columns.Raw("<SELECT name='").Raw(page_.ParamName("ORDERBY")).Raw("'>");
    columns.Raw(new_line).Raw(tab).Raw("<OPTION value=''> ").Raw(select_text_).Raw("</OPTION>");
    for (int32_t i = 0; i < fields.Count(); ++i) {
      ado::Field& field = fields[static_cast<size_t>(i)];
      const std::string name = field.Name();
      if (IsHidden(name) || !IsOrderable(field.Type())) continue;
      columns.Raw(new_line).Raw(tab).Raw("<OPTION value='").Html(name).Raw("'>");
      columns.Raw(Caption(name)).Raw("</OPTION>");
    }
    columns.Raw(new_line).Raw("</SELECT>");

    OpenRow();
    Cells("ORDER ", direction.str(), columns.str());
    CloseRow();
  }

  void TopDistinctRow() {
    const std::string tab = page_.DebugTabs(1), new_line = NewLine();
    HtmlText top(page_);
    top.Raw("<SELECT name='").Raw(page_.ParamName("TOP")).Raw("'>");
    top.Raw(new_line).Raw(tab).Raw("<OPTION value=''> ").Raw(select_text_).Raw(" </OPTION>");
    for (std::string_view value : kTopValues) {
      // The caption of a PERCENT option reads " TOP 10% ".
      std::string caption(value);
      if (size_t at = caption.find(" PERCENT"); at != std::string::npos)
        caption.replace(at, 8, "%");
      top.Raw(new_line).Raw(tab).Raw("<OPTION value='").Raw(value).Raw("'> ").Raw(caption);
      top.Raw(" </OPTION>");
    }
    top.Raw(new_line).Raw("</SELECT>");

    HtmlText distinct(page_);
    distinct.Raw("<INPUT type='checkbox' class='chk' name='").Raw(page_.ParamName("DISTINCT"));
    distinct.Raw("' value='").Raw(kDistinct).Raw("'> ").Raw(kDistinct).Raw(" ");

    OpenRow();
    Cells("SELECT ", top.str(), distinct.str());
    CloseRow();
  }

  AdminRecordset& page_;
  HTMLSearchForm& form_;
  const HTMLTable& table_;
  HtmlText out_;
  Skin skin_;
  std::string criterion_title_;
  std::string select_text_;
  int16_t row_counter_ = 0;
};

}  // namespace

std::string BuildTextOperatorSelect(const AdminRecordset& page, std::string_view name,
                                    std::string_view caption) {
  return OperatorSelect(page, name, caption, kTextOperators);
}

std::string BuildCompareOperatorSelect(const AdminRecordset& page, std::string_view name,
                                       std::string_view caption) {
  return OperatorSelect(page, name, caption, kCompareOperators);
}

void RenderSearchForm(AdminRecordset& page) {
  HTMLSearchForm& form = *page.SearchForm;
  SearchFormWriter writer(page, form);
  writer.FormTag(ActionUrl(page, form));
  const bool criteria = VariantEquals(form.Style, Variant(int32_t{0}));
  if (criteria) {
    writer.CriteriaTable();
  } else {
    writer.KeywordBox();
  }
  writer.Buttons(criteria);
  page.RW(writer.Take());
  page.ActionPerformed = 128;
}

}  // namespace korvex
