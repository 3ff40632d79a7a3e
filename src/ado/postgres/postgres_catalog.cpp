// The PostgreSQL provider's catalogue: the tables and views the session's search path shows
// (the server's own schemas left out), their columns, keys and indexes from the system
// catalogues, in the shapes the schema rowsets are built from.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <set>

#include "ado/ado_errors.h"
#include "ado/postgres/postgres_provider.h"
#include "ado/postgres/postgres_values.h"

namespace korvex::ado::postgres {

namespace {

// Relations a page may name: tables, partitioned and foreign tables, views and materialized
// views, found by the search path.
constexpr const char* kVisibleRelations =
    "c.relkind IN ('r', 'p', 'f', 'v', 'm') AND pg_table_is_visible(c.oid) "
    "AND n.nspname NOT IN ('pg_catalog', 'information_schema') AND n.nspname NOT LIKE 'pg\\_%'";

std::string Text(const PGresult* r, int row, int column) {
  return PQgetisnull(r, row, column)
             ? std::string()
             : std::string(PQgetvalue(r, row, column),
                           static_cast<size_t>(PQgetlength(r, row, column)));
}

int64_t Int(const PGresult* r, int row, int column) {
  return PQgetisnull(r, row, column) ? 0 : std::strtoll(PQgetvalue(r, row, column), nullptr, 10);
}

bool Bool(const PGresult* r, int row, int column) {
  return Text(r, row, column) == "t";
}

TableKind KindOf(const std::string& relkind) {
  return relkind == "v" || relkind == "m" ? TableKind::View : TableKind::Table;
}

// The type columns of an attribute a joined with its type ty: the type (a domain's base type)
// and its modifier, and a domain's own name.
constexpr const char* kTypeColumns =
    "CASE WHEN ty.typtype = 'd' THEN ty.typbasetype ELSE a.atttypid END, "
    "CASE WHEN ty.typtype = 'd' THEN ty.typtypmod ELSE a.atttypmod END, "
    "CASE WHEN ty.typtype = 'd' THEN ty.typname END";

// A column's declared type from the kTypeColumns at first. A domain named as a Jet type
// (a database carried over from one) keeps that type; any other domain is its base type.
std::string ColumnType(const PGresult* r, int row, int first) {
  std::string domain = FoldCase(Text(r, row, first + 2));
  for (const char* jet : {"tinyint", "byte", "yesno", "currency", "memo", "guid", "datetime"})
    if (domain == jet) {
      std::string upper;
      for (char c : domain) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      return upper;
    }
  return DeclaredType(static_cast<Oid>(Int(r, row, first)),
                      static_cast<int>(Int(r, row, first + 1)));
}

std::string RuleName(const std::string& action) {
  if (action == "c") return "CASCADE";
  if (action == "n") return "SET NULL";
  if (action == "d") return "SET DEFAULT";
  return "NO ACTION";  // a (no action) and r (restrict)
}

// A catalogue list from the cache, or read and kept there.
template <class T, class Read>
T Cached(CatalogCache& cache, std::optional<T> CatalogCache::*member, Read read) {
  {
    std::lock_guard lock(cache.mutex);
    if (cache.*member) return *(cache.*member);
  }
  T value = read();
  std::lock_guard lock(cache.mutex);
  cache.*member = value;
  return value;
}

}  // namespace

CatalogCache& PostgresSession::Catalog() {
  // Checked again after every other statement: the catalogue may have changed since, by this
  // session or another program.
  if (!catalog_ || !catalog_checked_) {
    if (private_catalog_ || depth_ > 0) {
      catalog_ = std::make_shared<CatalogCache>();
    } else {
      catalog_ = SharedCatalog(connection_->key(), CurrentSnapshot());
    }
    catalog_checked_ = true;
  }
  return *catalog_;
}

std::vector<TableInfo> PostgresSession::Tables() {
  return Cached(Catalog(), &CatalogCache::tables, [&] {
    Result r =
        RunPrepared("korvex_tables",
                    std::string("SELECT c.relname, c.relkind, CASE WHEN c.relkind IN ('v', 'm') "
                                "THEN pg_get_viewdef(c.oid) END FROM pg_class c "
                                "JOIN pg_namespace n ON n.oid = c.relnamespace WHERE ") +
                        kVisibleRelations + " ORDER BY c.relname",
                    {});
    std::vector<TableInfo> tables;
    for (int row = 0; row < PQntuples(r.get()); ++row) {
      TableInfo t;
      t.name = Text(r.get(), row, 0);
      t.kind = KindOf(Text(r.get(), row, 1));
      t.definition = Text(r.get(), row, 2);
      tables.push_back(std::move(t));
    }
    return tables;
  });
}
std::optional<TableInfo> PostgresSession::DescribeTable(std::string_view name) {
  CatalogCache& cache = Catalog();
  {
    std::lock_guard lock(cache.mutex);
    if (auto it = cache.described.find(std::string(name)); it != cache.described.end())
      return it->second;
  }
  std::optional<TableInfo> described = [&] {
    // The relation (its exact spelling preferred over one differing in case) and its columns in
    // one statement.
    std::vector<DbValue> param{DbValue::Text(std::string(name))};
    Result r = RunPrepared(
        "korvex_describe",
        std::string("WITH t AS (SELECT c.oid, c.relname, c.relkind FROM pg_class c "
                    "JOIN pg_namespace n ON n.oid = c.relnamespace WHERE lower(c.relname) = "
                    "lower(?::text) AND ") +
            kVisibleRelations +
            " ORDER BY c.relname = ?::text DESC LIMIT 1) "
            "SELECT t.relname, t.relkind, CASE WHEN t.relkind IN ('v', 'm') THEN "
            "pg_get_viewdef(t.oid) END, a.attname, " +
            kTypeColumns +
            ", a.attnotnull, pg_get_expr(d.adbin, d.adrelid), a.attidentity <> '' OR "
            "COALESCE(pg_get_expr(d.adbin, d.adrelid) LIKE 'nextval(%', FALSE), "
            "(SELECT k.ord FROM pg_index i, unnest(i.indkey) WITH ORDINALITY AS k(attnum, ord) "
            "WHERE i.indrelid = t.oid AND i.indisprimary AND k.attnum = a.attnum), "
            "a.attgenerated <> '' "
            "FROM t LEFT JOIN pg_attribute a ON a.attrelid = t.oid AND a.attnum > 0 "
            "AND NOT a.attisdropped LEFT JOIN pg_type ty ON ty.oid = a.atttypid "
            "LEFT JOIN pg_attrdef d ON d.adrelid = a.attrelid AND d.adnum = a.attnum "
            "ORDER BY a.attnum",
        std::vector<DbValue>{param[0], param[0]});
    const PGresult* res = r.get();
    if (PQntuples(res) == 0) return std::optional<TableInfo>();
    TableInfo t;
    t.name = Text(res, 0, 0);
    t.kind = KindOf(Text(res, 0, 1));
    t.definition = Text(res, 0, 2);
    int key_columns = 0;
    const ColumnInfo* key = nullptr;
    for (int row = 0; row < PQntuples(res); ++row) {
      if (PQgetisnull(res, row, 3)) continue;  // a relation without columns
      ColumnInfo c;
      c.name = Text(res, row, 3);
      c.declared_type = ColumnType(res, row, 4);
      c.not_null = Bool(res, row, 7);
      // A computed column's expression is no default to fill in.
      c.generated = Bool(res, row, 11);
      if (!PQgetisnull(res, row, 8) && !c.generated) c.default_sql = Text(res, row, 8);
      c.auto_increment = Bool(res, row, 9);
      c.primary_key_ordinal = static_cast<int>(Int(res, row, 10));
      if (c.primary_key_ordinal > 0) ++key_columns;
      t.columns.push_back(std::move(c));
    }
    // A lone integer key orders and finds the rows, as a row id does: lists are read in its
    // order and a far page is reached through its index. A plain table without one has the
    // server's own row address, which tells even identical rows apart; it changes when the row
    // is updated, and a write gives the new one back.
    for (const ColumnInfo& c : t.columns)
      if (c.primary_key_ordinal == 1) key = &c;
    if (t.kind == TableKind::Table && key_columns == 1 && key &&
        (key->declared_type == "INTEGER" || key->declared_type == "BIGINT" ||
         key->declared_type == "SMALLINT"))
      t.rowid = Dialect().QuoteIdentifier(key->name);
    else if (Text(res, 0, 1) == "r")
      t.rowid = "ctid";
    return std::optional<TableInfo>(std::move(t));
  }();
  std::lock_guard lock(cache.mutex);
  cache.described[std::string(name)] = described;
  return described;
}

std::vector<ForeignKeyInfo> PostgresSession::ForeignKeys() {
  return Cached(Catalog(), &CatalogCache::foreign_keys, [&] {
    Result r = RunPrepared(
        "korvex_foreign_keys",
        std::string("SELECT con.conname, p.relname, pa.attname, c.relname, fa.attname, k.ord, "
                    "con.confupdtype, con.confdeltype FROM pg_constraint con "
                    "JOIN pg_class c ON c.oid = con.conrelid "
                    "JOIN pg_namespace n ON n.oid = c.relnamespace "
                    "JOIN pg_class p ON p.oid = con.confrelid "
                    "CROSS JOIN LATERAL unnest(con.conkey, con.confkey) WITH ORDINALITY "
                    "AS k(fk_attnum, pk_attnum, ord) "
                    "JOIN pg_attribute fa ON fa.attrelid = con.conrelid AND fa.attnum = "
                    "k.fk_attnum JOIN pg_attribute pa ON pa.attrelid = con.confrelid AND "
                    "pa.attnum = k.pk_attnum WHERE con.contype = 'f' AND ") +
            kVisibleRelations + " ORDER BY c.relname, con.conname, k.ord",
        {});
    std::vector<ForeignKeyInfo> keys;
    for (int row = 0; row < PQntuples(r.get()); ++row) {
      ForeignKeyInfo k;
      k.name = Text(r.get(), row, 0);
      k.pk_table = Text(r.get(), row, 1);
      k.pk_column = Text(r.get(), row, 2);
      k.fk_table = Text(r.get(), row, 3);
      k.fk_column = Text(r.get(), row, 4);
      k.ordinal = static_cast<int>(Int(r.get(), row, 5));
      k.update_rule = RuleName(Text(r.get(), row, 6));
      k.delete_rule = RuleName(Text(r.get(), row, 7));
      keys.push_back(std::move(k));
    }
    return keys;
  });
}
std::vector<IndexInfo> PostgresSession::Indexes() {
  return Cached(Catalog(), &CatalogCache::indexes, [&] {
    Result r = RunPrepared(
        "korvex_indexes",
        std::string("SELECT c.relname, i.relname, x.indisprimary, x.indisunique, "
                    "a.attname FROM pg_index x JOIN pg_class i ON i.oid = x.indexrelid "
                    "JOIN pg_class c ON c.oid = x.indrelid "
                    "JOIN pg_namespace n ON n.oid = c.relnamespace "
                    "CROSS JOIN LATERAL unnest(x.indkey) WITH ORDINALITY AS k(attnum, ord) "
                    "LEFT JOIN pg_attribute a ON a.attrelid = c.oid AND a.attnum = "
                    "k.attnum WHERE c.relkind IN ('r', 'p', 'm') AND ") +
            kVisibleRelations + " ORDER BY c.relname, x.indisprimary DESC, i.relname, k.ord",
        {});
    std::vector<IndexInfo> indexes;
    for (int row = 0; row < PQntuples(r.get()); ++row) {
      std::string table = Text(r.get(), row, 0), name = Text(r.get(), row, 1);
      if (indexes.empty() || indexes.back().table != table || indexes.back().name != name)
        indexes.push_back(IndexInfo{table, name, Bool(r.get(), row, 2), Bool(r.get(), row, 3), {}});
      // An expression's place in the key has no column name.
      indexes.back().columns.push_back(Text(r.get(), row, 4));
    }
    return indexes;
  });
}
std::optional<std::string> PostgresSession::ResolveName(std::string_view word) {
  // Words with a role in the grammar stay words; only the unreserved ones may be names.
  static const std::set<std::string> kGrammarWords = [this] {
    std::set<std::string> words;
    Result r = RunPrepared("korvex_keywords",
                           "SELECT word FROM pg_get_keywords() WHERE catcode <> 'U'", {});
    for (int row = 0; row < PQntuples(r.get()); ++row) words.insert(Text(r.get(), row, 0));
    return words;
  }();
  std::string folded = FoldCase(word);
  if (kGrammarWords.count(folded)) return std::nullopt;
  CatalogCache& cache = Catalog();
  std::unique_lock lock(cache.mutex);
  if (!cache.names) {
    lock.unlock();
    std::map<std::string, std::vector<std::string>> names;
    Result r =
        RunPrepared("korvex_names",
                    std::string("SELECT c.relname, a.attname FROM pg_class c "
                                "JOIN pg_namespace n ON n.oid = c.relnamespace "
                                "LEFT JOIN pg_attribute a ON a.attrelid = c.oid AND a.attnum > 0 "
                                "AND NOT a.attisdropped WHERE ") +
                        kVisibleRelations,
                    {});
    auto add = [&](std::string name) {
      auto& spellings = names[FoldCase(name)];
      if (std::find(spellings.begin(), spellings.end(), name) == spellings.end())
        spellings.push_back(std::move(name));
    };
    for (int row = 0; row < PQntuples(r.get()); ++row) {
      if (row == 0 || Text(r.get(), row, 0) != Text(r.get(), row - 1, 0))
        add(Text(r.get(), row, 0));
      if (!PQgetisnull(r.get(), row, 1)) add(Text(r.get(), row, 1));
    }
    lock.lock();
    cache.names = std::move(names);
  }
  auto it = cache.names->find(folded);
  if (it == cache.names->end()) return std::nullopt;
  const std::vector<std::string> spellings = it->second;
  lock.unlock();
  // A name spelled exactly so is meant as written (the server finds a lower-case one
  // itself); otherwise the one name of that spelling, unless the server finds it folded.
  bool exact = std::find(spellings.begin(), spellings.end(), word) != spellings.end();
  if (exact) return word == folded ? std::nullopt : std::optional<std::string>(word);
  if (std::find(spellings.begin(), spellings.end(), folded) != spellings.end()) return std::nullopt;
  if (spellings.size() == 1) return spellings.front();
  return std::nullopt;
}

PostgresSession::ColumnOrigin PostgresSession::OriginOf(Oid table, int column) {
  CatalogCache& cache = Catalog();
  std::unique_lock lock(cache.mutex);
  auto it = cache.origins.find(table);
  if (it == cache.origins.end()) {
    lock.unlock();
    // One visit per table and session, for all of its columns: a result names each.
    std::vector<DbValue> param{DbValue::Int(static_cast<int64_t>(table))};
    Result r = RunPrepared("korvex_origin",
                           std::string("SELECT c.relname, a.attnum, a.attname, ") + kTypeColumns +
                               " FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
                               "JOIN pg_attribute a ON a.attrelid = c.oid AND a.attnum > 0 "
                               "JOIN pg_type ty ON ty.oid = a.atttypid WHERE c.oid = ?::oid AND " +
                               kVisibleRelations,
                           param);
    CatalogCache::Origin names;
    for (int row = 0; row < PQntuples(r.get()); ++row) {
      names.table = Text(r.get(), row, 0);
      names.columns[static_cast<int>(Int(r.get(), row, 1))] = {Text(r.get(), row, 2),
                                                               ColumnType(r.get(), row, 3)};
    }
    lock.lock();
    it = cache.origins.emplace(table, std::move(names)).first;
  }
  auto column_it = it->second.columns.find(column);
  if (column_it == it->second.columns.end()) return {};
  return {it->second.table, column_it->second.name, column_it->second.declared_type};
}

std::string PostgresSession::CatalogName() {
  const char* db = PQdb(conn());
  return db ? db : "";
}

std::vector<std::pair<std::string, Variant>> PostgresSession::Properties() {
  const char* version = PQparameterStatus(conn(), "server_version");
  const char* host = PQhost(conn());
  const char* port = PQport(conn());
  std::string source =
      std::string(host ? host : "") + (port && *port ? ":" : "") + (port ? port : "");
  return {
      {"Provider Name", Variant("PostgreSQL")},
      {"Provider Friendly Name", Variant("PostgreSQL server")},
      {"DBMS Name", Variant("PostgreSQL")},
      {"DBMS Version", Variant(version ? version : "")},
      {"Data Source", Variant(source)},
      {"Read-Only Data Source", Variant(false)},
      {"Current Catalog", Variant(CatalogName())},
      {"Transaction DDL", Variant(int32_t{8})},
      {"Identifier Case Sensitivity", Variant(int32_t{8})},
  };
}

}  // namespace korvex::ado::postgres
