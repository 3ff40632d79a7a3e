#include "editor/register_editor.h"

#include "core/class_registry.h"
#include "editor/html_editor.h"

namespace korvex {

void RegisterEditorClasses(ClassRegistry& registry) {
  RegisterClass<HTMLEditor>(registry, "Korvex.HTMLEditor");
}

}  // namespace korvex
