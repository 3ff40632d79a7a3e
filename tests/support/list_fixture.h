// Shared pieces of the listing tests: a customers table in a temporary SQLite file, a page
// that lists it through the in-memory host, and golden files compared byte for byte.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <string>

#include "render/select_from_recordset.h"
#include "support/component_fixture.h"

namespace korvex::testing {

/// Customers(ID, Name, Email, City, Joined, Active, Amount, Notes) with count rows; row i has
/// Name "Customer i", City "Town i%3" and Active for even i.
inline std::string CustomersSql(int count) {
  std::string sql =
      "CREATE TABLE Customers (ID INTEGER PRIMARY KEY, Name VARCHAR(50) NOT NULL, "
      "Email VARCHAR(80), City VARCHAR(40), Joined DATE, Active BOOLEAN, Amount MONEY, "
      "Notes TEXT);\nBEGIN;\n";
  for (int i = 1; i <= count; ++i) {
    std::string n = std::to_string(i);
    int day = i % 28 + 1;
    sql += "INSERT INTO Customers VALUES (" + n + ", 'Customer " + n + "', 'c" + n +
           "@example.com', 'Town " + std::to_string(i % 3) + "', '2003-03-" +
           (day < 10 ? "0" : "") + std::to_string(day) + "', " + (i % 2 == 0 ? "TRUE" : "FALSE") +
           ", " + n + ".5, NULL);\n";
  }
  return sql + "COMMIT;\n";
}

/// How many times piece occurs in text (overlaps counted).
inline size_t Occurrences(const std::string& text, std::string_view piece) {
  size_t n = 0;
  for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
  return n;
}

/// The shared rendering a page reaches without a screen: the select widget.
class RenderScreens : public Screens {
 public:
  std::string SelectFromRecordset(const AdminRecordset& page, std::string_view name,
                                  const Variant& connection, std::string_view recordset,
                                  std::string_view value_field,
                                  const SelectOptions& options) override {
    return korvex::SelectFromRecordset(page, name, connection, recordset, value_field, options);
  }
};

/// Runs a page at url that points an AdminRecordset at database, lets configure adjust it,
/// and calls render.
inline PageResult RunListPage(const std::string& url, const std::string& database,
                              const std::function<void(AdminRecordset&)>& render) {
  static RenderScreens screens;
  return RunPage(
      url,
      [&](AdminRecordset& page) {
        UseDatabase(page, database);
        page.LinkSecret = kTestLinkSecret;
        render(page);
      },
      &screens);
}

inline void ExpectSameText(const std::string& name, const std::string& expected,
                           const std::string& text);

/// Compares text with the golden file name beside this test; KORVEX_UPDATE_GOLDEN=1 rewrites
/// the file instead (to be reviewed before committing). Golden files hold what the SQLite run
/// writes; the PostgreSQL run must write the same apart from the identifier quotes.
/// quoted_links: the page wrote names quoted by its provider into its links; the server
/// quotes them "name" where the Jet provider has [name].
inline void ExpectGolden(const std::string& name, const std::string& text,
                         bool quoted_links = false) {
  std::string path = std::string(KORVEX_TEST_DIR) + "/golden/" + name;
  if (const char* update = std::getenv("KORVEX_UPDATE_GOLDEN"); update && *update == '1') {
    std::ofstream(path, std::ios::binary) << text;
    return;
  }
  std::ifstream in(path, std::ios::binary);
  ASSERT_TRUE(in) << "missing golden file " << path;
  std::stringstream buffer;
  buffer << in.rdbuf();
  std::string expected = buffer.str();
  if (OnPostgres() && quoted_links) {
    // Another SQL text carries another signature: the SQLite run checks the signatures' bytes,
    // this run that they are there.
    const std::regex signature("SQLSignKorVex=[0-9a-f]{64}");
    expected = std::regex_replace(expected, std::regex("%5B([^%&']*)%5D"), "%22$1%22");
    expected = std::regex_replace(expected, signature, "SQLSignKorVex=SIGNATURE");
    return ExpectSameText(name, expected,
                          std::regex_replace(text, signature, "SQLSignKorVex=SIGNATURE"));
  }
  ExpectSameText(name, expected, text);
}

inline void ExpectSameText(const std::string& name, const std::string& expected,
                           const std::string& text) {
  if (expected == text) return;
  size_t at = 0;
  while (at < expected.size() && at < text.size() && expected[at] == text[at]) ++at;
  ADD_FAILURE() << name << " differs at offset " << at << "\nexpected: " << expected.substr(at, 80)
                << "\nactual:   " << text.substr(at, 80);
}

}  // namespace korvex::testing
