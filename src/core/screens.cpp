// The product's screens. Each entry calls its screen's renderer once that screen exists in
// this build; until then it refuses with an error that names the screen, so a page learns
// plainly what is missing instead of receiving an empty or partial answer.
#include "core/screens.h"

#include <string_view>

#include "core/admin_recordset.h"
#include "core/errors.h"
#include "listing/editing_list.h"

namespace korvex {

namespace {

[[noreturn]] void NotAvailable(std::string_view screen) {
  throw AutomationError(err::kScreenNotAvailable,
                        "The " + std::string(screen) + " is not available in this build",
                        std::string(kComponentSource));
}

class BuiltScreens final : public Screens {
 public:
  void RenderEditingList(AdminRecordset& page, const std::string& sql) override {
    korvex::RenderEditingList(page, sql);
  }
  void RenderEditForm(AdminRecordset&, bool, bool, const std::string&, bool) override {
    NotAvailable("edit form screen");
  }
  void SaveRecord(AdminRecordset&) override { NotAvailable("write path of posted forms"); }
  void RenderSearchForm(AdminRecordset&) override { NotAvailable("search form screen"); }
  std::string BuildCriteriaSql(AdminRecordset&) override {
    NotAvailable("criteria search (criteria to SQL)");
  }
  std::shared_ptr<Dispatch> ApplyFastSearch(AdminRecordset&, std::shared_ptr<Dispatch>) override {
    NotAvailable("fast search");
  }
  void RenderTemplateReport(AdminRecordset&, const std::string&) override {
    NotAvailable("template report screen");
  }
  void RenderFileManFrameset(AdminRecordset&) override {
    NotAvailable("file manager frameset screen");
  }
  void RenderFileManList(AdminRecordset&) override {
    NotAvailable("file manager file list screen");
  }
  void RenderFileManConsole(AdminRecordset&, const std::string&, const std::string&) override {
    NotAvailable("file manager console screen");
  }
  void ReceiveUpload(AdminRecordset&) override { NotAvailable("file upload receiver"); }
  void RenderFileManDelete(AdminRecordset&) override { NotAvailable("file manager delete screen"); }
  void RenderFileManRename(AdminRecordset&) override { NotAvailable("file manager rename screen"); }
  void RenderHTMLEditorPage(AdminRecordset&) override { NotAvailable("HTML editor page"); }
};

}  // namespace

Screens& ProductScreens() {
  static BuiltScreens screens;
  return screens;
}

}  // namespace korvex
