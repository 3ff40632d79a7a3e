#include "reports/register_reports.h"

#include "core/class_registry.h"
#include "reports/html_report.h"
#include "reports/html_template.h"

namespace korvex {

void RegisterReportsClasses(ClassRegistry& registry) {
  RegisterClass<HTMLTemplate>(registry, "Korvex.HTMLTemplate");
  RegisterClass<HTMLReport>(registry, "Korvex.HTMLReport");
}

}  // namespace korvex
