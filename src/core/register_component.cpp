#include "core/register_component.h"

#include "core/admin_recordset.h"
#include "core/class_registry.h"

namespace korvex {

void RegisterComponentClasses(ClassRegistry& registry) {
  RegisterClass<AdminRecordset>(registry, "Korvex.AdminRecordset");
}

}  // namespace korvex
