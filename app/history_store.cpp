// The history file: one row per write in history, its changed columns in history_changes.
// Every call opens its own connection, so page threads never share one.
#include "app/history_store.h"

#include <sqlite3.h>

#include <charconv>
#include <ctime>
#include <memory>
#include <stdexcept>

#include "core/text.h"
#include "host/sqlite_statement.h"

namespace korvex::app {

namespace {

using host::sqlite_file::Exec;
using host::sqlite_file::Fail;
using host::sqlite_file::Statement;

constexpr int kBusyTimeoutMs = 10000;

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS history(
  id INTEGER PRIMARY KEY,
  at TEXT NOT NULL,
  user TEXT NOT NULL,
  table_name TEXT NOT NULL,
  row_key TEXT NOT NULL,
  action TEXT NOT NULL);
CREATE INDEX IF NOT EXISTS history_by_table ON history(table_name, id);
CREATE TABLE IF NOT EXISTS history_changes(
  history_id INTEGER NOT NULL REFERENCES history(id),
  position INTEGER NOT NULL,
  column_name TEXT NOT NULL,
  before TEXT NOT NULL,
  after TEXT NOT NULL,
  PRIMARY KEY(history_id, position)) WITHOUT ROWID;
)sql";

struct Closer {
  void operator()(sqlite3* db) const { sqlite3_close(db); }
};
using Db = std::unique_ptr<sqlite3, Closer>;

Db Open(const std::filesystem::path& file, std::string_view label) {
  sqlite3* raw = nullptr;
  int rc =
      sqlite3_open_v2(file.c_str(), &raw,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  Db db(raw);
  if (rc != SQLITE_OK) Fail(raw, label, "open");
  sqlite3_busy_timeout(raw, kBusyTimeoutMs);
  return db;
}

std::string UtcNow() {
  std::time_t now = std::time(nullptr);
  std::tm parts{};
  gmtime_r(&now, &parts);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
  return text;
}

const char* ActionName(ado::RowWrite::Action action) {
  switch (action) {
    case ado::RowWrite::Action::kInsert:
      return "insert";
    case ado::RowWrite::Action::kDelete:
      return "delete";
    default:
      return "update";
  }
}

}  // namespace

HistoryStore::HistoryStore(std::filesystem::path file)
    : file_(std::move(file)), label_("history " + file_.string()) {
  Db db = Open(file_, label_);
  Exec(db.get(), label_, "PRAGMA journal_mode=WAL");
  Exec(db.get(), label_, kSchema);
}

std::string HistoryStore::ValueText(const ado::DbValue& value) {
  switch (value.kind) {
    case ado::DbValue::Kind::Null:
      return "NULL";
    case ado::DbValue::Kind::Integer:
      return std::to_string(value.integer);
    case ado::DbValue::Kind::Real: {
      char digits[32];
      auto result = std::to_chars(digits, digits + sizeof digits, value.real);
      return std::string(digits, result.ptr);
    }
    case ado::DbValue::Kind::Text:
      return SanitizeUtf8(value.bytes);
    case ado::DbValue::Kind::Blob:
      return "(" + std::to_string(value.bytes.size()) + " bytes)";
  }
  return "";
}

std::string HistoryStore::KeyText(const ado::RowWrite& write) {
  const std::vector<ado::DbValue>& row =
      write.action == ado::RowWrite::Action::kDelete ? write.before : write.after;
  std::string key;
  for (size_t i = 0; i < write.columns.size() && i < row.size(); ++i) {
    if (!write.key[i]) continue;
    if (!key.empty()) key += ", ";
    key += ValueText(row[i]);
  }
  return key;
}

void HistoryStore::Record(const std::vector<ado::RowWrite>& writes, std::string_view user) {
  Db db = Open(file_, label_);
  Exec(db.get(), label_, "BEGIN IMMEDIATE");
  try {
    Statement head(db.get(), label_,
                   "INSERT INTO history(at, user, table_name, row_key, action) "
                   "VALUES(?, ?, ?, ?, ?)");
    Statement change(db.get(), label_,
                     "INSERT INTO history_changes(history_id, position, column_name, before, "
                     "after) VALUES(?, ?, ?, ?, ?)");
    const std::string at = UtcNow();
    for (const ado::RowWrite& write : writes) {
      head.Reset();
      head.Bind(1, at).Bind(2, user).Bind(3, write.table).Bind(4, KeyText(write));
      head.Bind(5, ActionName(write.action)).Step();
      const int64_t id = sqlite3_last_insert_rowid(db.get());
      int64_t position = 0;
      for (size_t i = 0; i < write.columns.size(); ++i) {
        const bool has_before = i < write.before.size(), has_after = i < write.after.size();
        // An update keeps only the columns it changed; an insert or delete keeps them all.
        if (has_before && has_after && write.before[i] == write.after[i]) continue;
        change.Reset();
        change.Bind(1, id).Bind(2, ++position).Bind(3, write.columns[i]);
        change.Bind(4, has_before ? ValueText(write.before[i]) : "");
        change.Bind(5, has_after ? ValueText(write.after[i]) : "");
        change.Step();
      }
    }
    Exec(db.get(), label_, "COMMIT");
  } catch (...) {
    sqlite3_exec(db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

std::vector<HistoryEntry> HistoryStore::Latest(std::string_view table, int64_t offset,
                                               int64_t limit) const {
  Db db = Open(file_, label_);
  Statement rows(db.get(), label_,
                 "SELECT id, at, user, table_name, row_key, action FROM history "
                 "WHERE ?1 = '' OR table_name = ?1 ORDER BY id DESC LIMIT ?2 OFFSET ?3");
  rows.Bind(1, table).Bind(2, limit).Bind(3, offset);
  std::vector<HistoryEntry> entries;
  while (rows.Step()) {
    entries.push_back(
        {rows.Int(0), rows.Text(1), rows.Text(2), rows.Text(3), rows.Text(4), rows.Text(5), {}});
  }
  Statement changes(db.get(), label_,
                    "SELECT column_name, before, after FROM history_changes WHERE history_id = ? "
                    "ORDER BY position");
  for (HistoryEntry& entry : entries) {
    changes.Reset();
    changes.Bind(1, entry.id);
    while (changes.Step())
      entry.changes.push_back({changes.Text(0), changes.Text(1), changes.Text(2)});
  }
  return entries;
}

int64_t HistoryStore::Count(std::string_view table) const {
  Db db = Open(file_, label_);
  Statement count(db.get(), label_,
                  "SELECT count(*) FROM history WHERE ?1 = '' OR table_name = ?1");
  count.Bind(1, table);
  count.Step();
  return count.Int(0);
}

}  // namespace korvex::app
