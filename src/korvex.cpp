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
#include "editing/edit_form.h"
#include "editor/editor_page.h"
#include "listing/editing_list.h"
#include "render/select_from_recordset.h"

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
