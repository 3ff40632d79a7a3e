// Registration of the classes a page may create: AdminRecordset and the settings objects
// that pages build themselves (relations, many-to-many declarations, templates, ...).
#pragma once

namespace korvex {
class ClassRegistry;
/// Every creatable class of the component under "Korvex." + its class name.
void RegisterComponentClasses(ClassRegistry& registry);
}  // namespace korvex
