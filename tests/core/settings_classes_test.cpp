#include <gtest/gtest.h>

#include "core/automation_error.h"
#include "core/class_registry.h"
#include "editing/cal_calendar.h"
#include "editing/register_editing.h"
#include "reports/register_reports.h"

namespace korvex {
namespace {

TEST(ClassRegistry, CreatesSettingsClassesByIdentifier) {
  ClassRegistry registry;
  RegisterEditingClasses(registry);
  RegisterReportsClasses(registry);
  auto cal = registry.Create("korvex.CALCALENDAR");
  EXPECT_EQ(ToText(cal->Get("m1")), "jan");
  EXPECT_EQ(ToText(cal->Get("M12")), "dec");
  int year = BreakDate(Now()).year;
  EXPECT_EQ(CLng(cal->Get("FromYear")), year - 5);
  EXPECT_EQ(CLng(cal->Get("ToYear")), year + 5);
  EXPECT_EQ(ToText(registry.Create("Korvex.HTMLTemplate")->Get("EndLoopKey")),
            "<!-- KORVEX END LOOP -->");
  auto link = registry.Create("Korvex.DBManyToMany");
  link->Put("filter", Variant("Active = True"));
  EXPECT_EQ(ToText(link->Get("Filter")), "Active = True");
  try {
    registry.Create("Korvex.Nothing");
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), -2147221005);
  }
}

}  // namespace
}  // namespace korvex
