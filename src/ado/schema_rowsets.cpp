// The catalogue rows of each schema kind, built from the provider's catalogue, with the
// column names and restriction columns of the published rowsets.
#include "ado/schema_rowsets.h"

#include <algorithm>
#include <set>

#include "ado/ado_constants.h"
#include "ado/ado_errors.h"
#include "ado/field_types.h"
#include "ado/recordset.h"

namespace korvex::ado {

namespace {

using Row = std::vector<DbValue>;

// Column kinds of the rowsets, as their published types.
enum Kind : int32_t {
  kText = type::kVarWChar,
  kLongText = type::kLongVarWChar,
  kBool = type::kBoolean,
  kUI2 = type::kUnsignedSmallInt,
  kUI4 = type::kUnsignedInt,
  kI2 = type::kSmallInt,
  kI4 = type::kInteger,
  kGuid = type::kGuid,
  kDate = type::kDate,
  kBig = type::kNumeric,
};

struct Column {
  const char* name;
  Kind kind;
};

struct RowsetShape {
  std::vector<Column> columns;
  std::vector<const char*> restrictions;  // column names, in restriction order
};

DbValue S(std::string text) {
  return DbValue::Text(std::move(text));
}
DbValue B(bool b) {
  return DbValue::Int(b ? 1 : 0);
}
DbValue I(int64_t n) {
  return DbValue::Int(n);
}
DbValue N() {
  return DbValue::Null();
}

std::string TableType(TableKind kind) {
  switch (kind) {
    case TableKind::View:
      return "VIEW";
    case TableKind::SystemTable:
      return "SYSTEM TABLE";
    default:
      return "TABLE";
  }
}

bool IsText(int32_t t) {
  return ClassOf(t) == TypeClass::Text;
}
bool IsBinary(int32_t t) {
  return ClassOf(t) == TypeClass::Binary;
}
bool IsNumber(int32_t t) {
  return ClassOf(t) == TypeClass::Number || ClassOf(t) == TypeClass::Currency;
}

FieldDef ColumnDef(const ColumnInfo& c) {
  FieldDef def = DefFromDeclaredType(c.declared_type);
  if (def.type == type::kEmpty) CompleteDefForType(def, type::kVarWChar, 0);
  return def;
}

// ---- Rows of each kind ---------------------------------------------------------------------

const RowsetShape kTables{{{"TABLE_CATALOG", kText},
                           {"TABLE_SCHEMA", kText},
                           {"TABLE_NAME", kText},
                           {"TABLE_TYPE", kText},
                           {"TABLE_GUID", kGuid},
                           {"DESCRIPTION", kText},
                           {"TABLE_PROPID", kUI4},
                           {"DATE_CREATED", kDate},
                           {"DATE_MODIFIED", kDate}},
                          {"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME", "TABLE_TYPE"}};

std::vector<Row> TableRows(ProviderConnection& s) {
  std::vector<Row> rows;
  for (const TableInfo& t : s.Tables())
    rows.push_back({N(), N(), S(t.name), S(TableType(t.kind)), N(), N(), N(), N(), N()});
  return rows;
}

const RowsetShape kColumns{{{"TABLE_CATALOG", kText},
                            {"TABLE_SCHEMA", kText},
                            {"TABLE_NAME", kText},
                            {"COLUMN_NAME", kText},
                            {"COLUMN_GUID", kGuid},
                            {"COLUMN_PROPID", kUI4},
                            {"ORDINAL_POSITION", kUI4},
                            {"COLUMN_HASDEFAULT", kBool},
                            {"COLUMN_DEFAULT", kLongText},
                            {"COLUMN_FLAGS", kUI4},
                            {"IS_NULLABLE", kBool},
                            {"DATA_TYPE", kUI2},
                            {"TYPE_GUID", kGuid},
                            {"CHARACTER_MAXIMUM_LENGTH", kUI4},
                            {"CHARACTER_OCTET_LENGTH", kUI4},
                            {"NUMERIC_PRECISION", kUI2},
                            {"NUMERIC_SCALE", kI2},
                            {"DATETIME_PRECISION", kUI4},
                            {"CHARACTER_SET_CATALOG", kText},
                            {"CHARACTER_SET_SCHEMA", kText},
                            {"CHARACTER_SET_NAME", kText},
                            {"COLLATION_CATALOG", kText},
                            {"COLLATION_SCHEMA", kText},
                            {"COLLATION_NAME", kText},
                            {"DOMAIN_CATALOG", kText},
                            {"DOMAIN_SCHEMA", kText},
                            {"DOMAIN_NAME", kText},
                            {"DESCRIPTION", kText}},
                           {"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME", "COLUMN_NAME"}};

Row ColumnRow(const TableInfo& table, const ColumnInfo& c, int ordinal) {
  FieldDef def = ColumnDef(c);
  int32_t t = def.type;
  bool nullable = !c.not_null;
  int64_t flags = (def.attributes & (attr::kFixed | attr::kLong)) |
                  (nullable ? attr::kIsNullable | attr::kMayBeNull : 0) |
                  (c.auto_increment ? 0 : attr::kUpdatable);
  DbValue max_length = IsText(t) || IsBinary(t) ? I(def.defined_size) : N();
  DbValue octets = IsText(t)     ? I(std::min<int64_t>(int64_t{def.defined_size} * 2, 0xFFFFFFFFLL))
                   : IsBinary(t) ? I(def.defined_size)
                                 : N();
  DbValue precision = IsNumber(t) ? I(def.precision) : N();
  DbValue scale = (t == type::kNumeric || t == type::kDecimal) ? I(def.numeric_scale) : N();
  DbValue datetime = (t == type::kDate || t == type::kDBTimeStamp) ? I(0) : N();
  return {N(),
          N(),
          S(table.name),
          S(c.name),
          N(),
          N(),
          I(ordinal),
          B(c.default_sql.has_value()),
          c.default_sql ? S(*c.default_sql) : N(),
          I(flags),
          B(nullable),
          I(t),
          N(),
          max_length,
          octets,
          precision,
          scale,
          datetime,
          N(),
          N(),
          N(),
          N(),
          N(),
          N(),
          N(),
          N(),
          N(),
          N()};
}

const RowsetShape kViews{{{"TABLE_CATALOG", kText},
                          {"TABLE_SCHEMA", kText},
                          {"TABLE_NAME", kText},
                          {"VIEW_DEFINITION", kLongText},
                          {"CHECK_OPTION", kBool},
                          {"IS_UPDATABLE", kBool},
                          {"DESCRIPTION", kText},
                          {"DATE_CREATED", kDate},
                          {"DATE_MODIFIED", kDate}},
                         {"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME"}};

const RowsetShape kForeignKeys{{{"PK_TABLE_CATALOG", kText},
                                {"PK_TABLE_SCHEMA", kText},
                                {"PK_TABLE_NAME", kText},
                                {"PK_COLUMN_NAME", kText},
                                {"PK_COLUMN_GUID", kGuid},
                                {"PK_COLUMN_PROPID", kUI4},
                                {"FK_TABLE_CATALOG", kText},
                                {"FK_TABLE_SCHEMA", kText},
                                {"FK_TABLE_NAME", kText},
                                {"FK_COLUMN_NAME", kText},
                                {"FK_COLUMN_GUID", kGuid},
                                {"FK_COLUMN_PROPID", kUI4},
                                {"ORDINAL", kUI4},
                                {"UPDATE_RULE", kText},
                                {"DELETE_RULE", kText},
                                {"PK_NAME", kText},
                                {"FK_NAME", kText},
                                {"DEFERRABILITY", kI2}},
                               {"PK_TABLE_CATALOG", "PK_TABLE_SCHEMA", "PK_TABLE_NAME",
                                "FK_TABLE_CATALOG", "FK_TABLE_SCHEMA", "FK_TABLE_NAME"}};

const RowsetShape kPrimaryKeys{{{"TABLE_CATALOG", kText},
                                {"TABLE_SCHEMA", kText},
                                {"TABLE_NAME", kText},
                                {"COLUMN_NAME", kText},
                                {"COLUMN_GUID", kGuid},
                                {"COLUMN_PROPID", kUI4},
                                {"ORDINAL", kUI4},
                                {"PK_NAME", kText}},
                               {"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME"}};

const RowsetShape kIndexes{{{"TABLE_CATALOG", kText},
                            {"TABLE_SCHEMA", kText},
                            {"TABLE_NAME", kText},
                            {"INDEX_CATALOG", kText},
                            {"INDEX_SCHEMA", kText},
                            {"INDEX_NAME", kText},
                            {"PRIMARY_KEY", kBool},
                            {"UNIQUE", kBool},
                            {"CLUSTERED", kBool},
                            {"TYPE", kUI2},
                            {"FILL_FACTOR", kI4},
                            {"INITIAL_SIZE", kI4},
                            {"NULLS", kI4},
                            {"SORT_BOOKMARKS", kBool},
                            {"AUTO_UPDATE", kBool},
                            {"NULL_COLLATION", kI4},
                            {"ORDINAL_POSITION", kUI4},
                            {"COLUMN_NAME", kText},
                            {"COLUMN_GUID", kGuid},
                            {"COLUMN_PROPID", kUI4},
                            {"COLLATION", kI2},
                            {"CARDINALITY", kBig},
                            {"PAGES", kI4},
                            {"FILTER_CONDITION", kText},
                            {"INTEGRATED", kBool}},
                           {"TABLE_CATALOG", "TABLE_SCHEMA", "INDEX_NAME", "TYPE", "TABLE_NAME"}};

const RowsetShape kTableConstraints{
    {{"CONSTRAINT_CATALOG", kText},
     {"CONSTRAINT_SCHEMA", kText},
     {"CONSTRAINT_NAME", kText},
     {"TABLE_CATALOG", kText},
     {"TABLE_SCHEMA", kText},
     {"TABLE_NAME", kText},
     {"CONSTRAINT_TYPE", kText},
     {"IS_DEFERRABLE", kBool},
     {"INITIALLY_DEFERRED", kBool},
     {"DESCRIPTION", kText}},
    {"CONSTRAINT_CATALOG", "CONSTRAINT_SCHEMA", "CONSTRAINT_NAME", "TABLE_CATALOG", "TABLE_SCHEMA",
     "TABLE_NAME", "CONSTRAINT_TYPE"}};

const RowsetShape kCatalogs{{{"CATALOG_NAME", kText}, {"DESCRIPTION", kText}}, {"CATALOG_NAME"}};

const RowsetShape kProviderTypes{{{"TYPE_NAME", kText},        {"DATA_TYPE", kUI2},
                                  {"COLUMN_SIZE", kUI4},       {"LITERAL_PREFIX", kText},
                                  {"LITERAL_SUFFIX", kText},   {"CREATE_PARAMS", kText},
                                  {"IS_NULLABLE", kBool},      {"CASE_SENSITIVE", kBool},
                                  {"SEARCHABLE", kUI4},        {"UNSIGNED_ATTRIBUTE", kBool},
                                  {"FIXED_PREC_SCALE", kBool}, {"AUTO_UNIQUE_VALUE", kBool},
                                  {"LOCAL_TYPE_NAME", kText},  {"MINIMUM_SCALE", kI2},
                                  {"MAXIMUM_SCALE", kI2},      {"GUID", kGuid},
                                  {"TYPELIB", kText},          {"VERSION", kText},
                                  {"IS_LONG", kBool},          {"BEST_MATCH", kBool},
                                  {"IS_FIXEDLENGTH", kBool}},
                                 {"DATA_TYPE", "BEST_MATCH"}};

std::vector<Row> ProviderTypeRows() {
  std::vector<Row> rows;
  for (const char* name :
       {"SMALLINT", "INTEGER", "BIGINT", "REAL", "DOUBLE", "MONEY", "NUMERIC", "TINYINT",
        "DATETIME", "TIMESTAMP", "BOOLEAN", "GUID", "CHAR", "VARCHAR", "TEXT", "BLOB"}) {
    FieldDef def = DefFromDeclaredType(name);
    bool text = IsText(def.type);
    bool sized = def.type == type::kWChar || def.type == type::kVarWChar;
    bool is_long = (def.attributes & attr::kLong) != 0;
    rows.push_back({S(name),
                    I(def.type),
                    I(def.defined_size),
                    text ? S("'") : N(),
                    text ? S("'") : N(),
                    sized ? S("max length") : N(),
                    B(true),
                    B(text),
                    I(is_long ? 1 : 4),
                    B(false),
                    B(def.type == type::kCurrency),
                    B(def.type == type::kInteger),
                    N(),
                    N(),
                    N(),
                    N(),
                    N(),
                    N(),
                    B(is_long),
                    B(true),
                    B((def.attributes & attr::kFixed) != 0)});
  }
  return rows;
}

// ---- Restrictions --------------------------------------------------------------------------

bool Matches(const DbValue& cell, const Variant& restriction) {
  if (restriction.IsEmpty() || restriction.IsNull() || restriction.IsMissing()) return true;
  switch (cell.kind) {
    case DbValue::Kind::Null:
      return false;
    case DbValue::Kind::Integer: {
      auto n = ParseNumber(TextOrEmpty(restriction));
      if (restriction.IsNumeric() || restriction.type() == VarType::Boolean)
        return CDbl(restriction) == static_cast<double>(cell.integer) ||
               (restriction.type() == VarType::Boolean &&
                CBool(restriction) == (cell.integer != 0));
      return n && *n == static_cast<double>(cell.integer);
    }
    default:
      return EqualsNoCase(cell.bytes, TextOrEmpty(restriction));
  }
}

std::vector<FieldDef> Defs(const RowsetShape& shape) {
  std::vector<FieldDef> defs;
  for (const Column& c : shape.columns) {
    FieldDef def;
    def.name = c.name;
    def.attributes = attr::kIsNullable | attr::kMayBeNull;
    CompleteDefForType(def, c.kind, c.kind == kText ? 128 : 0);
    defs.push_back(std::move(def));
  }
  return defs;
}

}  // namespace

std::shared_ptr<Recordset> OpenSchemaRowset(ProviderConnection& s, int32_t kind,
                                            const std::vector<Variant>& restrictions) {
  const RowsetShape* shape = nullptr;
  std::vector<Row> rows;
  switch (kind) {
    case schema::kTables:
      shape = &kTables;
      rows = TableRows(s);
      break;
    case schema::kColumns:
      shape = &kColumns;
      for (const TableInfo& listed : s.Tables())
        if (auto table = s.DescribeTable(listed.name)) {
          int ordinal = 0;
          for (const ColumnInfo& c : table->columns)
            rows.push_back(ColumnRow(*table, c, ++ordinal));
        }
      break;
    case schema::kViews:
      shape = &kViews;
      for (const TableInfo& t : s.Tables())
        if (t.kind == TableKind::View)
          rows.push_back({N(), N(), S(t.name), S(t.definition), B(false), B(false), N(), N(), N()});
      break;
    case schema::kForeignKeys:
      shape = &kForeignKeys;
      for (const ForeignKeyInfo& k : s.ForeignKeys())
        rows.push_back({N(), N(), S(k.pk_table), S(k.pk_column), N(), N(), N(), N(), S(k.fk_table),
                        S(k.fk_column), N(), N(), I(k.ordinal), S(k.update_rule), S(k.delete_rule),
                        N(), S(k.name), I(3)});
      break;
    case schema::kPrimaryKeys:
      shape = &kPrimaryKeys;
      for (const TableInfo& listed : s.Tables()) {
        if (listed.kind != TableKind::Table) continue;
        if (auto table = s.DescribeTable(listed.name))
          for (const ColumnInfo& c : table->columns)
            if (c.primary_key_ordinal > 0)
              rows.push_back({N(), N(), S(table->name), S(c.name), N(), N(),
                              I(c.primary_key_ordinal), S("PrimaryKey")});
      }
      std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        return a[2].bytes == b[2].bytes ? a[6].integer < b[6].integer : a[2].bytes < b[2].bytes;
      });
      break;
    case schema::kIndexes:
      shape = &kIndexes;
      for (const IndexInfo& index : s.Indexes()) {
        int ordinal = 0;
        for (const std::string& column : index.columns)
          rows.push_back({N(),
                          N(),
                          S(index.table),
                          N(),
                          N(),
                          S(index.name),
                          B(index.primary_key),
                          B(index.unique),
                          B(false),
                          I(1),
                          N(),
                          N(),
                          I(0),
                          B(false),
                          B(true),
                          I(4),
                          I(++ordinal),
                          S(column),
                          N(),
                          N(),
                          I(1),
                          N(),
                          N(),
                          N(),
                          B(true)});
      }
      break;
    case schema::kTableConstraints: {
      shape = &kTableConstraints;
      auto add = [&](const std::string& name, const std::string& table, const char* type) {
        rows.push_back({N(), N(), S(name), N(), N(), S(table), S(type), B(false), B(false), N()});
      };
      for (const IndexInfo& index : s.Indexes())
        if (index.primary_key)
          add(index.name, index.table, "PRIMARY KEY");
        else if (index.unique)
          add(index.name, index.table, "UNIQUE");
      std::set<std::string> seen;
      for (const ForeignKeyInfo& k : s.ForeignKeys())
        if (seen.insert(k.name).second) add(k.name, k.fk_table, "FOREIGN KEY");
      break;
    }
    case schema::kCatalogs:
      shape = &kCatalogs;
      rows.push_back({S(s.CatalogName()), N()});
      break;
    case schema::kProviderTypes:
      shape = &kProviderTypes;
      rows = ProviderTypeRows();
      break;
    default:
      RaiseAdo(err::kNotCapable, "ADODB.Connection");
  }
  for (size_t r = 0; r < restrictions.size() && r < shape->restrictions.size(); ++r) {
    size_t column = 0;
    while (shape->columns[column].name != std::string_view(shape->restrictions[r])) ++column;
    std::erase_if(rows, [&](const Row& row) { return !Matches(row[column], restrictions[r]); });
  }
  auto recordset = std::make_shared<Recordset>();
  recordset->OpenRows(Defs(*shape), std::move(rows));
  return recordset;
}

}  // namespace korvex::ado
