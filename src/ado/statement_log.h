// The statement log: with KORVEX_STATEMENT_LOG naming a file, every statement a provider
// session runs for a page (queries, writes and counts; not the catalogue reads) is appended to
// it, one line each, line breaks written as "\n". Values bound to parameters are not written:
// the log shows what was asked of the database, never the data. Meant for tracing a site and
// for checking which statements a request runs; off (and free) when the variable is not set.
#pragma once

#include <string_view>

namespace korvex::ado {

void LogStatement(std::string_view sql);

}  // namespace korvex::ado
