// Shared pieces of the diagnostics tests: a small library with a foreign key in a temporary
// SQLite file, and a page whose AdminRecordset uses the screens the facade installs.
#pragma once

#include <functional>
#include <string>

#include "korvex.h"
#include "support/component_fixture.h"

namespace korvex::testing {

/// Shelves(Code primary key, Room) holds 'A&1' in the "Hall"; Books(ID, Title, Shelf) refers
/// to Shelves, book 1 "One" on A&1, book 2 "Two" on none.
inline std::string ShelvesDatabase(const TempFolder& folder) {
  return MakeDatabase(folder, "shelves.db",
                      "CREATE TABLE Shelves (Code VARCHAR(5) PRIMARY KEY, Room VARCHAR(20));"
                      "CREATE TABLE Books (ID INTEGER PRIMARY KEY, Title VARCHAR(30) NOT NULL, "
                      "Shelf VARCHAR(5) REFERENCES Shelves(Code));"
                      "CREATE VIEW Titles AS SELECT Title FROM Books;"
                      "INSERT INTO Shelves VALUES ('A&1', 'Hall');"
                      "INSERT INTO Books VALUES (1, 'One', 'A&1'), (2, 'Two', NULL);");
}

/// Runs body on a page whose AdminRecordset reaches the product's screens.
inline PageResult RunProductPage(const std::function<void(AdminRecordset&)>& body) {
  RegisterAllClasses();
  return RunPage("/admin/schema.ksp", body);
}

}  // namespace korvex::testing
