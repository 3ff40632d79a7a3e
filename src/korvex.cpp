// Registration of every creatable class. Explicit calls, not static initialisers: the linker
// drops unreferenced objects of a static library, and with them their initialisers.
#include "korvex.h"

#include <mutex>

#include "ado/register_ado.h"
#include "core/class_registry.h"
#include "core/register_component.h"
#include "editing/register_editing.h"
#include "editor/register_editor.h"
#include "reports/register_reports.h"
#include "search/register_search.h"

namespace korvex {

void RegisterAllClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    ClassRegistry& registry = ClassRegistry::Global();
    RegisterComponentClasses(registry);
    ado::RegisterAdoClasses(registry);
    RegisterEditingClasses(registry);
    RegisterReportsClasses(registry);
    RegisterSearchClasses(registry);
    RegisterEditorClasses(registry);
  });
}

}  // namespace korvex
