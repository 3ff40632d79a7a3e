// A value put into a single-quoted string of the edit form's script block.
#pragma once

#include <string>
#include <string_view>

namespace korvex {

/// Escaped for the string, and "</" written as "<\/" (the same string) so that no value can
/// close the block.
std::string ScriptString(std::string_view text);

}  // namespace korvex
