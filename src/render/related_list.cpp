// Related records. The sub-list is one form around one table: every matched record becomes
// label/value rows followed by a submit row carrying its buttons and hidden copies of its
// values, which the related table's edit form reads as a posted list row.
#include "render/related_list.h"

#include <memory>

#include "ado/ado_constants.h"
#include "ado/connection.h"
#include "ado/recordset.h"
#include "component/admin_recordset.h"
#include "component/field_model.h"
#include "component/settings/html_related_records.h"
#include "render/field_widgets.h"
#include "render/html_text.h"
#include "render/page_links.h"
#include "render/select_from_recordset.h"
#include "render/skin.h"
#include "render/sql_keys.h"

namespace korvex {

namespace {

std::string SchemaText(ado::Fields& fields, const char* column) {
  return TextOrEmpty(fields.Item(Variant(column))->Value());
}

// The types the sub-list shows and copies: the seventeen supported ones.
bool IsShown(int32_t type) {
  return IsSupportedType(type);
}

// The WHERE clause on the related field, or nothing when the key may not enter SQL.
std::optional<std::string> KeyCondition(std::string_view quoted_field, const Variant& key,
                                        int32_t field_type) {
  std::string condition = " where " + std::string(quoted_field);
  switch (KeyQuotingOf(field_type)) {
    case KeyQuoting::Text:
      return condition + " = '" + SqlSafeValue(key) + "'";
    case KeyQuoting::Number: {
      std::string text = TextOrEmpty(key);
      if (!IsSqlNumber(text)) return std::nullopt;
      return condition + " =" + text;
    }
    case KeyQuoting::None:
      return condition;
  }
  return condition;
}

std::shared_ptr<ado::Recordset> OpenRelated(ado::Connection& connection, const std::string& sql) {
  auto open = [&] {
    auto rs = std::make_shared<ado::Recordset>();
    rs->Open(Variant(sql), Variant(connection.shared_from_this()), ado::kOpenDynamic,
             ado::kLockReadOnly, ado::kCmdUnspecified);
    return rs;
  };
  try {
    return open();
  } catch (const AutomationError&) {
    // One more attempt, whose failure reaches the screen.
    return open();
  }
}

void RenderRecord(AdminRecordset& page, const HTMLRelatedRecords& relations, const Skin& skin,
                  ado::Fields& fields, int16_t& row_counter, HtmlText& out) {
  const HTMLTable& table = *relations.Table;
  for (int32_t i = 0; i < fields.Count(); ++i) {
    ado::Field& field = fields[static_cast<size_t>(i)];
    std::string name = field.Name();
    if (relations.HideAutonumbers && IsAutoIncrementField(field)) continue;
    if (IsInCollection(Variant(name), *relations.HiddenFields)) continue;
    out.Raw(RowTag(row_counter, table, false)).Raw(skin.LabelTD);
    if (std::optional<Variant> alias = relations.FieldAliases->Find(name)) {
      out.Raw(TextOrEmpty(*alias));
    } else {
      out.Html(name);
    }
    out.Raw(skin.LabelTDClose).Raw(skin.DataTD);
    if (IsShown(field.Type())) {
      out.Html(TextOrEmpty(field.Value()));
    } else {
      out.Raw(page.ErrNotASupportedField);
    }
    out.Raw(skin.DataTDClose).Raw(RowTag(row_counter, table, true));
  }
}

void RenderButtons(AdminRecordset& page, const HTMLRelatedRecords& relations, const Skin& skin,
                   ado::Fields& fields, HtmlText& out) {
  out.Raw(skin.SubmitTR).Raw(skin.SubmitTD);
  if (relations.AllowEdit)
    out.Raw("<input type=submit class='subformbutton' value='")
        .Raw(relations.ButtonEditCaption)
        .Raw("'>");
  out.Raw(relations.BetweenEditAndDelete);
  if (relations.AllowDelete)
    out.Raw("<input name='")
        .Raw(page.ParamName("DELETE"))
        .Raw("' type=submit class='subformbutton' value='")
        .Raw(relations.ButtonDeleteCaption())
        .Raw("'>");
  for (int32_t i = 0; i < fields.Count(); ++i) {
    ado::Field& field = fields[static_cast<size_t>(i)];
    if (!IsShown(field.Type())) continue;
    out.Raw("<input type=hidden name='").Html(field.Name()).Raw("' value=\"");
    out.Html(TextOrEmpty(field.Value())).Raw("\">");
  }
  out.Raw(skin.SubmitTDClose).Raw(skin.SubmitTRClose);
}

}  // namespace

void AddSchemaRelations(AdminRecordset& page, HTMLRelatedRecords& relations) {
  try {
    std::string table = page.recordset();
    auto keys = page.Connection()->OpenSchema(
        ado::schema::kForeignKeys, std::vector<Variant>{Variant(), Variant(), Variant(), Variant(),
                                                        Variant(), Variant(table)});
    for (; !keys->IsEOF(); keys->MoveNext()) {
      ado::Fields& fields = keys->Fields();
      if (SchemaText(fields, "FK_TABLE_NAME") != table) continue;
      try {
        relations.Add(SchemaText(fields, "FK_COLUMN_NAME"), SchemaText(fields, "PK_COLUMN_NAME"),
                      SchemaText(fields, "PK_TABLE_NAME"));
      } catch (const AutomationError&) {
        // Declared by the page already: the page's relation stays.
      }
    }
  } catch (const AutomationError&) {
    // A provider without a foreign-key rowset gives no relations.
  }
}

std::string RenderRelatedList(AdminRecordset& page, const HTMLRelatedRecords& relations,
                              ado::Connection& connection, std::string_view related_table,
                              std::string_view related_field, const Variant& key_value,
                              int32_t field_type, const Variant& filter, bool inside_form) {
  std::string key = TextOrEmpty(key_value);
  if (key.empty()) return "";

  Skin skin = ReadSkin(*relations.Table, page.DebugMode, MarkerLayout::Broken);
  std::optional<std::string> condition =
      KeyCondition(page.QuotedIdentifier(related_field), key_value, field_type);

  std::shared_ptr<ado::Recordset> rs;
  if (condition) {
    rs = OpenRelated(connection,
                     "SELECT * from " + page.QuotedIdentifier(related_table) + *condition);
    if (HasFilter(filter)) rs->Filter(filter);
  }

  HtmlText out(page);
  bool with_form = !inside_form && (relations.AllowEdit || relations.AllowDelete);
  if (with_form) {
    out.Raw("<form name=pino2 method=post action='")
        .Raw(LinkPath(page))
        .Raw("?")
        .Raw(page.ParamName("Page"))
        .Raw("=1&")
        .Raw(page.ParamName("Recordset"))
        .Raw("=")
        .Url(related_table)
        .Raw("'>");
  }
  out.Raw(skin.TableTag).Raw(skin.TitleTR);
  out.Raw(skin.LabelTitleTD).Raw(skin.LabelTitle).Raw(skin.LabelTitleTDClose);
  out.Raw(skin.DataTitleTD).Raw(skin.DataTitle).Raw(skin.DataTitleTDClose);
  out.Raw(skin.TitleTRClose).Crlf();

  bool matched = false;
  int16_t row_counter = 0;
  if (rs) {
    ado::Fields& fields = rs->Fields();
    std::shared_ptr<ado::Field> related = fields.Item(Variant(related_field));
    for (; !rs->IsEOF(); rs->MoveNext()) {
      if (TextOrEmpty(related->Value()) != key) continue;
      matched = true;
      RenderRecord(page, relations, skin, fields, row_counter, out);
      if (with_form) RenderButtons(page, relations, skin, fields, out);
    }
    rs->Close();
  }
  out.Raw(skin.TableTagClose);
  if (with_form) out.Raw("</form>");

  if (!matched && page.DebugMode)
    return "<!--KORVEX DEBUG MESSAGE:  No related records found for key " + page.HE(key) + "-->";
  return out.Take();
}

}  // namespace korvex
