// Positioning a statement on row n without walking from the first row, and rows in memory.
//
// A server cursor sits on one row of one running query. Near moves step it; far moves start a
// new query that lands on the target: from the first row (OFFSET n), from the last row (the
// reverse order, OFFSET count-1-n) or from the row the cursor is on (row id > current,
// OFFSET distance-1), whichever skips fewest rows. Skipped rows are never decoded.
#include "ado/row_store.h"

#include <algorithm>
#include <numeric>

namespace korvex::ado {

namespace {

// Rows stepped one by one before a new query is cheaper than the walk.
constexpr int64_t kWalkLimit = 32;
// A batched walk asks for more rows each time it runs out, up to this many.
constexpr int64_t kLargestBatch = 100000;
// A jump skipping more rows than this looks for a row id map. Skipping costs about 0.1 us a
// row on SQLite (listing_bench), so below this a jump costs less than rendering a page.
constexpr int64_t kMapWorthy = 1000;
// A row id map notes one row in kMapStep, or more for a table that would need more than
// kMapIds notes; a jump then skips fewer than one step of rows.
constexpr int64_t kMapStep = 128;
constexpr int64_t kMapIds = 8192;

int64_t FirstLimit(const ProviderConnection& session) {
  int64_t batch = session.ResultBatch();
  return batch > 0 ? batch : kNoRowLimit;
}

}  // namespace

std::string RowQuery::CountSql() const {
  std::string sql = "SELECT COUNT(*) FROM " + source->count_from;
  if (!condition.empty()) sql += " WHERE " + condition;
  return sql;
}

std::string RowQuery::PositionSql(bool reverse, bool anchored) const {
  std::string sql = "SELECT * FROM (" + source->base + ") AS korvex_rows";
  std::string where = condition.empty() ? "" : "(" + condition + ")";
  if (anchored) {
    if (!where.empty()) where += " AND ";
    where += std::string(kQuotedRowIdColumn) + (reverse ? " < ?" : " > ?");
  }
  if (!where.empty()) sql += " WHERE " + where;
  if (Seekable()) {
    sql += " ORDER BY " + std::string(kQuotedRowIdColumn) + (reverse ? " DESC" : "");
  } else if (!order_by.empty()) {
    sql += " ORDER BY " + order_by;
    if (source->row_ordered) sql += ", " + std::string(kQuotedRowIdColumn);
  }
  return sql + " LIMIT ? OFFSET ?";
}

std::string RowQuery::RowIdSql() const {
  std::string sql =
      "SELECT " + std::string(kQuotedRowIdColumn) + " FROM (" + source->base + ") AS korvex_rows";
  if (!condition.empty()) sql += " WHERE " + condition;
  return sql + " ORDER BY " + std::string(kQuotedRowIdColumn);
}

std::unique_ptr<ProviderCursor> StartRows(ProviderConnection& session, const RowQuery& query) {
  std::vector<DbValue> params{DbValue::Int(FirstLimit(session)), DbValue::Int(0)};
  return session.Query(query.PositionSql(false, false), params);
}

// ---- ServerRows ----------------------------------------------------------------------------

ServerRows::ServerRows(std::shared_ptr<ProviderConnection> session, RowQuery query,
                       std::unique_ptr<ProviderCursor> first)
    : session_(std::move(session)),
      query_(std::move(query)),
      cursor_(std::move(first)),
      columns_(cursor_->ColumnCount()),
      batch_(session_->ResultBatch()),
      limit_(FirstLimit(*session_)) {}

int64_t ServerRows::NextLimit(bool continuation) {
  if (batch_ <= 0) return kNoRowLimit;
  // A walk that ran out of its batch asks for more the next time, so a long walk costs few
  // queries; a jump to a far row reads no more than a first batch there.
  if (continuation && limit_ != kNoRowLimit)
    return std::min(std::max(batch_, limit_) * 4, kLargestBatch);
  return batch_;
}

int64_t ServerRows::Count() {
  if (!count_) count_ = session_->Count(query_.CountSql());
  return *count_;
}

bool ServerRows::Exists(int64_t position) {
  if (position < 0) return false;
  if (count_) return position < *count_;
  return Fetch(position);
}

DbValue ServerRows::Value(int64_t position, size_t column) {
  if (!Fetch(position)) return DbValue::Null();
  return cursor_->Value(column);
}

void ServerRows::Restart(bool reverse, std::optional<DbValue> anchor, int64_t offset,
                         int64_t landing, int64_t limit) {
  std::vector<DbValue> params;
  if (anchor) params.push_back(std::move(*anchor));
  params.push_back(DbValue::Int(limit));
  params.push_back(DbValue::Int(offset));
  limit_ = limit;
  stepped_ = 0;
  cursor_.reset();  // one running statement per recordset
  cursor_ = session_->Query(query_.PositionSql(reverse, anchor.has_value()), params);
  reverse_ = reverse;
  exhausted_ = false;
  // The cursor is "before" its landing row: one step lands on it.
  cursor_position_ = reverse ? landing + 1 : landing - 1;
}

void ServerRows::Reposition(int64_t target, bool continuation) {
  int64_t best_cost = target;  // from the first row
  int mode = 0;                // 0 start, 1 end, 2 forward from the cursor, 3 back from it
  if (query_.Seekable()) {
    if (count_ && *count_ - 1 - target < best_cost) {
      best_cost = *count_ - 1 - target;
      mode = 1;
    }
    bool on_row = cursor_ && !exhausted_ && stepped_ > 0 && cursor_position_ >= 0 &&
                  (!count_ || cursor_position_ < *count_);
    if (on_row) {
      int64_t distance = target - cursor_position_;
      if (distance > 0 && distance - 1 < best_cost) best_cost = distance - 1, mode = 2;
      if (distance < 0 && -distance - 1 < best_cost) best_cost = -distance - 1, mode = 3;
    }
  }
  std::optional<int64_t> map_anchor;
  if (query_.Seekable() && best_cost > kMapWorthy) {
    if (auto map = MapForFarSeek()) {
      // ids[j] is the row just before position (j + 1) * step: the query after it lands on
      // the target by skipping less than one step.
      int64_t j = target / map->step - 1;
      if (j >= 0 && j < static_cast<int64_t>(map->ids.size()) &&
          target - (j + 1) * map->step < best_cost) {
        best_cost = target - (j + 1) * map->step;
        map_anchor = map->ids[static_cast<size_t>(j)];
        mode = 4;
      }
    }
  }
  int64_t limit = NextLimit(continuation);
  switch (mode) {
    case 1:
      Restart(true, std::nullopt, best_cost, target, limit);
      break;
    case 2:
    case 3: {
      DbValue anchor = cursor_->Value(columns_ - 1);
      Restart(mode == 3, std::move(anchor), best_cost, target, limit);
      break;
    }
    case 4:
      Restart(false, DbValue::Int(*map_anchor), best_cost, target, limit);
      break;
    default:
      Restart(false, std::nullopt, target, target, limit);
      break;
  }
}

std::shared_ptr<const RowIdMap> ServerRows::MapForFarSeek() {
  int64_t rows = Count();
  int64_t step = std::max(kMapStep, (rows + kMapIds - 1) / kMapIds);
  return session_->KeptRowIdMap(query_.RowIdSql(), [&]() -> std::optional<RowIdMap> {
    RowIdMap map;
    map.step = step;
    map.ids.reserve(static_cast<size_t>(rows / step + 1));
    std::unique_ptr<ProviderCursor> ids = session_->Query(query_.RowIdSql());
    for (int64_t position = 0; ids->Next(); ++position) {
      if ((position + 1) % step != 0) continue;
      DbValue id = ids->Value(0);
      if (id.kind != DbValue::Kind::Integer) return std::nullopt;
      map.ids.push_back(id.integer);
    }
    return map;
  });
}

bool ServerRows::Fetch(int64_t target) {
  if (target < 0 || (count_ && target >= *count_)) return false;
  if (cursor_ && cursor_position_ == target && !exhausted_) return true;
  int64_t distance = reverse_ ? cursor_position_ - target : target - cursor_position_;
  bool walk = cursor_ && !exhausted_ && distance > 0 && distance <= kWalkLimit;
  if (!walk) {
    Reposition(target, false);
    distance = 1;
  }
  for (; distance > 0; --distance) {
    if (stepped_ == limit_) {
      // The batch is used up, not necessarily the rows: the next ones come from a new query,
      // anchored on the row the cursor is still on.
      Reposition(cursor_position_ + (reverse_ ? -1 : 1), true);
    }
    if (!cursor_->Next()) {
      exhausted_ = true;
      cursor_.reset();  // a finished statement gives up its read lock at once
      // Forward, the first missing row is the count; from the end there is no such proof.
      if (!reverse_) count_ = cursor_position_ + 1;
      return false;
    }
    ++stepped_;
    cursor_position_ += reverse_ ? -1 : 1;
  }
  return true;
}

void ServerRows::RowChanged(int64_t, std::vector<DbValue>) {
  cursor_.reset();
  exhausted_ = true;
  count_.reset();
}

std::optional<int64_t> ServerRows::RowAdded(std::vector<DbValue>) {
  cursor_.reset();
  exhausted_ = true;
  count_.reset();
  return std::nullopt;
}

void ServerRows::EndStatement() {
  cursor_.reset();
  exhausted_ = true;
}

void ServerRows::RowRemoved(int64_t) {
  cursor_.reset();
  exhausted_ = true;
  if (count_ && *count_ > 0) --*count_;
}

std::vector<std::vector<DbValue>> ServerRows::ReadAll() {
  std::vector<std::vector<DbValue>> rows;
  Restart(false, std::nullopt, 0, 0, kNoRowLimit);
  while (cursor_->Next()) {
    std::vector<DbValue> row;
    row.reserve(columns_);
    for (size_t c = 0; c < columns_; ++c) row.push_back(cursor_->Value(c));
    rows.push_back(std::move(row));
  }
  cursor_.reset();
  exhausted_ = true;
  count_ = static_cast<int64_t>(rows.size());
  return rows;
}

// ---- MemoryRows ----------------------------------------------------------------------------

MemoryRows::MemoryRows(size_t columns, std::vector<std::vector<DbValue>> rows)
    : columns_(columns), rows_(std::move(rows)), view_(rows_.size()) {
  std::iota(view_.begin(), view_.end(), size_t{0});
}

void MemoryRows::RowChanged(int64_t position, std::vector<DbValue> row) {
  rows_[view_[static_cast<size_t>(position)]] = std::move(row);
}

std::optional<int64_t> MemoryRows::RowAdded(std::vector<DbValue> row) {
  row.resize(columns_);
  rows_.push_back(std::move(row));
  view_.push_back(rows_.size() - 1);
  return static_cast<int64_t>(view_.size() - 1);
}

void MemoryRows::RowRemoved(int64_t position) {
  size_t stored = view_[static_cast<size_t>(position)];
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(stored));
  view_.erase(view_.begin() + position);
  for (size_t& v : view_)
    if (v > stored) --v;
}

void MemoryRows::Arrange(
    const std::function<bool(const std::vector<DbValue>&)>& keep,
    const std::function<bool(const std::vector<DbValue>&, const std::vector<DbValue>&)>& less) {
  view_.clear();
  for (size_t i = 0; i < rows_.size(); ++i)
    if (!keep || keep(rows_[i])) view_.push_back(i);
  if (less)
    std::stable_sort(view_.begin(), view_.end(),
                     [&](size_t a, size_t b) { return less(rows_[a], rows_[b]); });
}

}  // namespace korvex::ado
