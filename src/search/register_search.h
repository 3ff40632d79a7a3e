#pragma once

namespace korvex {
class ClassRegistry;
/// The creatable classes of search, under their "Korvex." identifiers.
void RegisterSearchClasses(ClassRegistry& registry);
}  // namespace korvex
