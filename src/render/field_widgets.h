// The small shared widget helpers of the forms: the display-only checkbox, collection key
// test, SQL quoting of a posted value, the file-manager button and the file manager's letter
// index. Each returns text; the caller writes it.
#pragma once

#include <string>
#include <string_view>

#include "core/variant.h"

namespace korvex {

class Collection;

/// A disabled checkbox for showing a truth value, optionally in its own dummy form.
std::string CheckboxDisplay(bool checked, bool wrap_in_form);

/// True when reading the item under key (a text key, or a position for a number) would
/// succeed; every lookup error answers False.
bool CollectionHasKey(const Variant& key, const Collection& collection);

/// A value made safe between single quotes in SQL: its first 255 characters with every
/// single quote doubled; an empty (or null) value gives the text "Null".
std::string SqlSafeValue(const Variant& value);

/// The "..." button that opens the file manager for a field and writes the chosen file back
/// into it. The caption argument is accepted for compatibility; the button always reads "...".
std::string FileManagerButton(std::string_view name, std::string_view encoded_name,
                              std::string_view caption, std::string_view url);

/// Links "@", "A" ... "Z" to the file list, each followed by the separator.
std::string AlphabetLinks(std::string_view separator, std::string_view url);

}  // namespace korvex
