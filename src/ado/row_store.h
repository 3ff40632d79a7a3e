// Where a recordset's rows come from (internal to the data access layer). A RecordSource says
// what the rows are; a RowQuery adds a filter and a sort; a RowStore answers "is there a row
// at position n" and "the value of column c there", either by positioning a statement
// (ServerRows) or from rows held in memory (MemoryRows).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ado/provider.h"

namespace korvex::ado {

/// Name of the row id column added after a recordset's fields when its source has one.
inline constexpr std::string_view kRowIdColumn = "__korvex_rowid";
inline constexpr std::string_view kQuotedRowIdColumn = "\"__korvex_rowid\"";

struct RecordSource {
  /// SELECT giving the fields, followed by the row id column when row_ordered.
  std::string base;
  /// What COUNT(*) reads: a quoted table name, or the base in parentheses.
  std::string count_from;
  /// The base ends with the row id column, and rows are taken in row id order: a position
  /// near the end, or near a known row, is reached by a query instead of a walk.
  bool row_ordered = false;
  /// The table writes go to, with its catalogue description; empty when the source is not
  /// one table.
  std::string write_table;
  std::optional<TableInfo> write_info;
};

/// A source with the filter and sort of the moment, as the SQL the store runs.
struct RowQuery {
  std::shared_ptr<const RecordSource> source;
  std::string condition;  // WHERE condition, "" for none
  std::string order_by;   // ORDER BY list, "" for none

  bool Seekable() const { return source->row_ordered && order_by.empty(); }
  std::string CountSql() const;
  /// Rows from an offset: parameters (anchor row id when anchored), row limit, offset.
  /// Reverse runs from the last row; anchored starts after (reverse: before) the anchor row.
  std::string PositionSql(bool reverse, bool anchored) const;
  /// The row ids alone, in order (a seekable query's).
  std::string RowIdSql() const;
};

/// A row limit that limits nothing, spelled the same way by every backend.
inline constexpr int64_t kNoRowLimit = INT64_MAX;

/// Starts the query's rows from the first one, as ServerRows expects its first cursor.
std::unique_ptr<ProviderCursor> StartRows(ProviderConnection& session, const RowQuery& query);

/// Catalogue lookups made while opening one recordset, each table asked for once.
class TableLookup {
 public:
  explicit TableLookup(ProviderConnection& session) : session_(session) {}
  ProviderConnection& session() { return session_; }
  const std::optional<TableInfo>& Describe(std::string_view name);

 private:
  ProviderConnection& session_;
  std::map<std::string, std::optional<TableInfo>> tables_;  // by folded name
};

/// The table a source text names when it is one ("T", "[T]", "\"T\""; any text with
/// options 2 or 512); nothing when it is SQL.
std::optional<std::string> TableNameOf(std::string_view source, int32_t options);
/// A table's rows, in row id order when it has one.
std::shared_ptr<RecordSource> TableSource(TableLookup& tables, std::string_view table);
/// A query's rows (backend SQL). A plain SELECT from one table, without grouping, ordering or
/// limits, gets the table's row id and its order.
std::shared_ptr<RecordSource> QuerySource(TableLookup& tables, std::string_view sql);
/// The statement without trailing blanks, comments and semicolons, ready to be wrapped.
std::string TrimStatement(std::string_view sql);

class RowStore {
 public:
  virtual ~RowStore() = default;
  /// Exact number of rows (may run a COUNT).
  virtual int64_t Count() = 0;
  /// The count when known without work.
  virtual std::optional<int64_t> KnownCount() const = 0;
  virtual bool Exists(int64_t position) = 0;
  /// A value of the row at position, which must exist; columns past the fields hold the
  /// row id.
  virtual DbValue Value(int64_t position, size_t column) = 0;
  virtual size_t ColumnCount() const = 0;
  virtual bool InMemory() const = 0;

  // After a write through the recordset.
  virtual void RowChanged(int64_t position, std::vector<DbValue> row) = 0;
  /// The position the new row takes, or nothing when it is known only after a new count.
  virtual std::optional<int64_t> RowAdded(std::vector<DbValue> row) = 0;
  virtual void RowRemoved(int64_t position) = 0;
  /// Ends the statement still reading rows, if any; the next row asked for starts a new one.
  virtual void EndStatement() {}
};

class ServerRows : public RowStore {
 public:
  /// first: the query from the first row, prepared but not stepped (its columns describe the
  /// fields).
  ServerRows(std::shared_ptr<ProviderConnection> session, RowQuery query,
             std::unique_ptr<ProviderCursor> first);

  int64_t Count() override;
  std::optional<int64_t> KnownCount() const override { return count_; }
  bool Exists(int64_t position) override;
  DbValue Value(int64_t position, size_t column) override;
  size_t ColumnCount() const override { return columns_; }
  bool InMemory() const override { return false; }
  void RowChanged(int64_t position, std::vector<DbValue> row) override;
  std::optional<int64_t> RowAdded(std::vector<DbValue> row) override;
  void RowRemoved(int64_t position) override;
  void EndStatement() override;

  /// Every row, read once from the first (for a client-side copy).
  std::vector<std::vector<DbValue>> ReadAll();

 private:
  bool Fetch(int64_t position);
  /// continuation: the walk ran out of its batch, as opposed to a jump.
  void Reposition(int64_t position, bool continuation);
  void Restart(bool reverse, std::optional<DbValue> anchor, int64_t offset, int64_t landing,
               int64_t limit);
  int64_t NextLimit(bool continuation);
  /// The kept row id map, when the provider keeps one; reads it when asked for the second
  /// time on unchanged data.
  std::shared_ptr<const RowIdMap> MapForFarSeek();

  std::shared_ptr<ProviderConnection> session_;
  RowQuery query_;
  std::unique_ptr<ProviderCursor> cursor_;
  size_t columns_;
  int64_t cursor_position_ = -1;  // the row the cursor is on; -1 before its first row
  bool reverse_ = false;          // the cursor runs from the last row towards the first
  bool exhausted_ = false;
  std::optional<int64_t> count_;
  // A provider reading results in batches: the current query stops after limit_ rows, which
  // may be before the last one; stepped_ counts the rows stepped since it started.
  int64_t batch_ = 0;
  int64_t limit_ = kNoRowLimit;
  int64_t stepped_ = 0;
};

class MemoryRows : public RowStore {
 public:
  MemoryRows(size_t columns, std::vector<std::vector<DbValue>> rows);

  int64_t Count() override { return static_cast<int64_t>(view_.size()); }
  std::optional<int64_t> KnownCount() const override { return static_cast<int64_t>(view_.size()); }
  bool Exists(int64_t position) override {
    return position >= 0 && position < static_cast<int64_t>(view_.size());
  }
  DbValue Value(int64_t position, size_t column) override {
    return rows_[view_[static_cast<size_t>(position)]][column];
  }
  size_t ColumnCount() const override { return columns_; }
  bool InMemory() const override { return true; }
  void RowChanged(int64_t position, std::vector<DbValue> row) override;
  std::optional<int64_t> RowAdded(std::vector<DbValue> row) override;
  void RowRemoved(int64_t position) override;

  /// Shows only the rows keep accepts (all rows when keep is empty), ordered by less when
  /// given (stable), else in their stored order.
  void Arrange(
      const std::function<bool(const std::vector<DbValue>&)>& keep,
      const std::function<bool(const std::vector<DbValue>&, const std::vector<DbValue>&)>& less);

 private:
  size_t columns_;
  std::vector<std::vector<DbValue>> rows_;
  std::vector<size_t> view_;  // positions to stored rows
};

}  // namespace korvex::ado
