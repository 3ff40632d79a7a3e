// From declared column types to published field types, and between database values and
// Variants: decoding gives each type its Variant kind (dates as Dates, booleans as Booleans,
// NULL as Null); encoding converts an assigned value to what the column stores, or raises
// -2147217887 when the column cannot take it. Stored forms are those of sql_dialect.h.
#pragma once

#include <cstdint>
#include <string_view>

#include "ado/field.h"
#include "ado/provider.h"
#include "core/variant.h"

namespace korvex::ado {

/// The families of published types that convert alike.
enum class TypeClass { Number, Currency, Date, Boolean, Guid, Text, Binary, Other };
TypeClass ClassOf(int32_t type);

/// Type, size, precision and the fixed / long attribute bits for a declared type
/// ("VARCHAR(50)", "INTEGER", "DECIMAL(10,2)"). An empty declaration gives type 0; the caller
/// then decides from the values (TypeOfValue).
FieldDef DefFromDeclaredType(std::string_view declared);
/// Type, size, precision and fixed / long bits of a published type number with an optional
/// size, for fabricated fields; sets nothing else.
void CompleteDefForType(FieldDef& def, int32_t type, int32_t defined_size);
/// The field type a computed column gets from its first value.
int32_t TypeOfValue(const DbValue& value);

Variant DecodeValue(const DbValue& value, const FieldDef& def);
/// Raises -2147217887 (source "ADODB.Field") when the value cannot be stored in the field.
DbValue EncodeValue(const Variant& value, const FieldDef& def);

/// The natural database value of a Variant, for parameters of no particular column.
DbValue ToDbValue(const Variant& value);

}  // namespace korvex::ado
