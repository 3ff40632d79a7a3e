#pragma once

namespace korvex {
class ClassRegistry;
/// The creatable classes of reports, under their "Korvex." identifiers.
void RegisterReportsClasses(ClassRegistry& registry);
}  // namespace korvex
