// Between the server's types and texts and the provider's values: the declared type a column
// of a given type oid reports, a result value as the database value the data access layer
// reads, and parameters as libpq sends them.
#pragma once

#include <libpq-fe.h>

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ado/provider.h"

namespace korvex::ado::postgres {

/// The declared type of a column, in the spelling the type map reads ("VARCHAR(50)",
/// "NUMERIC(10,2)", "TIMESTAMP"); types without a published counterpart (json, intervals,
/// arrays, network addresses...) read as TEXT.
std::string DeclaredType(Oid type, int type_modifier);

/// A value in the server's text output for its type: integers and floats as numbers, money
/// as its amount, booleans as 1 and 0, bytea as its bytes, dates and times in the stored form
/// (whole seconds, no zone: the session runs in UTC), char(n) without its padding, uuids as
/// braced upper-case GUIDs, anything else as its text.
DbValue ValueFromText(Oid type, const char* text, int length);

/// Parameters as libpq takes them: texts of unspecified type the server infers from their
/// place in the statement, and bytes sent as binary bytea.
class Parameters {
 public:
  explicit Parameters(std::span<const DbValue> values);
  int Count() const { return static_cast<int>(texts_.size()); }
  const Oid* Types() const { return types_.data(); }
  const char* const* Values() const { return pointers_.data(); }
  const int* Lengths() const { return lengths_.data(); }
  const int* Formats() const { return formats_.data(); }

 private:
  std::vector<std::string> texts_;
  std::vector<Oid> types_;
  std::vector<const char*> pointers_;
  std::vector<int> lengths_, formats_;
};

/// The statement with each ? parameter mark (outside texts, names and comments) replaced by
/// the server's numbered marks $1, $2, ...
std::string NumberParameterMarks(std::string_view sql);

}  // namespace korvex::ado::postgres
