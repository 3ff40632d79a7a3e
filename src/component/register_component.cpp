// The component's creatable classes. HTMLTable, HTMLEditingList, HTMLEditForm,
// HTMLResultPage, HTMLSearchForm and filFileMan are reached only through AdminRecordset.
#include "component/register_component.h"

#include "component/admin_recordset.h"
#include "component/settings/cal_calendar.h"
#include "component/settings/db_many_to_many.h"
#include "component/settings/db_relation.h"
#include "component/settings/html_editor.h"
#include "component/settings/html_fast_search.h"
#include "component/settings/html_java_scripts.h"
#include "component/settings/html_many_to_many.h"
#include "component/settings/html_related_records.h"
#include "component/settings/html_report.h"
#include "component/settings/html_template.h"
#include "component/tools.h"
#include "core/class_registry.h"

namespace korvex {

void RegisterComponentClasses(ClassRegistry& registry) {
  RegisterClass<AdminRecordset>(registry, "Korvex.AdminRecordset");
  RegisterClass<calCalendar>(registry, "Korvex.calCalendar");
  RegisterClass<DBRelation>(registry, "Korvex.DBRelation");
  RegisterClass<DBManyToMany>(registry, "Korvex.DBManyToMany");
  RegisterClass<HTMLRelatedRecords>(registry, "Korvex.HTMLRelatedRecords");
  RegisterClass<HTMLManyToMany>(registry, "Korvex.HTMLManyToMany");
  RegisterClass<HTMLJavaScripts>(registry, "Korvex.HTMLJavaScripts");
  RegisterClass<HTMLTemplate>(registry, "Korvex.HTMLTemplate");
  RegisterClass<HTMLReport>(registry, "Korvex.HTMLReport");
  RegisterClass<HTMLFastSearch>(registry, "Korvex.HTMLFastSearch");
  RegisterClass<HTMLEditor>(registry, "Korvex.HTMLEditor");
  RegisterClass<Tools>(registry, "Korvex.Tools");
}

}  // namespace korvex
