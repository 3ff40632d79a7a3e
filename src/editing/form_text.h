// Texts put into single-quoted strings of the edit form's script block.
#pragma once

#include <string>
#include <string_view>

namespace korvex {

/// A text already escaped for a script string, with "</" written as "<\/" (the same string)
/// so that it cannot close the block.
std::string InScriptBlock(std::string_view escaped);

/// Any text as a script string: escaped, then made safe for the block.
std::string ScriptString(std::string_view text);

}  // namespace korvex
