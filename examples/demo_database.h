// The demo shop database that `korvex serve` opens when no database is named: categories,
// products, customers, orders and a product/tag link, with declared foreign keys, plus a
// files/ folder of sample images for the file manager.
#pragma once

#include <filesystem>
#include <string>

namespace korvex::examples {

inline constexpr const char* kDemoDatabaseName = "korvex-demo.db";

/// Creates folder/korvex-demo.db and folder/files/ when they are missing and returns the
/// database path. An existing database is reused untouched, so edits survive restarts.
/// Building goes to a temporary file renamed at the end: a run stopped half-way leaves no
/// half-built database behind.
std::filesystem::path EnsureDemoDatabase(const std::filesystem::path& folder);

/// The demo database as SQL: its tables, then its rows, in a dialect SQLite and the test
/// server's schema loader both take.
std::string DemoDatabaseSql();

/// Writes the sample images into folder (created if needed); existing files are kept.
void WriteSampleImages(const std::filesystem::path& folder);

}  // namespace korvex::examples
