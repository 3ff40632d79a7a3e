#pragma once

namespace korvex {
class ClassRegistry;
/// AdminRecordset under "Korvex.AdminRecordset".
void RegisterComponentClasses(ClassRegistry& registry);
}  // namespace korvex
