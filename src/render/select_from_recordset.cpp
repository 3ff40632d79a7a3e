// Select from a recordset. The option text takes whole columns while it is shorter than
// MaxSelectLenght, then is cut to that length before encoding, so an entity is never cut.
#include "render/select_from_recordset.h"

#include <algorithm>

#include "ado/ado_constants.h"
#include "ado/recordset.h"
#include "component/admin_recordset.h"
#include "component/field_model.h"
#include "render/html_text.h"
#include "render/sql_keys.h"

namespace korvex {

namespace {

// Which columns feed the option text: text columns always, number columns on request;
// dates, booleans, memos, binaries and identifiers never.
bool FeedsOptionText(int32_t type, bool numbers_too) {
  switch (ClassOfType(type)) {
    case FieldClass::Number:
      return numbers_too;
    case FieldClass::Text:
      return type != ado::type::kGuid;
    default:
      return false;
  }
}

std::string OptionText(ado::Fields& fields, const std::vector<bool>& feeds, size_t longest) {
  std::string text;
  size_t length = 0;
  for (size_t i = 0; i < feeds.size(); ++i) {
    if (!feeds[i] || length >= longest) continue;
    Variant value = fields[i].Value();
    if (value.IsNull()) continue;  // a row of nulls gives an empty text, not blanks
    std::string piece = ToText(value) + " ";
    length += CountChars(piece);
    text += piece;
  }
  return std::string(LeftChars(text, longest));
}

}  // namespace

bool HasFilter(const Variant& filter) {
  return !(filter.IsMissing() || filter.IsEmpty() || filter.IsNull() ||
           (filter.IsString() && filter.AsString().empty()));
}

std::string SelectFromRecordset(const AdminRecordset& page, std::string_view select_name,
                                const Variant& connection, std::string_view recordset,
                                std::string_view value_field, const SelectOptions& options) {
  std::string sql = options.sql;
  if (sql.empty()) sql = page.QuotedIdentifier(recordset);

  HtmlText out(page);
  out.Raw("<select name=\"").Raw(select_name).Raw("\"");
  if (!options.size.empty()) out.Raw(" multiple size='").Raw(options.size).Raw("' ");
  if (options.disabled) out.Raw(" disabled ");
  out.Raw(">").Raw(page.DebugNewLines(2));
  if (options.with_select)
    out.Raw("<option value=\"\"> ").Raw(options.select_text).Raw(" </option>");

  if (!options.no_rows) {
    auto rs = std::make_shared<ado::Recordset>();
    rs->CursorLocation(ado::kUseClient);
    rs->Open(Variant(sql), connection, ado::kOpenUnspecified, ado::kLockUnspecified,
             ado::kCmdUnspecified);
    if (HasFilter(options.filter)) rs->Filter(options.filter);
    rs->ActiveConnection(Variant::Nothing());

    ado::Fields& fields = rs->Fields();
    std::shared_ptr<ado::Field> value = fields.Item(Variant(value_field));
    std::vector<bool> feeds(static_cast<size_t>(fields.Count()));
    for (size_t i = 0; i < feeds.size(); ++i) {
      bool hidden = options.fields_to_hide &&
                    IsInCollection(Variant(fields[i].Name()), *options.fields_to_hide);
      feeds[i] = !hidden && FeedsOptionText(fields[i].Type(), page.ShowNumbersInSelect);
    }
    size_t longest = static_cast<size_t>(std::max<int16_t>(page.MaxSelectLenght, 0));
    std::string tab = page.DebugTabs(1), new_line = page.DebugNewLines(1);
    for (; !rs->IsEOF(); rs->MoveNext()) {
      std::string value_text = TextOrEmpty(value->Value());
      out.Raw(tab).Raw("<option value=\"").Html(value_text).Raw("\"");
      if (VariantEquals(options.selected_id, Variant(value_text))) out.Raw(" selected");
      out.Raw(">").Html(OptionText(fields, feeds, longest)).Raw("</option>").Raw(new_line);
    }
    rs->Close();
  }
  out.Raw("</select>").Raw(page.DebugNewLines(1));
  return out.Take();
}

}  // namespace korvex
