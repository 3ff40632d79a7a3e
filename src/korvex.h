// The library's one entry point for hosts: every creatable class registered and the screens
// of this build wired into the component, once.
#pragma once

namespace korvex {
/// Fills ClassRegistry::Global() with every creatable class and installs the screens every
/// AdminRecordset reaches; safe to call more than once, from any thread.
void RegisterAllClasses();
}  // namespace korvex
