#include "reports/register_reports.h"

#include "core/class_registry.h"
#include "reports/html_template.h"

namespace korvex {

void RegisterReportsClasses(ClassRegistry& registry) {
  RegisterClass<HTMLTemplate>(registry, "Korvex.HTMLTemplate");
}

}  // namespace korvex
