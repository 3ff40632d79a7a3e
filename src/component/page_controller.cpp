// The page controller: the six generating methods. Each reads the page code the previous
// screen put in the query string and calls one screen through Screens; a request without a
// code it knows shows the method's own default screen.
#include <string>
#include <utility>

#include "component/admin_recordset.h"
#include "component/errors.h"
#include "component/screens.h"
#include "host/intrinsics.h"

namespace korvex {

namespace {

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

bool AdminRecordset::AnswerSharedCode(int16_t code, bool answers_row_form) {
  switch (code) {
    case 1:
      if (!answers_row_form) return false;
      screens_->RenderEditForm(*this, !kNew, !kLoad, "", !kDelete);
      return true;
    case 2:
      screens_->SaveRecord(*this);
      return true;
    case 11:
      screens_->RenderFileManFrameset(*this);
      return true;
    case 12:
      screens_->RenderFileManList(*this);
      return true;
    case 13:
      screens_->RenderFileManConsole(*this, "", "");
      return true;
    case 14:
      screens_->ReceiveUpload(*this);
      return true;
    case 15:
      screens_->RenderFileManDelete(*this);
      return true;
    case 16:
      screens_->RenderFileManRename(*this);
      return true;
    case 20:
      screens_->RenderHTMLEditorPage(*this);
      return true;
    default:
      return false;
  }
}

void AdminRecordset::DoEditingList(const std::optional<std::string>& sWhereCriterion) {
  recordset();
  SqlQuoting quoting = Quoting();
  int16_t code = PageCode();
  if (code == 1 || code == 2) TakeRecordsetFromRequest();
  if (AnswerSharedCode(code, true)) return;
  // The name may come from the request: it reaches SQL only once the catalogue knows it. The
  // refusal is the list's notice, as a failing list query is.
  try {
    if (!IsTableOrView(recordset_)) {
      WriteEditingListNotice(UnknownRecordsetError(recordset_));
      return;
    }
  } catch (const AutomationError& error) {
    WriteEditingListNotice(error);  // the connection would not open
    return;
  }
  // The blank after the name stays even without a criterion.
  screens_->RenderEditingList(*this, "SELECT * FROM " + quoting.QuoteIdentifier(recordset_) + " " +
                                         sWhereCriterion.value_or(""));
}

void AdminRecordset::DoSearchForm() {
  recordset();
  int16_t code = PageCode();
  if (code == -1 || code == -2 || code == 1 || code == 2) TakeRecordsetFromRequest();
  if (code == -1 || code == -2) {
    ShowSearchResult(code == -1);
    return;
  }
  if (AnswerSharedCode(code, true)) return;
  screens_->RenderSearchForm(*this);
}

std::string AdminRecordset::SearchResultSource(bool to_list) {
  recordset();
  std::string sql = RequestItem(ParamName("SQL"));
  // The name comes from the request and becomes the list's source or part of the
  // statement: only a table or view of the database is taken.
  if (!IsTableOrView(recordset_)) throw UnknownRecordsetError(recordset_);
  if (VariantEquals(SearchForm->Style, Variant(int32_t{0}))) {
    if (sql.empty()) return screens_->BuildCriteriaSql(*this);
    // A statement carried by a link runs only as this site wrote it.
    if (!SqlSignatureMatches(sql, RequestItem(ParamName("SQLSign")))) throw UnsignedSqlError();
    return sql;
  }
  // Fast search: the source stays the table; the screen's settings carry the filter.
  if (to_list) {
    EditingList = RequireObjectOf<HTMLEditingList>(
        Variant(screens_->ApplyFastSearch(*this, EditingList.get())));
  } else {
    Report = RequireObjectOf<HTMLReport>(Variant(screens_->ApplyFastSearch(*this, Report.get())));
  }
  return recordset_;
}

void AdminRecordset::ShowSearchResult(bool to_list) {
  std::string sql;
  try {
    sql = SearchResultSource(to_list);
  } catch (const AutomationError& error) {
    // The list shows a refusal as it shows its own failures; the report raises them.
    const bool refusal =
        error.source() == kComponentSource &&
        (error.number() == err::kUnknownRecordset || error.number() == err::kUnsignedSql ||
         error.number() == err::kSearchRefused);
    if (!to_list || !refusal) throw;
    WriteEditingListNotice(error);
    return;
  }
  if (to_list) {
    screens_->RenderEditingList(*this, sql);
  } else {
    screens_->RenderTemplateReport(*this, sql);
  }
}

void AdminRecordset::EditItem(const std::string& sWhereCriterion) {
  recordset();
  if (AnswerSharedCode(PageCode(), false)) return;
  screens_->RenderEditForm(*this, !kNew, kLoad, sWhereCriterion, !kDelete);
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
  if (AnswerSharedCode(PageCode(), false)) return;
  screens_->RenderEditForm(*this, kNew, !kLoad, "", !kDelete);
}

void AdminRecordset::DoReport() {
  recordset();
  int16_t code = PageCode();
  // Codes another generating method of the same page answers produce nothing here.
  if (code == -1 || code == 1 || code == 2) return;
  screens_->RenderTemplateReport(*this, recordset_);
}

}  // namespace korvex
