// SaveRecord, in the order of its steps, and its one error handler. Nothing of the answer is
// written before the write has succeeded: the result page is composed on the side.
#include "editing/write_path.h"

#include <memory>
#include <string>

#include "ado/ado_constants.h"
#include "ado/ado_errors.h"
#include "ado/connection.h"
#include "ado/recordset.h"
#include "component/admin_recordset.h"
#include "component/errors.h"
#include "editing/posted_form.h"
#include "editing/result_page.h"
#include "editing/write_path_fields.h"
#include "editing/write_path_key.h"
#include "editing/write_path_links.h"
#include "host/intrinsics.h"

namespace korvex {

namespace {

// The automation layer's conversion failures (DISP_E_TYPEMISMATCH, DISP_E_OVERFLOW): with the
// field's own conversion error, a value the record could not take.
constexpr int32_t kDispTypeMismatch = -2147352571;  // 0x80020005
constexpr int32_t kDispOverflow = -2147352566;      // 0x8002000A

// What the error handler needs to know of the steps already done.
struct WriteProgress {
  bool is_delete = false;
  std::string key_sql;
};

// The record's write and its link rows as one unit: begun at the first statement that
// changes data, rolled back when left without Commit (a failure anywhere in between).
class WriteTransaction {
 public:
  explicit WriteTransaction(ado::Connection& connection) : connection_(connection) {}
  WriteTransaction(const WriteTransaction&) = delete;
  WriteTransaction& operator=(const WriteTransaction&) = delete;
  ~WriteTransaction() {
    if (!open_) return;
    try {
      connection_.RollbackTrans();
    } catch (const AutomationError&) {
      // The database may have ended the transaction itself; the failure is what is reported.
    }
  }
  void Begin() {
    connection_.BeginTrans();
    open_ = true;
  }
  void Commit() {
    connection_.CommitTrans();
    open_ = false;
  }

 private:
  ado::Connection& connection_;
  bool open_ = false;
};

// The gate in front of the server lets GET through from any site (a link or an image of
// another site's page sends one): a write comes only from a posted form.
void RequirePostedForm(AdminRecordset& page) {
  if (page.Request().ServerVariables().Get("REQUEST_METHOD") == "POST") return;
  throw AutomationError(err::kWriteNotPosted,
                        "A record is written only by a posted form; this request is a " +
                            page.Request().ServerVariables().Get("REQUEST_METHOD").value_or("") +
                            " request",
                        std::string(kComponentSource));
}

// The name came with the request: it is written only when the catalogue knows it.
void RequireTable(AdminRecordset& page) {
  const std::string name = page.recordset();
  if (!page.IsTableOrView(name)) throw UnknownRecordsetError(name);
}

bool AsksForDelete(AdminRecordset& page) {
  const std::string caption = page.RequestItem(page.ParamName("DELETE"));
  return caption == page.EditingList->ButtonDeleteCaption() ||
         caption == page.EditingList->RelatedRecords->ButtonDeleteCaption();
}

// Reopens recordset on the key statement, standing on the one record it selects.
void LocateRecord(AdminRecordset& page, ado::Recordset& recordset, WriteProgress& progress) {
  progress.key_sql = BuildKeyQuery(page, recordset);
  recordset.Close();
  recordset.Open(Variant(progress.key_sql), Variant(page.Connection()), ado::kOpenKeyset,
                 ado::kLockOptimistic, ado::kCmdUnspecified);
  recordset.MoveLast();  // no record: 3021
  recordset.MoveFirst();
  if (recordset.RecordCount() > 1) RaiseError(err::kNoUniqueIdentifier);
}

void DeleteRecord(AdminRecordset& page, ado::Recordset& recordset, WriteProgress& progress) {
  progress.is_delete = true;
  WriteTransaction transaction(*page.Connection());
  transaction.Begin();
  HTMLManyToMany& links = *page.EditForm->ManyToMany;
  if (links.DeleteOnDelete)
    for (const auto& link : links.Links()) SaveManyToManyLinks(page, *link, recordset, true);
  recordset.Delete();
  transaction.Commit();
  page.RW(page.ResultPage->DeleteText);
  page.ActionPerformed = 32;
}

void Store(AdminRecordset& page, WriteProgress& progress) {
  RequirePostedForm(page);
  RequireTable(page);
  auto recordset = std::make_shared<ado::Recordset>();
  recordset->Open(Variant(page.QuotedIdentifier(page.recordset())), Variant(page.Connection()),
                  ado::kOpenDynamic, ado::kLockOptimistic, ado::kCmdTable);
  ResultPage result(page);
  const HTMLResultPage& texts = *page.ResultPage;

  // Only the exact text the add form writes asks for an insert.
  const bool inserting = PostedText(page, page.ParamName("NuovoRecord")) == "TRUE";
  if (inserting) {
    recordset->AddNew();
    page.ActionPerformed = 8;
  } else {
    page.ActionPerformed = 16;
    LocateRecord(page, *recordset, progress);
  }
  if (AsksForDelete(page)) {
    DeleteRecord(page, *recordset, progress);
    return;
  }

  AssignPostedFields(page, *recordset);
  result.Head(inserting ? texts.TopAddNewText : texts.TopModifyText);
  result.FieldRows(*recordset);
  WriteTransaction transaction(*page.Connection());
  transaction.Begin();
  recordset->Update();
  // After the record: a new record's generated key is the links' local key.
  for (const auto& link : page.EditForm->ManyToMany->Links())
    result.ManyToManyRow(*link, SaveManyToManyLinks(page, *link, *recordset, false));
  transaction.Commit();
  result.Write(inserting ? texts.BottomAddNewText : texts.BottomModifyText);
}

}  // namespace

void SaveRecord(AdminRecordset& page) {
  WriteProgress progress;
  try {
    Store(page, progress);
  } catch (const AutomationError& error) {
    page.ActionPerformed = 2;
    switch (error.number()) {
      case err::kNoUniqueIdentifier:
        // Without a key statement the record was refused before any: the table is the detail.
        if (progress.key_sql.empty()) throw;
        RaiseError(error.number(), std::string(ErrorDetailLead(error.number())) + progress.key_sql);
      case kDispTypeMismatch:
      case kDispOverflow:
      case err::kCannotConvert:
        if (progress.is_delete) {
          page.RW(page.EditForm->UnableToDeleteError);
          return;
        }
        RaiseError(err::kGenericError,
                   std::string(ErrorDetailLead(err::kGenericError)) + error.description());
      case err::kNoCurrentRecord:
        RaiseError(err::kUpdateFailed,
                   std::string(ErrorDetailLead(err::kUpdateFailed)) + progress.key_sql);
      default:
        throw;
    }
  }
}

}  // namespace korvex
