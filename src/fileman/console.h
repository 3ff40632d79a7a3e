// Pieces every console-frame page shares: its head and foot, the back and close buttons, the
// links back to the script, and the opener's field and form the list keeps in the session.
#pragma once

#include <string>
#include <string_view>

namespace korvex {

class AdminRecordset;

/// The opener window's field and form that a selection fills.
struct ReturnTarget {
  std::string field;
  std::string form;
};

/// The values the list kept in the session ("returnfield" and "returnform" + suffix).
ReturnTarget KeptReturnTarget(const AdminRecordset& page);

/// ScriptName + "?Page" + suffix + "=" + code, not encoded.
std::string ScriptUrl(const AdminRecordset& page, int code);
/// "&returnfield=" and "&returnform=" with the values URL-encoded (safe in any context).
std::string ReturnQuery(const AdminRecordset& page, const ReturnTarget& target);

/// Clears the response and writes ConsoleHead.
void WriteConsoleHead(AdminRecordset& page);
/// Writes ConsoleFoot and ends the response.
[[noreturn]] void WriteConsoleFoot(AdminRecordset& page);

/// Reloads the console frame empty.
std::string BackButton(const AdminRecordset& page);
/// Closes the file manager window.
std::string CloseButton(const AdminRecordset& page);

/// A text as a single-quoted string of a script block: escaped, and "</" written as "<\/"
/// so that it cannot close the block.
std::string ScriptBlockString(std::string_view text);

}  // namespace korvex
