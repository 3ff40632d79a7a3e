// The process-wide pool of open SQLite handles, one list per database file. Opening a
// connection takes a handle (or opens one), closing gives it back, so a page request does not
// pay for opening the file and parsing its schema, and exact row counts can be kept between
// requests for as long as the database proves they still hold.
#pragma once

#include <sqlite3.h>
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ado/provider.h"

namespace korvex::ado::sqlite {

/// One open handle and what is remembered with it.
class PooledHandle {
 public:
  PooledHandle(sqlite3* db, std::string path, bool read_only, dev_t device, ino_t inode);
  ~PooledHandle();
  PooledHandle(const PooledHandle&) = delete;
  PooledHandle& operator=(const PooledHandle&) = delete;

  sqlite3* db() const { return db_; }
  const std::string& path() const { return path_; }
  bool read_only() const { return read_only_; }
  bool SameFile(dev_t device, ino_t inode) const { return device_ == device && inode_ == inode; }

  /// What proves that nothing changed: no commit by another connection (data_version), no
  /// change through this handle (total_changes) and no schema change (schema_version).
  struct Stamp {
    int64_t data_version = 0, total_changes = 0, schema_version = 0;
    bool operator==(const Stamp&) const = default;
  };
  Stamp CurrentStamp();
  /// Notes that a statement ran or was prepared through the handle: the next stamp is read
  /// again. Until then the last one stands, since nothing this handle saw can have moved it.
  void Ran() { last_stamp_.reset(); }
  /// The data version as of this handle's last read transaction; no new one is started.
  unsigned DataVersion();
  /// The count kept for this SQL text while the stamp still matches.
  std::optional<int64_t> CachedCount(const std::string& sql);
  /// Keeps a count with the stamp taken before it was counted.
  void StoreCount(const std::string& sql, int64_t count, const Stamp& before);
  /// The catalogue as read through this handle, emptied whenever the schema changed since
  /// (through any connection: schema_version moves).
  struct Catalog {
    std::optional<std::vector<TableInfo>> tables;
    std::map<std::string, std::optional<TableInfo>> described;  // by folded name
    std::optional<std::vector<ForeignKeyInfo>> foreign_keys;
    std::optional<std::vector<IndexInfo>> indexes;
  };
  /// Empties the catalogue when the schema changed since it was read.
  void CheckCatalog();
  Catalog& catalog() { return catalog_; }
  /// See ProviderConnection::KeptRowIdMap.
  std::shared_ptr<const RowIdMap> KeptRowIdMap(
      const std::string& sql, const std::function<std::optional<RowIdMap>()>& build);
  /// An idle prepared statement of exactly this text, taken out of the kept ones; null when
  /// none is kept. One kept before the last stamp saw the schema change is not reused: its
  /// columns, read before it runs, would be the old ones.
  sqlite3_stmt* TakeStatement(std::string_view sql);
  /// Keeps a statement prepared through this handle (reset, its parameters cleared) for the
  /// next use of its text; the least recently kept goes past the bound.
  void GiveBackStatement(sqlite3_stmt* statement);

 private:
  sqlite3* db_;
  std::string path_;
  bool read_only_;
  dev_t device_;
  ino_t inode_;
  sqlite3_stmt* stamp_statement_ = nullptr;
  std::optional<Stamp> last_stamp_;
  struct Entry {
    int64_t count;
    Stamp stamp;
  };
  std::unordered_map<std::string, Entry> counts_;
  struct MapEntry {
    std::shared_ptr<const RowIdMap> map;  // null: asked for once under stamp, not built
    Stamp stamp;
  };
  std::unordered_map<std::string, MapEntry> maps_;
  Catalog catalog_;
  int64_t catalog_schema_ = -1;
  int64_t schema_seen_ = -1;  // by the last stamp
  struct KeptStatement {
    sqlite3_stmt* statement;
    int64_t schema;  // schema_seen_ when it was kept
  };
  std::vector<KeptStatement> kept_statements_;  // least recently given back first
};

/// Takes an idle handle of the file, or opens one. The file must exist: a missing one raises
/// -2147467259 naming it, and nothing is created.
std::unique_ptr<PooledHandle> TakeHandle(const std::filesystem::path& file, bool read_only);
/// Gives a handle back: it is kept when it is clean (no transaction, no running statement).
void GiveBackHandle(std::unique_ptr<PooledHandle> handle);

/// Idle handles across all files; for tests and diagnostics.
size_t IdleHandleCount();
void CloseIdleHandles();

}  // namespace korvex::ado::sqlite
