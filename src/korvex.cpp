// The facade: the top of the library, the only place that knows every screen. It registers
// the creatable classes and wires the screens into the component. Explicit calls, not static
// initialisers: the linker drops unreferenced objects of a static library, and with them
// their initialisers.
#include "korvex.h"

#include <mutex>

#include "ado/register_ado.h"
#include "component/register_component.h"
#include "component/screens.h"
#include "core/class_registry.h"
#include "diagnostics/connection_properties.h"
#include "diagnostics/recordset_table.h"
#include "diagnostics/schema_dumps.h"
#include "editing/edit_form.h"
#include "editing/write_path.h"
#include "editor/editor_page.h"
#include "fileman/file_manager.h"
#include "listing/editing_list.h"
#include "render/select_from_recordset.h"
#include "reports/base_template.h"
#include "reports/template_report.h"
#include "search/criteria_sql.h"
#include "search/fast_search.h"
#include "search/search_form.h"

namespace korvex {

namespace {

// The screens built so far; the entries not overridden refuse with an error naming them.
class ProductScreens final : public Screens {
 public:
  void RenderEditingList(AdminRecordset& page, const std::string& sql) override {
    korvex::RenderEditingList(page, sql);
  }
  void RenderEditForm(AdminRecordset& page, bool is_new, bool load_record,
                      const std::string& where_criterion, bool is_delete) override {
    korvex::RenderEditForm(page, is_new, load_record, where_criterion, is_delete);
  }
  void RenderTemplateReport(AdminRecordset& page, const std::string& source) override {
    korvex::RenderTemplateReport(page, source);
  }
  std::string DoBaseTemplate(AdminRecordset& page, const Variant& file_path,
                             bool overwrite) override {
    return korvex::DoBaseTemplate(page, file_path, overwrite);
  }
  void SaveRecord(AdminRecordset& page) override { korvex::SaveRecord(page); }
  void RenderSearchForm(AdminRecordset& page) override { korvex::RenderSearchForm(page); }
  std::string BuildCriteriaSql(AdminRecordset& page) override {
    return korvex::BuildCriteriaSql(page);
  }
  std::shared_ptr<Dispatch> ApplyFastSearch(AdminRecordset& page,
                                            std::shared_ptr<Dispatch> target) override {
    return korvex::ApplyFastSearch(page, std::move(target));
  }
  void RenderFileManFrameset(AdminRecordset& page) override { korvex::RenderFileManFrameset(page); }
  void RenderFileManList(AdminRecordset& page) override { korvex::RenderFileManList(page); }
  void RenderFileManConsole(AdminRecordset& page, const std::string& message,
                            const std::string& file_name) override {
    korvex::RenderFileManConsole(page, message, file_name);
  }
  void ReceiveUpload(AdminRecordset& page) override { korvex::ReceiveUpload(page); }
  void RenderFileManDelete(AdminRecordset& page) override { korvex::RenderFileManDelete(page); }
  void RenderFileManRename(AdminRecordset& page) override { korvex::RenderFileManRename(page); }
  void RenderHTMLEditorPage(AdminRecordset& page) override { korvex::RenderHTMLEditorPage(page); }
  std::string RenderHTMLEditor(const HTMLEditor& editor) override {
    return korvex::RenderHTMLEditor(editor);
  }
  std::string SelectFromRecordset(const AdminRecordset& page, std::string_view name,
                                  const Variant& connection, std::string_view recordset,
                                  std::string_view value_field,
                                  const SelectOptions& options) override {
    return korvex::SelectFromRecordset(page, name, connection, recordset, value_field, options);
  }
  std::string RStoTable(const AdminRecordset& page, ado::Recordset& recordset) override {
    return korvex::RStoTable(page, recordset);
  }
  void DisplayConnProperties(AdminRecordset& page) override { korvex::DisplayConnProperties(page); }
  void DisplaySchemas(AdminRecordset& page) override { korvex::DisplaySchemas(page); }
  void DisplaySchema(AdminRecordset& page, int32_t kind, std::string_view title) override {
    korvex::DisplaySchema(page, kind, title);
  }
  void DisplayRecordsetSchemas(AdminRecordset& page) override {
    korvex::DisplayRecordsetSchemas(page);
  }
};

}  // namespace

void RegisterAllClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    static ProductScreens screens;
    InstallScreens(screens);
    ClassRegistry& registry = ClassRegistry::Global();
    RegisterComponentClasses(registry);
    ado::RegisterAdoClasses(registry);
  });
}

}  // namespace korvex
