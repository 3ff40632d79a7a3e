// The built-in administration site: its pages, carried inside the program and written out to
// a private folder for the page engine to serve, and the Korvex.BuiltInSite object through
// which those pages learn the server's settings (never from the URL).
#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ado/connection.h"
#include "core/class_registry.h"

namespace korvex::app {

struct EmbeddedFile {
  std::string_view name;
  std::string_view text;
};

/// The site's files, generated at build time from app/site/.
std::span<const EmbeddedFile> BuiltInSiteFiles();

/// Writes the site's files into a folder of state_dir named after their content and returns
/// it, so servers of different versions never serve each other's pages. Files already there
/// with the right content are left as they are (the page cache keeps them compiled); any
/// other is replaced whole.
std::filesystem::path WriteBuiltInSite(const std::filesystem::path& state_dir);

/// What the site's pages ask the server for.
struct SiteSettings {
  std::string connection_string;
  std::string database_name;  // shown in page titles
  /// The URL folder of the site's files ("/files/"), and the columns, as {table, column},
  /// whose values name files there. Empty when the site has no files.
  std::string files_path;
  std::vector<std::pair<std::string, std::string>> file_fields;
  /// The server's state folder: the site keeps the report templates it generates there.
  std::filesystem::path state_dir;
  /// The columns, as {table, column}, whose values are HTML, edited with the HTML editor.
  std::vector<std::pair<std::string, std::string>> html_fields;
};

/// "Provider=SQLite;Data Source=<path>", the path quoted so any file name is taken whole.
std::string SqliteConnectionString(const std::filesystem::path& database);

/// The name to show for a connection string: its data source or database, without folders.
std::string DatabaseNameOf(const std::string& connection_string);

/// The database's tables (schema rowset 20, type "TABLE") in the catalogue's order.
/// Raises the data layer's error when the connection cannot be opened.
std::vector<std::string> ListTables(const std::string& connection_string);
/// The same through a connection already open.
std::vector<std::string> ListTables(ado::Connection& connection);

/// Registers Korvex.BuiltInSite with these settings; pages create it to read them.
void RegisterBuiltInSite(ClassRegistry& registry, SiteSettings settings);

}  // namespace korvex::app
