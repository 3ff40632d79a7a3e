// The field model every screen shares: the classes of the published ADO type numbers, the
// membership test of the per-field declaration lists, and the field tests (auto-increment,
// relation). The required-field tests need AdminRecordset's state and are its members.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/collection.h"
#include "core/variant.h"

namespace korvex {

namespace ado {
class Field;
}
class HTMLRelatedRecords;

enum class FieldClass {
  Number,       // 2, 3, 4, 5, 6, 17, 131
  Date,         // 7
  Timestamp,    // 135, a date class of its own where a screen quotes it differently
  Boolean,      // 11
  Text,         // 72, 129, 130, 200, 202
  LongText,     // 201, 203
  Binary,       // 128, 204, 205: unsupported
  Unsupported,  // every other number
};

/// The class of an ADO type number, exactly as published; anything unknown is Unsupported.
FieldClass ClassOfType(int32_t type);
/// The seventeen types of the number, date, boolean, text and long-text classes.
bool IsSupportedType(int32_t type);

/// True when an item of the collection equals value (variant comparison, texts exactly and
/// case-sensitively); the walk stops at the first match.
bool IsInCollection(const Variant& value, const Collection& collection);

/// The provider's "ISAUTOINCREMENT" property of the field; False when the provider has none
/// or reading it fails.
bool IsAutoIncrementField(ado::Field& field);

struct RelationMatch {
  bool found = false;
  std::string RelatedTable;
  std::string RelatedField;
};

/// The relation declared for field_name (exact, case-sensitive); the last match wins and
/// nothing is found while relations.Show is False.
RelationMatch FindRelation(std::string_view field_name, const HTMLRelatedRecords& relations);

}  // namespace korvex
