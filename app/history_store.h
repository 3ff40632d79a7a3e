// The built-in site's history of the writes it performed: one row per written record (time,
// user, table, key, action, and each changed column's old and new value), kept in an SQLite
// file of the site's state folder, never in the user's database. What is recorded comes from
// the data layer's write listener, so only writes that became final are ever kept.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "ado/row_write.h"

namespace korvex::app {

struct HistoryChange {
  std::string column;
  std::string before, after;  // display texts; "NULL" for a null
};

struct HistoryEntry {
  int64_t id = 0;
  std::string at;  // UTC, "YYYY-MM-DDTHH:MM:SSZ"
  std::string user;
  std::string table;
  std::string key;     // the key columns' values, ", " between them
  std::string action;  // "insert", "update" or "delete"
  std::vector<HistoryChange> changes;
};

class HistoryStore {
 public:
  /// Creates the file and its table when missing. Throws std::runtime_error saying why.
  explicit HistoryStore(std::filesystem::path file);

  /// The writes of one commit, all kept or none.
  void Record(const std::vector<ado::RowWrite>& writes, std::string_view user);
  /// Newest first; table "" for every table.
  std::vector<HistoryEntry> Latest(std::string_view table, int64_t offset, int64_t limit) const;
  int64_t Count(std::string_view table) const;

  /// The display text of a stored value, and the key of a write; exposed for the pages.
  static std::string ValueText(const ado::DbValue& value);
  static std::string KeyText(const ado::RowWrite& write);

 private:
  std::filesystem::path file_;
  std::string label_;  // "history <file>", for messages
};

}  // namespace korvex::app
