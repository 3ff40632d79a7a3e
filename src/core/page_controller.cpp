// The page controller: the six generating methods. Each reads the page code the previous
// screen put in the query string and calls one screen through Screens; a request without a
// code it knows shows the method's own default screen.
#include <string>

#include "core/admin_recordset.h"
#include "core/screens.h"
#include "host/intrinsics.h"

namespace korvex {

namespace {

bool IsAuxiliaryCode(int16_t code) {
  return (code >= 11 && code <= 16) || code == 20;
}

// The edit form flags of the default screens.
constexpr bool kNew = true, kLoad = true, kDelete = true;

}  // namespace

int16_t AdminRecordset::PageCode() const {
  auto code = Request().QueryString().Get(ParamName("Page"));
  if (!code) return 0;
  // An empty or non-numeric code raises 13, one beyond 16 bits 6, as the conversion does.
  return CInt(Variant(*code));
}

void AdminRecordset::TakeRecordsetFromRequest() {
  // Replaces the page's own name even when the request carries none.
  recordset_ = RequestItem(ParamName("Recordset"));
}

void AdminRecordset::RenderAuxiliaryScreen(int16_t code) {
  switch (code) {
    case 11:
      screens_->RenderFileManFrameset(*this);
      break;
    case 12:
      screens_->RenderFileManList(*this);
      break;
    case 13:
      screens_->RenderFileManConsole(*this, "", "");
      break;
    case 14:
      screens_->ReceiveUpload(*this);
      break;
    case 15:
      screens_->RenderFileManDelete(*this);
      break;
    case 16:
      screens_->RenderFileManRename(*this);
      break;
    case 20:
      screens_->RenderHTMLEditorPage(*this);
      break;
  }
}

void AdminRecordset::DoEditingList(const std::optional<std::string>& sWhereCriterion) {
  recordset();
  std::string left = left_separator_, right = right_separator_;
  int16_t code = PageCode();
  if (code == 1) {
    TakeRecordsetFromRequest();
    screens_->RenderEditForm(*this, !kNew, !kLoad, "", !kDelete);
  } else if (code == 2) {
    TakeRecordsetFromRequest();
    screens_->SaveRecord(*this);
  } else if (IsAuxiliaryCode(code)) {
    RenderAuxiliaryScreen(code);
  } else {
    // The blank after the name stays even without a criterion.
    screens_->RenderEditingList(
        *this, "SELECT * FROM " + left + recordset_ + right + " " + sWhereCriterion.value_or(""));
  }
}

void AdminRecordset::DoSearchForm() {
  recordset();
  std::string sql = RequestItem(ParamName("SQL"));
  int16_t code = PageCode();
  if (code == -1 || code == -2) {
    TakeRecordsetFromRequest();
    bool to_list = code == -1;
    if (VariantEquals(SearchForm->Style, Variant(int32_t{0}))) {
      if (sql.empty()) sql = screens_->BuildCriteriaSql(*this);
    } else {
      // Fast search: the source stays the table; the screen's settings carry the filter.
      sql = recordset_;
      if (to_list) {
        EditingList = RequireObjectOf<HTMLEditingList>(
            Variant(screens_->ApplyFastSearch(*this, EditingList.get())));
      } else {
        Report =
            RequireObjectOf<HTMLReport>(Variant(screens_->ApplyFastSearch(*this, Report.get())));
      }
    }
    if (to_list) {
      screens_->RenderEditingList(*this, sql);
    } else {
      screens_->RenderTemplateReport(*this, sql);
    }
  } else if (code == 1) {
    TakeRecordsetFromRequest();
    screens_->RenderEditForm(*this, !kNew, !kLoad, "", !kDelete);
  } else if (code == 2) {
    TakeRecordsetFromRequest();
    screens_->SaveRecord(*this);
  } else if (IsAuxiliaryCode(code)) {
    RenderAuxiliaryScreen(code);
  } else {
    screens_->RenderSearchForm(*this);
  }
}

void AdminRecordset::EditItem(const std::string& sWhereCriterion) {
  recordset();
  int16_t code = PageCode();
  if (code == 2) {
    screens_->SaveRecord(*this);
  } else if (IsAuxiliaryCode(code)) {
    RenderAuxiliaryScreen(code);
  } else {
    screens_->RenderEditForm(*this, !kNew, kLoad, sWhereCriterion, !kDelete);
  }
}

void AdminRecordset::DeleteItem(const std::string& sWhereCriterion) {
  recordset();
  // The file manager and editor codes do not apply here: every code but 2 asks to confirm.
  if (PageCode() == 2) {
    screens_->SaveRecord(*this);
  } else {
    screens_->RenderEditForm(*this, !kNew, kLoad, sWhereCriterion, kDelete);
  }
}

void AdminRecordset::AddNew() {
  recordset();
  int16_t code = PageCode();
  if (code == 2) {
    screens_->SaveRecord(*this);
  } else if (IsAuxiliaryCode(code)) {
    RenderAuxiliaryScreen(code);
  } else {
    screens_->RenderEditForm(*this, kNew, !kLoad, "", !kDelete);
  }
}

void AdminRecordset::DoReport() {
  recordset();
  int16_t code = PageCode();
  // Codes another generating method of the same page answers produce nothing here.
  if (code == -1 || code == 1 || code == 2) return;
  screens_->RenderTemplateReport(*this, recordset_);
}

}  // namespace korvex
