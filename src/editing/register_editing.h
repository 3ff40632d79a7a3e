#pragma once

namespace korvex {
class ClassRegistry;
/// The creatable classes of record editing, under their "Korvex." identifiers.
void RegisterEditingClasses(ClassRegistry& registry);
}  // namespace korvex
