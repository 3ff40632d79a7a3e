// The properties of a connection, one table row each, with every password the connection
// string holds masked.
#pragma once

namespace korvex {

class AdminRecordset;

/// Opens a connection of its own with page.ConnectionString (a failing open is raised) and
/// writes its properties as a table; the connection is closed again. A property named as a
/// password shows only a mask, and any password of the string (quoted inner strings and
/// user:password@ in addresses included) is masked wherever a value repeats it.
void DisplayConnProperties(AdminRecordset& page);

}  // namespace korvex
