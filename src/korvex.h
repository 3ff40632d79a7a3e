// The library's one entry point for hosts: every creatable class, registered once.
#pragma once

namespace korvex {
/// Fills ClassRegistry::Global() with every creatable class; safe to call more than once.
void RegisterAllClasses();
}  // namespace korvex
