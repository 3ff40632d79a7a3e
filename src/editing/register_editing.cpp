#include "editing/register_editing.h"

#include "core/class_registry.h"
#include "editing/cal_calendar.h"
#include "editing/db_many_to_many.h"
#include "editing/db_relation.h"
#include "editing/html_java_scripts.h"
#include "editing/html_many_to_many.h"
#include "editing/html_related_records.h"

namespace korvex {

// HTMLEditForm and HTMLResultPage are reached only through AdminRecordset's members.
void RegisterEditingClasses(ClassRegistry& registry) {
  RegisterClass<calCalendar>(registry, "Korvex.calCalendar");
  RegisterClass<DBRelation>(registry, "Korvex.DBRelation");
  RegisterClass<DBManyToMany>(registry, "Korvex.DBManyToMany");
  RegisterClass<HTMLRelatedRecords>(registry, "Korvex.HTMLRelatedRecords");
  RegisterClass<HTMLManyToMany>(registry, "Korvex.HTMLManyToMany");
  RegisterClass<HTMLJavaScripts>(registry, "Korvex.HTMLJavaScripts");
}

}  // namespace korvex
