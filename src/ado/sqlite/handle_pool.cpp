// Open handles kept per database file, and the row counts remembered with each handle.
#include "ado/sqlite/handle_pool.h"

#include <sys/stat.h>

#include <iterator>
#include <map>
#include <mutex>
#include <vector>

#include "ado/ado_errors.h"
#include "ado/sqlite/sqlite_errors.h"

namespace korvex::ado::sqlite {

namespace {

constexpr size_t kIdlePerFile = 8;
constexpr size_t kCountsPerHandle = 512;
// Row id maps hold at most 8192 ids each (row_store.cpp), 64 KiB.
constexpr size_t kMapsPerHandle = 16;
// Prepared statements kept per handle: a page's list, count and lookups, parsed once.
constexpr size_t kStatementsPerHandle = 32;
constexpr int kBusyTimeoutMs = 5000;

struct Pool {
  std::mutex mutex;
  std::map<std::string, std::vector<std::unique_ptr<PooledHandle>>> idle;  // by path and mode
};

Pool& ThePool() {
  static Pool* pool = new Pool;  // never destroyed: handles may be given back during exit
  return *pool;
}

std::string PoolKey(const std::string& path, bool read_only) {
  return (read_only ? "r:" : "w:") + path;
}

}  // namespace

PooledHandle::PooledHandle(sqlite3* db, std::string path, bool read_only, dev_t device, ino_t inode)
    : db_(db), path_(std::move(path)), read_only_(read_only), device_(device), inode_(inode) {}

PooledHandle::~PooledHandle() {
  for (const KeptStatement& kept : kept_statements_) sqlite3_finalize(kept.statement);
  sqlite3_finalize(stamp_statement_);
  sqlite3_close_v2(db_);
}

PooledHandle::Stamp PooledHandle::CurrentStamp() {
  // Asked again before anything ran (a count checked, then the row id map of the same list):
  // the stamp just read is the answer.
  if (last_stamp_) return *last_stamp_;
  // One read transaction: the schema version is read in it, and the pager counts another
  // connection's commit (the data version) when the transaction starts, so the file control
  // reads it afterwards without a second one. A table-valued pragma would parse an inner
  // statement on every call.
  if (!stamp_statement_) {
    int rc = sqlite3_prepare_v3(db_, "PRAGMA schema_version", -1, SQLITE_PREPARE_PERSISTENT,
                                &stamp_statement_, nullptr);
    if (rc != SQLITE_OK) RaiseSqlite(db_, rc);
  }
  int rc = sqlite3_step(stamp_statement_);
  if (rc != SQLITE_ROW) {
    sqlite3_reset(stamp_statement_);
    RaiseSqlite(db_, rc);
  }
  schema_seen_ = sqlite3_column_int64(stamp_statement_, 0);
  sqlite3_reset(stamp_statement_);
  last_stamp_ = Stamp{DataVersion(), sqlite3_total_changes64(db_), schema_seen_};
  return *last_stamp_;
}

unsigned PooledHandle::DataVersion() {
  unsigned int version = 0;
  int rc = sqlite3_file_control(db_, "main", SQLITE_FCNTL_DATA_VERSION, &version);
  if (rc != SQLITE_OK) RaiseSqlite(db_, rc);
  return version;
}

std::optional<int64_t> PooledHandle::CachedCount(const std::string& sql) {
  auto it = counts_.find(sql);
  if (it == counts_.end()) return std::nullopt;
  if (!(it->second.stamp == CurrentStamp())) {
    counts_.erase(it);
    return std::nullopt;
  }
  return it->second.count;
}

void PooledHandle::StoreCount(const std::string& sql, int64_t count, const Stamp& before) {
  if (counts_.size() >= kCountsPerHandle) counts_.clear();
  counts_[sql] = Entry{count, before};
}

void PooledHandle::CheckCatalog() {
  int64_t schema = CurrentStamp().schema_version;
  if (schema != catalog_schema_) {
    catalog_ = Catalog{};
    catalog_schema_ = schema;
  }
}

std::shared_ptr<const RowIdMap> PooledHandle::KeptRowIdMap(
    const std::string& sql, const std::function<std::optional<RowIdMap>()>& build) {
  // Inside a transaction the data may still roll back: nothing is kept or built.
  if (!sqlite3_get_autocommit(db_)) return nullptr;
  Stamp now = CurrentStamp();
  auto it = maps_.find(sql);
  if (it == maps_.end()) {
    if (maps_.size() >= kMapsPerHandle) maps_.clear();
    maps_.emplace(sql, MapEntry{nullptr, now});
    return nullptr;
  }
  MapEntry& entry = it->second;
  if (entry.stamp == now && entry.map) return entry.map;
  if (!(entry.stamp == now)) {
    entry = MapEntry{nullptr, now};
    return nullptr;
  }
  std::optional<RowIdMap> built = build();
  if (!built) {
    maps_.erase(it);
    return nullptr;
  }
  // Read in autocommit mode: if another connection committed meanwhile the stamp moved, and
  // the map is not kept.
  if (!(CurrentStamp() == now)) {
    maps_.erase(it);
    return nullptr;
  }
  entry.map = std::make_shared<const RowIdMap>(std::move(*built));
  return entry.map;
}

sqlite3_stmt* PooledHandle::TakeStatement(std::string_view sql) {
  for (auto it = kept_statements_.rbegin(); it != kept_statements_.rend(); ++it) {
    if (sqlite3_sql(it->statement) != sql) continue;
    KeptStatement kept = *it;
    kept_statements_.erase(std::next(it).base());
    if (kept.schema == schema_seen_) return kept.statement;
    sqlite3_finalize(kept.statement);
    return nullptr;
  }
  return nullptr;
}

void PooledHandle::GiveBackStatement(sqlite3_stmt* statement) {
  if (!statement) return;
  // Reset ends the statement's read transaction, as finalizing it would.
  sqlite3_reset(statement);
  sqlite3_clear_bindings(statement);
  if (kept_statements_.size() >= kStatementsPerHandle) {
    sqlite3_finalize(kept_statements_.front().statement);
    kept_statements_.erase(kept_statements_.begin());
  }
  kept_statements_.push_back(KeptStatement{statement, schema_seen_});
}

std::unique_ptr<PooledHandle> TakeHandle(const std::filesystem::path& file, bool read_only) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
    RaiseAdo(err::kUnspecified, "SQLite", "Could not find file '" + file.string() + "'.");
  // The file's identity is its device and inode; the name only groups handles.
  std::error_code ec;
  std::string path = std::filesystem::absolute(file, ec).lexically_normal().string();
  if (ec) path = file.string();
  {
    Pool& pool = ThePool();
    std::lock_guard lock(pool.mutex);
    auto& list = pool.idle[PoolKey(path, read_only)];
    while (!list.empty()) {
      std::unique_ptr<PooledHandle> handle = std::move(list.back());
      list.pop_back();
      // A file replaced since the handle was opened (same name, new file) is a new database.
      if (handle->SameFile(st.st_dev, st.st_ino)) {
        handle->Ran();  // its last stamp is from an earlier user, before anything since
        return handle;
      }
    }
  }
  sqlite3* db = nullptr;
  int flags = (read_only ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
  int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
  if (rc != SQLITE_OK) {
    std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close_v2(db);
    RaiseSqlite(nullptr, rc, message + " ('" + path + "')");
  }
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  sqlite3_extended_result_codes(db, 1);
  return std::make_unique<PooledHandle>(db, std::move(path), read_only, st.st_dev, st.st_ino);
}

void GiveBackHandle(std::unique_ptr<PooledHandle> handle) {
  if (!handle) return;
  sqlite3* db = handle->db();
  if (!sqlite3_get_autocommit(db)) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
  for (sqlite3_stmt* s = sqlite3_next_stmt(db, nullptr); s; s = sqlite3_next_stmt(db, s))
    if (sqlite3_stmt_busy(s)) return;  // still read by someone: closed when they finish
  Pool& pool = ThePool();
  std::lock_guard lock(pool.mutex);
  auto& list = pool.idle[PoolKey(handle->path(), handle->read_only())];
  if (list.size() < kIdlePerFile) list.push_back(std::move(handle));
}

size_t IdleHandleCount() {
  Pool& pool = ThePool();
  std::lock_guard lock(pool.mutex);
  size_t n = 0;
  for (auto& [key, list] : pool.idle) n += list.size();
  return n;
}

void CloseIdleHandles() {
  Pool& pool = ThePool();
  std::lock_guard lock(pool.mutex);
  pool.idle.clear();
}

}  // namespace korvex::ado::sqlite
