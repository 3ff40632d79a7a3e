// The built-in site's panels; see site_panels.h.
#include "app/site_panels.h"

#include <algorithm>
#include <cstdio>

#include "host/encoding.h"

namespace korvex::app {

namespace {

using host::EncodeHtml;

// A value as the history shows it: the empty side of an insert or delete shows as a dash.
std::string Cell(std::string_view text, bool present) {
  if (!present) return "<td class=\"none\">&#8211;</td>";
  return "<td>" + EncodeHtml(text) + "</td>";
}

}  // namespace

std::string SiteHeader(std::string_view database, const std::vector<std::string>& tables,
                       std::string_view table, std::string_view screen,
                       std::string_view list_query) {
  std::string out = "<header class=\"site\">\r\n<p class=\"brand\"><a href=\"/\">Korvex</a> ";
  out += "<span class=\"database\">" + EncodeHtml(database) + "</span></p>\r\n";
  out += "<nav class=\"tables\" aria-label=\"Tables\"><ul>";
  for (const std::string& name : tables) {
    const bool current = name == table;
    out += "<li><a href=\"/table.ksp?RecordsetKorVex=" + EncodeHtml(host::EncodeUrl(name)) + "\"";
    if (current) out += " aria-current=\"true\"";
    out += ">" + EncodeHtml(name) + "</a></li>";
  }
  out += "</ul></nav>\r\n</header>\r\n";
  if (table.empty()) return out;

  const std::string query = "?RecordsetKorVex=" + host::EncodeUrl(table);
  struct Screen {
    std::string_view id, label, page;
  };
  static constexpr Screen kScreens[] = {
      {"list", "List", "/table.ksp"},      {"search", "Search", "/search.ksp"},
      {"add", "Add", "/add.ksp"},          {"report", "Report", "/report.ksp"},
      {"schema", "Schema", "/schema.ksp"}, {"history", "History", "/history.ksp"},
  };
  out += "<nav class=\"screens\" aria-label=\"Screens of this table\"><h1>" + EncodeHtml(table) +
         "</h1><ul>";
  for (const Screen& s : kScreens) {
    const std::string href =
        std::string(s.page) + (s.id == "list" ? std::string(list_query) : query);
    out += "<li><a href=\"" + EncodeHtml(href) + "\"";
    if (s.id == screen) out += " aria-current=\"page\"";
    out += ">" + std::string(s.label) + "</a></li>";
  }
  out += "</ul></nav>\r\n";
  return out;
}

std::string MessageLine(std::string_view text, bool error) {
  // role=alert makes a screen reader say an error at once; a success is polite.
  return std::string(error ? "<p class=\"message error\" role=\"alert\">"
                           : "<p class=\"message ok\" role=\"status\">") +
         EncodeHtml(text) + "</p>\r\n";
}

std::string WriteSummary(const ado::RowWrite& write) {
  std::string text = write.table;
  const std::string key = HistoryStore::KeyText(write);
  if (!key.empty()) text += " " + key;
  switch (write.action) {
    case ado::RowWrite::Action::kInsert:
      return text + " added";
    case ado::RowWrite::Action::kDelete:
      return text + " deleted";
    default:
      return text + " updated";
  }
}

std::string HistoryTable(const std::vector<HistoryEntry>& entries, bool with_table) {
  if (entries.empty()) return "<p class=\"empty\">No changes recorded yet.</p>\r\n";
  std::string out = "<table class=\"history\">\r\n<thead><tr><th scope=\"col\">Time (UTC)</th>";
  out += "<th scope=\"col\">User</th>";
  if (with_table) out += "<th scope=\"col\">Table</th>";
  out +=
      "<th scope=\"col\">Key</th><th scope=\"col\">Action</th><th scope=\"col\">Changes</th>"
      "</tr></thead>\r\n<tbody>\r\n";
  for (const HistoryEntry& entry : entries) {
    out += "<tr><td>" + EncodeHtml(entry.at) + "</td><td>" + EncodeHtml(entry.user) + "</td>";
    if (with_table) out += "<td>" + EncodeHtml(entry.table) + "</td>";
    out += "<td>" + EncodeHtml(entry.key) + "</td><td class=\"action-" + EncodeHtml(entry.action) +
           "\">" + EncodeHtml(entry.action) + "</td><td>";
    if (entry.changes.empty()) {
      out += "&#8211;";
    } else {
      out +=
          "<table class=\"changes\"><tr><th scope=\"col\">Column</th><th scope=\"col\">Old</th>"
          "<th scope=\"col\">New</th></tr>";
      for (const HistoryChange& change : entry.changes) {
        out += "<tr><td>" + EncodeHtml(change.column) + "</td>" +
               Cell(change.before, entry.action != "insert") +
               Cell(change.after, entry.action != "delete") + "</tr>";
      }
      out += "</table>";
    }
    out += "</td></tr>\r\n";
  }
  out += "</tbody></table>\r\n";
  return out;
}

std::string Pager(std::string_view base, int64_t current, int64_t pages) {
  if (pages <= 1) return "";
  std::string out = "<nav class=\"pager\" aria-label=\"Pages\">";
  const std::string href = EncodeHtml(base);
  auto link = [&](int64_t page, std::string_view text, std::string_view label) {
    out += "<a href=\"" + href + std::to_string(page) + "\" aria-label=\"" + std::string(label) +
           "\">" + std::string(text) + "</a>";
  };
  if (current > 1) link(current - 1, "&#8249; Previous", "Previous page");
  const int64_t first = std::max<int64_t>(1, current - 4);
  const int64_t last = std::min<int64_t>(pages, first + 9);
  for (int64_t page = first; page <= last; ++page) {
    if (page == current) {
      out += "<span class=\"current\" aria-current=\"page\">" + std::to_string(page) + "</span>";
    } else {
      link(page, std::to_string(page), "Page " + std::to_string(page));
    }
  }
  if (current < pages) link(current + 1, "Next &#8250;", "Next page");
  out += "</nav>\r\n";
  return out;
}

std::string SizeText(uintmax_t bytes) {
  char text[32];
  if (bytes < 1024) {
    std::snprintf(text, sizeof text, "%ju bytes", bytes);
  } else if (bytes < 1024 * 1024) {
    std::snprintf(text, sizeof text, "%.1f KB", static_cast<double>(bytes) / 1024);
  } else if (bytes < uintmax_t{1024} * 1024 * 1024) {
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024 * 1024));
  } else {
    std::snprintf(text, sizeof text, "%.2f GB",
                  static_cast<double>(bytes) / (1024.0 * 1024 * 1024));
  }
  return text;
}

}  // namespace korvex::app
