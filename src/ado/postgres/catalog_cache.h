// What the catalogue said, kept between requests: every page request opens a session and
// asks again for the same tables, columns and keys. An entry holds for one server snapshot:
// while the snapshot is the same, no transaction has committed since, so no table, column or
// key can have changed (the system catalogues are versioned like any table).
#pragma once

#include <libpq-fe.h>

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ado/provider.h"

namespace korvex::ado::postgres {

struct CatalogCache {
  struct Column {
    std::string name, declared_type;
  };
  struct Origin {
    std::string table;
    std::map<int, Column> columns;  // by attribute number
  };

  std::mutex mutex;  // sessions on several threads share one
  std::optional<std::vector<TableInfo>> tables;
  std::map<std::string, std::optional<TableInfo>> described;  // by the name asked for
  std::optional<std::vector<ForeignKeyInfo>> foreign_keys;
  std::optional<std::vector<IndexInfo>> indexes;
  /// Table and column names by folded name, each with its spellings.
  std::optional<std::map<std::string, std::vector<std::string>>> names;
  std::map<Oid, Origin> origins;
};

/// The cache of the connections made with key, for the server snapshot given: the one kept
/// when it was made in that snapshot, else a new one that replaces it.
std::shared_ptr<CatalogCache> SharedCatalog(const std::string& key, const std::string& snapshot);

}  // namespace korvex::ado::postgres
