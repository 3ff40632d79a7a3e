// Many-to-many editor. The lists are posted as LinkRecordset + "SRC"/"DEST" + the parameter
// suffix; the validation script moves the entries and selects every active one before the
// form is sent.
#include "render/many_to_many_editor.h"

#include "ado/ado_constants.h"
#include "ado/connection.h"
#include "ado/recordset.h"
#include "component/admin_recordset.h"
#include "component/settings/db_many_to_many.h"
#include "component/settings/html_many_to_many.h"
#include "render/html_text.h"
#include "render/select_from_recordset.h"
#include "render/skin.h"
#include "render/sql_keys.h"

namespace korvex {

std::string ManyToManyList(const AdminRecordset& page, const HTMLManyToMany& settings,
                           const DBManyToMany& link, const Variant& connection,
                           std::string_view name, const RowSource& rows) {
  SelectOptions options;
  options.with_select = true;
  options.select_text = settings.FirstSelectElement;
  options.fields_to_hide = settings.HiddenFields.get().get();
  options.filter = Variant(link.Filter);
  options.size = settings.SelectSize;
  options.sql = rows.sql;
  options.no_rows = rows.no_rows;
  return SelectFromRecordset(page, name, connection, link.RemoteRecordset, link.RemoteField,
                             options);
}

std::string ValueQuote(AdminRecordset& page, std::string_view table, std::string_view column) {
  auto rs = std::make_shared<ado::Recordset>();
  rs->Open(Variant("SELECT TOP 1 " + page.QuotedIdentifier(column) + " FROM " +
                   page.QuotedIdentifier(table)),
           Variant(page.Connection()), ado::kOpenUnspecified, ado::kLockUnspecified,
           ado::kCmdUnspecified);
  bool quoted = KeyQuotingOf(rs->Fields()[0].Type()) == KeyQuoting::Text;
  rs->Close();
  return quoted ? "'" : "";
}

ManyToManySql BuildManyToManySql(AdminRecordset& page, const DBManyToMany& link,
                                 std::string_view local_value) {
  bool text_key = ValueQuote(page, link.LinkRecordset, link.LinkToLocalField) == "'";
  return ManyToManySqlFor(link, local_value, text_key, page.Quoting());
}

void RenderManyToManyEditor(AdminRecordset& page, const DBManyToMany& link,
                            ado::Connection& connection, std::string_view local_value,
                            bool delete_mode) {
  const HTMLManyToMany& settings = *page.EditForm->ManyToMany;
  Skin skin = ReadSkin(*settings.Table, page.DebugMode, MarkerLayout::Inline);
  ManyToManySql sql = BuildManyToManySql(page, link, local_value);
  const Variant shared_connection(connection.shared_from_this());
  if (delete_mode) {
    page.RW(ManyToManyList(page, settings, link, shared_connection, "", sql.active));
    return;
  }
  const std::string source = link.LinkRecordset + page.ParamName("SRC");
  const std::string destination = link.LinkRecordset + page.ParamName("DEST");

  HtmlText out(page);
  out.Raw(skin.TableTag).Raw(skin.TitleTR);
  out.Raw(skin.LabelTitleTD).Raw(skin.LabelTitle).Raw(skin.LabelTitleTDClose);
  out.Raw(skin.DataTitleTD).Raw("<font size=1>&nbsp;</font>").Raw(skin.DataTitleTDClose);
  out.Raw(skin.DataTitleTD).Raw(skin.DataTitle).Raw(skin.DataTitleTDClose);
  out.Raw(skin.TitleTRClose);

  int16_t row_counter = 0;
  out.Raw(RowTag(row_counter, *settings.Table, false));
  out.Raw(skin.LabelTD)
      .Raw(ManyToManyList(page, settings, link, shared_connection, source, sql.available));
  out.Raw(skin.LabelTDClose);
  out.Raw(skin.DataTD)
      .Raw("<input type=button CLASS='Button' name='")
      .Raw(link.LinkRecordset)
      .Raw("ADD' value='")
      .Raw(settings.ButtonAddCaption)
      .Raw("'  onClick=\" MoveElements('")
      .Raw(source)
      .Raw("','")
      .Raw(destination)
      .Raw("')\">")
      .Raw(settings.BetweenAddAndRemove)
      .Raw("<input type=button CLASS='Button' name='")
      .Raw(link.LinkRecordset)
      .Raw("REMOVE' value='")
      .Raw(settings.ButtonRemoveCaption)
      .Raw("' onClick=\" MoveElements('")
      .Raw(destination)
      .Raw("', '")
      .Raw(source)
      .Raw("')\">")
      .Raw(skin.DataTDClose);
  out.Raw(skin.DataTD)
      .Raw(ManyToManyList(page, settings, link, shared_connection, destination, sql.active));
  out.Raw(skin.DataTDClose);
  out.Raw(RowTag(row_counter, *settings.Table, true));
  out.Raw(skin.TableTagClose);
  page.RW(out.str());
}

}  // namespace korvex
