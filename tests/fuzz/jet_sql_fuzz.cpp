// The Jet SQL front end: any text is tokenized and translated for both dialects without a
// crash; the tokens put back together give the text again.
#include <cstdlib>
#include <optional>
#include <string>

#include "ado/jet_sql.h"
#include "ado/sql_dialect.h"
#include "core/automation_error.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace korvex;
  const std::string_view sql = fuzz::AsText(data, size);
  try {
    std::string joined;
    for (const ado::JetToken& token : ado::TokenizeJet(sql)) joined += token.text;
    if (joined != sql) std::abort();
    ado::TranslateJetSql(sql, ado::SqliteDialect());
    ado::TranslateJetSql(sql, ado::PostgresDialect(), [](std::string_view word) {
      return word.size() % 2 ? std::optional<std::string>(std::string(word) + "X") : std::nullopt;
    });
  } catch (const AutomationError&) {
  }
  return 0;
}
