// The screens of a build that has none: each entry refuses with an error naming the screen,
// so a page learns plainly what is missing instead of receiving an empty or partial answer.
#include "component/screens.h"

#include <atomic>

#include "component/errors.h"

namespace korvex {

namespace {

[[noreturn]] void NotAvailable(std::string_view screen) {
  throw AutomationError(err::kScreenNotAvailable,
                        "The " + std::string(screen) + " is not available in this build",
                        std::string(kComponentSource));
}

std::atomic<Screens*> installed{nullptr};

}  // namespace

void Screens::RenderEditingList(AdminRecordset&, const std::string&) {
  NotAvailable("editing list screen");
}
void Screens::RenderEditForm(AdminRecordset&, bool, bool, const std::string&, bool) {
  NotAvailable("edit form screen");
}
void Screens::SaveRecord(AdminRecordset&) {
  NotAvailable("write path of posted forms");
}
void Screens::RenderSearchForm(AdminRecordset&) {
  NotAvailable("search form screen");
}
std::string Screens::BuildCriteriaSql(AdminRecordset&) {
  NotAvailable("criteria search (criteria to SQL)");
}
std::shared_ptr<Dispatch> Screens::ApplyFastSearch(AdminRecordset&, std::shared_ptr<Dispatch>) {
  NotAvailable("fast search");
}
void Screens::RenderTemplateReport(AdminRecordset&, const std::string&) {
  NotAvailable("template report screen");
}
std::string Screens::DoBaseTemplate(AdminRecordset&, const Variant&, bool) {
  NotAvailable("base template generator");
}
void Screens::RenderFileManFrameset(AdminRecordset&) {
  NotAvailable("file manager frameset screen");
}
void Screens::RenderFileManList(AdminRecordset&) {
  NotAvailable("file manager file list screen");
}
void Screens::RenderFileManConsole(AdminRecordset&, const std::string&, const std::string&) {
  NotAvailable("file manager console screen");
}
void Screens::ReceiveUpload(AdminRecordset&) {
  NotAvailable("file upload receiver");
}
void Screens::RenderFileManDelete(AdminRecordset&) {
  NotAvailable("file manager delete screen");
}
void Screens::RenderFileManRename(AdminRecordset&) {
  NotAvailable("file manager rename screen");
}
void Screens::RenderHTMLEditorPage(AdminRecordset&) {
  NotAvailable("HTML editor page");
}
std::string Screens::RenderHTMLEditor(const HTMLEditor&) {
  NotAvailable("HTML editor page");
}
std::string Screens::SelectFromRecordset(const AdminRecordset&, std::string_view, const Variant&,
                                         std::string_view, std::string_view, const SelectOptions&) {
  NotAvailable("select from a recordset");
}

std::string Screens::RStoTable(const AdminRecordset&, ado::Recordset&) {
  NotAvailable("recordset table dump");
}
void Screens::DisplayConnProperties(AdminRecordset&) {
  NotAvailable("connection properties dump");
}
void Screens::DisplaySchemas(AdminRecordset&) {
  NotAvailable("schema dump");
}
void Screens::DisplaySchema(AdminRecordset&, int32_t, std::string_view) {
  NotAvailable("schema dump");
}
void Screens::DisplayRecordsetSchemas(AdminRecordset&) {
  NotAvailable("recordset schema dump");
}

Screens& InstalledScreens() {
  static Screens none;
  Screens* screens = installed.load(std::memory_order_acquire);
  return screens ? *screens : none;
}

void InstallScreens(Screens& screens) {
  installed.store(&screens, std::memory_order_release);
}

}  // namespace korvex
