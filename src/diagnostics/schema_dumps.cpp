// The schema dumps; see schema_dumps.h. The kinds are the published ones, whatever the
// provider answers: the dump shows what it cannot do as plainly as what it can.
#include "diagnostics/schema_dumps.h"

#include <memory>
#include <string>
#include <vector>

#include "ado/connection.h"
#include "ado/recordset.h"
#include "component/admin_recordset.h"
#include "diagnostics/recordset_table.h"
#include "host/intrinsics.h"
#include "render/html_text.h"

namespace korvex {

namespace {

struct SchemaKind {
  std::string_view name;
  int32_t kind;
};

// In the order of their names, as the dump lists them.
constexpr SchemaKind kAllKinds[] = {
    {"adSchemaAsserts", 0},
    {"adSchemaCatalogs", 1},
    {"adSchemaCharacterSets", 2},
    {"adSchemaCheckConstraints", 5},
    {"adSchemaCollations", 3},
    {"adSchemaColumnPrivileges", 13},
    {"adSchemaColumns", 4},
    {"adSchemaColumnsDomainUsage", 11},
    {"adSchemaConstraintColumnUsage", 6},
    {"adSchemaConstraintTableUsage", 7},
    {"adSchemaCubes", 32},
    {"adSchemaDBInfoKeywords", 30},
    {"adSchemaDBInfoLiterals", 31},
    {"adSchemaDimensions", 33},
    {"adSchemaForeignKeys", 27},
    {"adSchemaHierarchies", 34},
    {"adSchemaIndexes", 12},
    {"adSchemaKeyColumnUsage", 8},
    {"adSchemaLevels", 35},
    {"adSchemaMeasures", 36},
    {"adSchemaMembers", 38},
    {"adSchemaPrimaryKeys", 28},
    {"adSchemaProcedureColumns", 29},
    {"adSchemaProcedureParameters", 26},
    {"adSchemaProcedures", 16},
    {"adSchemaProperties", 37},
    {"adSchemaProviderSpecific", -1},
    {"adSchemaProviderTypes", 22},
    {"adSchemaSchemata", 17},
    {"adSchemaSQLLanguages", 18},
    {"adSchemaStatistics", 19},
    {"adSchemaTableConstraints", 10},
    {"adSchemaTablePrivileges", 14},
    {"adSchemaTables", 20},
    {"adSchemaTranslations", 21},
    {"adSchemaUsagePrivileges", 15},
    {"adSchemaViewColumnUsage", 24},
    {"adSchemaViews", 23},
    {"adSchemaViewTableUsage", 25},
};

// The kinds that concern one table, with where its name goes among the restrictions. The
// headings are kept letter for letter, odd indentation included: pages match on them.
struct RecordsetKind {
  std::string_view heading;
  int32_t kind;
  size_t restriction_count;
  size_t name_position;
};

constexpr RecordsetKind kRecordsetKinds[] = {
    {"<h3> adSchemaColumnPrivileges ", 13, 3, 2}, {"<h3> adSchemaColumns ", 4, 3, 2},
    {"<h3> adSchemaForeignKeys ", 27, 3, 2},  // the referenced (primary-key) table
    {"<h3> adSchemaIndexes ", 12, 5, 4},          {"<h3>     adSchemaPrimaryKeys ", 28, 3, 2},
    {"<h3> adSchemaStatistics ", 19, 3, 2},       {"<h3> adSchemaTableConstraints ", 10, 6, 5},
    {"<h3> adSchemaTablePrivileges ", 14, 3, 2},  {"<h3> adSchemaTables ", 20, 3, 2},
};

// The error line of a failed step: number, ": ", description. The description is the
// provider's own text, which may repeat a name from the database.
void WriteFailure(AdminRecordset& page, const AutomationError& error) {
  HtmlText line(page);
  line.Number(error.number()).Raw(": ").Html(error.description());
  page.RW(line.Take());
}

void WriteRowset(AdminRecordset& page, int32_t kind, const std::vector<Variant>& restrictions) {
  std::shared_ptr<ado::Recordset> rows = page.Connection()->OpenSchema(kind, restrictions);
  std::string table = RStoTable(page, *rows);
  rows->Close();
  page.RW(table);
}

// Puts the page's script time-out back however the dump ends.
class ScriptTimeoutRaised {
 public:
  ScriptTimeoutRaised(host::Server& server, int32_t seconds)
      : server_(server), kept_(server.ScriptTimeout) {
    server_.ScriptTimeout = seconds;
  }
  ~ScriptTimeoutRaised() { server_.ScriptTimeout = kept_; }
  ScriptTimeoutRaised(const ScriptTimeoutRaised&) = delete;
  ScriptTimeoutRaised& operator=(const ScriptTimeoutRaised&) = delete;

 private:
  host::Server& server_;
  int32_t kept_;
};

}  // namespace

void DisplaySchema(AdminRecordset& page, int32_t kind, std::string_view title) {
  try {
    // Connection() opens the shared connection when it is closed; a failing open is this
    // kind's failure like any other.
    page.Connection();
    page.RW("<h3>" + std::string(title) + "</h3>");
    WriteRowset(page, kind, {});
  } catch (const AutomationError& error) {
    WriteFailure(page, error);
  }
}

void DisplaySchemas(AdminRecordset& page) {
  // A large catalogue can take minutes.
  ScriptTimeoutRaised longer(page.Server(), 1200);
  page.RW("this operation may take long time. be patient... :)");
  for (const SchemaKind& kind : kAllKinds) DisplaySchema(page, kind.kind, kind.name);
}

void DisplayRecordsetSchemas(AdminRecordset& page) {
  page.Connection();
  const std::string name = page.StoredRecordset();
  for (const RecordsetKind& kind : kRecordsetKinds) {
    HtmlText heading(page);
    heading.Raw(kind.heading).Html(name).Raw("</h3>");
    page.RW(heading.Take());
    std::vector<Variant> restrictions(kind.restriction_count);
    restrictions[kind.name_position] = Variant(name);
    try {
      WriteRowset(page, kind.kind, restrictions);
    } catch (const AutomationError& error) {
      WriteFailure(page, error);
    }
  }
}

}  // namespace korvex
