// The edit form, top to bottom as the page shows it: the form tag and its script, the title
// row, the hidden control fields, one row per field, the many-to-many editors and the submit
// button. Failures reach the page; what was written before stays.
#include "editing/edit_form.h"

#include <memory>

#include "ado/ado_constants.h"
#include "ado/connection.h"
#include "ado/recordset.h"
#include "component/admin_recordset.h"
#include "component/errors.h"
#include "editing/edit_form_rows.h"
#include "editing/validation_script.h"
#include "render/page_links.h"
#include "render/related_list.h"

namespace korvex {

namespace {

// Whether any column of table has a default the database fills in. A provider that cannot
// tell answers no.
bool AnyColumnDefault(AdminRecordset& page, const std::string& table) {
  try {
    auto columns = page.Connection()->OpenSchema(
        ado::schema::kColumns, std::vector<Variant>{Variant(), Variant(), Variant(table)});
    for (; !columns->IsEOF(); columns->MoveNext()) {
      Variant has_default = columns->Fields().Item(Variant("COLUMN_HASDEFAULT"))->Value();
      if (!has_default.IsNull() && CBool(has_default)) return true;
    }
  } catch (const AutomationError&) {
  }
  return false;
}

std::shared_ptr<ado::Recordset> OpenRecord(AdminRecordset& page, const std::string& quoted,
                                           const std::string& where_criterion) {
  auto recordset = std::make_shared<ado::Recordset>();
  recordset->Open(Variant("SELECT * FROM " + quoted + " " + where_criterion),
                  Variant(page.Connection()), ado::kOpenKeyset, ado::kLockOptimistic,
                  ado::kCmdUnspecified);
  if (recordset->RecordCount() > 1) RaiseError(err::kNoUniqueIdentifier, quoted);
  return recordset;
}

}  // namespace

void RenderEditForm(AdminRecordset& page, bool is_new, bool load_record,
                    const std::string& where_criterion, bool is_delete) {
  HTMLEditForm& form = *page.EditForm;
  const Skin skin = ReadSkin(*form.Table);
  std::string caption = form.ButtonEditCaption;
  const std::string table = page.recordset();
  // The name may come from the request (a list row's post): it reaches SQL only once the
  // catalogue knows it.
  if (!page.IsTableOrView(table)) throw UnknownRecordsetError(table);
  const std::string quoted = page.QuotedIdentifier(table);
  const std::string action = LinkPath(page) + "?" + page.ParamName("Page") + "=2&" +
                             page.ParamName("Recordset") + "=" + page.UE(table);

  auto recordset = std::make_shared<ado::Recordset>();
  recordset->Open(Variant(quoted), Variant(page.Connection()), ado::kOpenDynamic,
                  ado::kLockOptimistic, ado::kCmdTable);
  AddSchemaRelations(page, *form.RelatedRecords);
  page.CollectRequiredColumns(table);

  FormMode mode{.is_new = is_new, .load_record = load_record, .is_delete = is_delete};
  if (load_record) {
    recordset->Close();
    recordset = OpenRecord(page, quoted, where_criterion);
    mode.has_record = !recordset->IsEOF();
  }
  if (is_new) {
    if (!AnyColumnDefault(page, table)) form.AllowDefaultValues = false;
    // The provider fills the new record with the defaults; nothing is saved.
    if (form.AllowDefaultValues) {
      recordset->AddNew();
      mode.has_record = true;
    }
  }

  const std::string posted_delete = page.RequestItem(page.ParamName("DELETE"));
  mode.delete_mode = is_delete || posted_delete == page.EditingList->ButtonDeleteCaption() ||
                     posted_delete == page.EditingList->RelatedRecords->ButtonDeleteCaption();
  if (mode.delete_mode) caption = form.ButtonDeleteCaption;

  page.RW("<FORM NAME=PW ACTION='" + action + "' METHOD='POST' \r\n");
  if (!mode.delete_mode) page.RW("onsubmit='return Form_OnSubmit(this)' ");
  page.RW(">");
  if (!mode.delete_mode) page.RW(ValidationScript(page, *recordset));

  page.RW(skin.TableTag + "\r\n");
  page.RW(skin.TitleTR + skin.LabelTitleTD + skin.LabelTitle + skin.LabelTitleTDClose +
          skin.DataTitleTD + skin.DataTitle + skin.DataTitleTDClose + skin.TitleTRClose + "\r\n");

  FormRows rows(page, *recordset, skin, mode);
  if (is_new) {
    caption = form.ButtonAddCaption;
    page.RW("<input type='hidden' name='" + page.ParamName("NuovoRecord") + "' value='TRUE'>\r\n");
  } else {
    page.RW(rows.KeyCopies());
  }
  ado::Fields& fields = recordset->Fields();
  for (int32_t i = 0; i < fields.Count(); ++i) rows.WriteRow(fields[static_cast<size_t>(i)]);
  rows.WriteManyToMany();

  page.RW(skin.SubmitTR + skin.SubmitTD + "<INPUT CLASS='Button' type=submit value='" + caption +
          "'>" + skin.SubmitTDClose + skin.SubmitTRClose + "\r\n");
  page.RW(skin.TableTagClose + "</FORM>\r\n");
  recordset->Close();
  page.ActionPerformed = 4;
}

}  // namespace korvex
