// The recordset filter parser: any text either parses or raises an automation error; a parsed
// filter turns into SQL for both dialects and evaluates against a row of every value type.
#include "ado/filter_expression.h"
#include "ado/sql_dialect.h"
#include "core/automation_error.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace korvex;
  try {
    ado::FilterExpression filter = ado::FilterExpression::Parse(fuzz::AsText(data, size));
    filter.ToSqlCondition(ado::SqliteDialect());
    filter.ToSqlCondition(ado::PostgresDialect());
    filter.FieldNames();
    int column = 0;
    filter.Matches([&](std::string_view) -> Variant {
      switch (column++ % 4) {
        case 0:
          return Variant(int32_t{42});
        case 1:
          return Variant(std::string("O'Hara"));
        case 2:
          return Variant(2.5);
        default:
          return Variant();
      }
    });
  } catch (const AutomationError&) {
  }
  return 0;
}
