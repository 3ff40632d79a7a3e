#pragma once

namespace korvex {
class ClassRegistry;
/// The creatable classes of the HTML editor, under their "Korvex." identifiers.
void RegisterEditorClasses(ClassRegistry& registry);
}  // namespace korvex
