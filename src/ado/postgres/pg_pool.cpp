// Idle server connections kept per set of connection keywords.
#include "ado/postgres/pg_pool.h"

#include <map>
#include <mutex>

#include "ado/ado_errors.h"
#include "ado/postgres/catalog_cache.h"

namespace korvex::ado::postgres {

namespace {

constexpr size_t kIdlePerServer = 8;
constexpr size_t kKeptCounts = 512;
// Row id maps hold at most 8192 ids each (row_store.cpp), 64 KiB.
constexpr size_t kKeptMaps = 64;

// Every session sees values in the forms the provider decodes, whatever the server's or the
// database's own settings: dates as ISO text in UTC, money without a locale's symbols, and
// sequential scans always from the first block, so a table without a key lists its rows in
// the same order on every request.
constexpr const char* kSessionSetup =
    "SET DateStyle = 'ISO, YMD'; SET TimeZone = 'UTC'; SET IntervalStyle = 'iso_8601'; "
    "SET lc_monetary = 'C'; SET extra_float_digits = 1; SET synchronize_seqscans = off; "
    "SET standard_conforming_strings = on";

struct Pool {
  std::mutex mutex;
  std::map<std::string, std::vector<std::unique_ptr<PooledConnection>>> idle;
  struct Count {
    std::string snapshot;
    int64_t count;
  };
  std::map<std::string, Count> counts;
  struct Map {
    std::string snapshot;
    std::shared_ptr<const RowIdMap> map;  // null: asked for once under the snapshot, not built
  };
  std::map<std::string, Map> maps;
  struct Catalog {
    std::string snapshot;
    std::shared_ptr<CatalogCache> cache;
  };
  std::map<std::string, Catalog> catalogs;
};

Pool& ThePool() {
  static Pool* pool = new Pool;  // never destroyed: connections may be given back during exit
  return *pool;
}

std::string PoolKey(const std::vector<std::pair<std::string, std::string>>& keywords) {
  std::string key;
  for (const auto& [name, value] : keywords) {
    key += name;
    key += '\x1f';
    key += value;
    key += '\x1e';
  }
  return key;
}

std::string TrimmedMessage(const char* message) {
  std::string text = message ? message : "";
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

}  // namespace

std::unique_ptr<PooledConnection> TakeConnection(
    const std::vector<std::pair<std::string, std::string>>& keywords) {
  std::string key = PoolKey(keywords);
  {
    Pool& pool = ThePool();
    std::lock_guard lock(pool.mutex);
    auto& idle = pool.idle[key];
    while (!idle.empty()) {
      std::unique_ptr<PooledConnection> c = std::move(idle.back());
      idle.pop_back();
      if (PQstatus(c->conn()) == CONNECTION_OK) return c;
    }
  }
  std::vector<const char*> names, values;
  for (const auto& [name, value] : keywords) {
    names.push_back(name.c_str());
    values.push_back(value.c_str());
  }
  names.push_back(nullptr);
  values.push_back(nullptr);
  PGconn* conn = PQconnectdbParams(names.data(), values.data(), 1);
  auto connection = std::make_unique<PooledConnection>(conn, key);
  if (!conn) RaiseAdo(err::kUnspecified, "PostgreSQL", "Out of memory.");
  if (PQstatus(conn) != CONNECTION_OK)
    RaiseAdo(err::kUnspecified, "PostgreSQL", TrimmedMessage(PQerrorMessage(conn)));
  PGresult* setup = PQexec(conn, kSessionSetup);
  bool ok = PQresultStatus(setup) == PGRES_COMMAND_OK;
  std::string message = ok ? "" : TrimmedMessage(PQresultErrorMessage(setup));
  PQclear(setup);
  if (!ok) RaiseAdo(err::kUnspecified, "PostgreSQL", message);
  return connection;
}

void GiveBackConnection(std::unique_ptr<PooledConnection> connection) {
  if (!connection) return;
  PGconn* conn = connection->conn();
  if (PQstatus(conn) != CONNECTION_OK || PQtransactionStatus(conn) != PQTRANS_IDLE) return;
  Pool& pool = ThePool();
  std::lock_guard lock(pool.mutex);
  auto& idle = pool.idle[connection->key()];
  if (idle.size() < kIdlePerServer) idle.push_back(std::move(connection));
}

std::optional<int64_t> KeptCount(const std::string& key, const std::string& sql,
                                 const std::string& snapshot) {
  Pool& pool = ThePool();
  std::lock_guard lock(pool.mutex);
  auto it = pool.counts.find(key + '\x1d' + sql);
  if (it == pool.counts.end() || it->second.snapshot != snapshot) return std::nullopt;
  return it->second.count;
}

void KeepCount(const std::string& key, const std::string& sql, const std::string& snapshot,
               int64_t count) {
  Pool& pool = ThePool();
  std::lock_guard lock(pool.mutex);
  if (pool.counts.size() >= kKeptCounts) pool.counts.clear();
  pool.counts[key + '\x1d' + sql] = {snapshot, count};
}

std::shared_ptr<const RowIdMap> SharedRowIdMap(
    const std::string& key, const std::string& sql, const std::string& snapshot,
    const std::function<std::optional<RowIdMap>()>& build) {
  Pool& pool = ThePool();
  const std::string name = key + '\x1d' + sql;
  {
    std::lock_guard lock(pool.mutex);
    auto it = pool.maps.find(name);
    if (it != pool.maps.end() && it->second.snapshot == snapshot && it->second.map)
      return it->second.map;
    if (it == pool.maps.end() || it->second.snapshot != snapshot) {
      if (pool.maps.size() >= kKeptMaps) pool.maps.clear();
      pool.maps[name] = {snapshot, nullptr};
      return nullptr;
    }
  }
  std::optional<RowIdMap> built = build();
  if (!built) return nullptr;
  auto map = std::make_shared<const RowIdMap>(std::move(*built));
  std::lock_guard lock(pool.mutex);
  pool.maps[name] = {snapshot, map};
  return map;
}

std::shared_ptr<CatalogCache> SharedCatalog(const std::string& key, const std::string& snapshot) {
  Pool& pool = ThePool();
  std::lock_guard lock(pool.mutex);
  Pool::Catalog& kept = pool.catalogs[key];
  if (!kept.cache || kept.snapshot != snapshot) kept = {snapshot, std::make_shared<CatalogCache>()};
  return kept.cache;
}

size_t IdleConnectionCount() {
  Pool& pool = ThePool();
  std::lock_guard lock(pool.mutex);
  size_t n = 0;
  for (const auto& [key, list] : pool.idle) n += list.size();
  return n;
}

void CloseIdleConnections() {
  std::map<std::string, std::vector<std::unique_ptr<PooledConnection>>> closing;
  {
    Pool& pool = ThePool();
    std::lock_guard lock(pool.mutex);
    closing.swap(pool.idle);
  }
}

}  // namespace korvex::ado::postgres
