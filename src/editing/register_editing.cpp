#include "editing/register_editing.h"

#include "core/class_registry.h"
#include "editing/cal_calendar.h"
#include "editing/db_many_to_many.h"
#include "editing/db_relation.h"

namespace korvex {

void RegisterEditingClasses(ClassRegistry& registry) {
  RegisterClass<calCalendar>(registry, "Korvex.calCalendar");
  RegisterClass<DBRelation>(registry, "Korvex.DBRelation");
  RegisterClass<DBManyToMany>(registry, "Korvex.DBManyToMany");
}

}  // namespace korvex
