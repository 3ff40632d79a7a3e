// Markup of the built-in site's own panels, beside the screens the component draws: the
// message line after a write, the history table and its pager. Every text from the database
// or the request goes through the HTML encoder here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ado/row_write.h"
#include "app/history_store.h"

namespace korvex::app {

/// The header every page of the site starts with: the database's name, a link to each
/// table, and for a page of one table (table not "") the links to its screens, screen
/// ("list", "search", "add", "report", "schema", "history", or "") marked as the current one.
/// list_query: the query of the table's list link ("?RecordsetKorVex=t&CPKorVex=3").
std::string SiteHeader(std::string_view database, const std::vector<std::string>& tables,
                       std::string_view table, std::string_view screen,
                       std::string_view list_query);

/// One line for the message area: "Customers 42 updated" style text, or an error.
std::string MessageLine(std::string_view text, bool error);

/// What the write told by the data layer did, as the message line says it:
/// "Customers 42 updated".
std::string WriteSummary(const ado::RowWrite& write);

/// The history rows as a table, newest first; with_table adds the table's column.
std::string HistoryTable(const std::vector<HistoryEntry>& entries, bool with_table);

/// Page links 1..pages around current, each to base + page number; "" for a single page.
/// base is a URL already encoded for a query ("/history.ksp?RecordsetKorVex=x&page=").
std::string Pager(std::string_view base, int64_t current, int64_t pages);

/// "812 KB", "3.4 MB": a size for people.
std::string SizeText(uintmax_t bytes);

}  // namespace korvex::app
