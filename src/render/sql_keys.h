// How a key value is put into the SQL of the relation sub-list and the many-to-many lists.
// A text key goes between single quotes with quotes doubled; a key of a numeric column is
// written bare, and so must be a plain number: anything else never reaches the SQL text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korvex {

enum class KeyQuoting {
  Text,    // GUID and character columns: '...'
  Number,  // numbers, dates and timestamps: written bare
  None,    // any other type: no comparison is written
};

/// The quoting of a key compared with a column of the given ADO type.
KeyQuoting KeyQuotingOf(int32_t ado_type);

/// True for a plain decimal number: optional sign, digits with an optional fraction, an
/// optional exponent; no blanks, no hexadecimal, no currency signs.
bool IsSqlNumber(std::string_view text);

}  // namespace korvex
