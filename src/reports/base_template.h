// The generator of a starting report template: a whole HTML page listing every field of the
// current recordset as "name: {name}" inside the loop keys, with the totals and page links
// around them. The report uses it when the page names no template file.
#pragma once

#include <string>

#include "core/variant.h"

namespace korvex {

class AdminRecordset;

/// The template text for page.recordset() with the keys of page.Report.Template. Raises what
/// opening the recordset raises.
std::string BaseTemplateText(AdminRecordset& page);

/// AdminRecordset.DoBaseTemplate: the text when file_path is Missing; otherwise writes it to
/// the file, writes the help page and returns "". Any failure is written with WriteError
/// (followed, for an existing file, by how to replace it) and gives "".
std::string DoBaseTemplate(AdminRecordset& page, const Variant& file_path, bool overwrite);

}  // namespace korvex
