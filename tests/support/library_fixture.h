// A small library in a temporary SQLite file, shared by the tests of the many-to-many editor and
// of the list's related-record and many-to-many columns.
#pragma once

#include <string>

#include "support/component_fixture.h"

namespace korvex::testing {

/// Books (1 "One" on shelf A'1, 2 "Two" on none), Shelves (A'1 in the "Hall"), Authors (1 Ann,
/// 2 Bob, 3 Cy); BookAuthors links book 1 to Bob and Cy, book 2 to Ann; ShelfAuthors links
/// shelf A'1 to Ann.
inline std::string LibraryDatabase(const TempFolder& folder) {
  return MakeDatabase(folder, "library.db",
                      "CREATE TABLE Shelves (Code VARCHAR(5) PRIMARY KEY, Room VARCHAR(20));"
                      "CREATE TABLE Books (ID INTEGER PRIMARY KEY, Title VARCHAR(30), "
                      "Shelf VARCHAR(5) REFERENCES Shelves(Code));"
                      "CREATE TABLE Authors (ID INTEGER PRIMARY KEY, Name VARCHAR(30));"
                      "CREATE TABLE BookAuthors (BookID INTEGER, AuthorID INTEGER);"
                      "CREATE TABLE ShelfAuthors (ShelfCode VARCHAR(5), AuthorID INTEGER);"
                      "INSERT INTO Shelves VALUES ('A''1', 'Hall');"
                      "INSERT INTO Books VALUES (1, 'One', 'A''1'), (2, 'Two', NULL);"
                      "INSERT INTO Authors VALUES (1, 'Ann'), (2, 'Bob'), (3, 'Cy');"
                      "INSERT INTO BookAuthors VALUES (1, 2), (1, 3), (2, 1);"
                      "INSERT INTO ShelfAuthors VALUES ('A''1', 1);");
}

}  // namespace korvex::testing
