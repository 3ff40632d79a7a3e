// The published numbers of the data access objects: data types, field attributes, cursor and
// lock types, cursor locations, object states and schema kinds. Pages and the component test
// these numbers directly, so they are kept exactly as published.
#pragma once

#include <cstdint>

namespace korvex::ado {

/// Field data types (Field.Type, the columns schema rowset's DATA_TYPE).
namespace type {
inline constexpr int32_t kEmpty = 0;
inline constexpr int32_t kSmallInt = 2;
inline constexpr int32_t kInteger = 3;
inline constexpr int32_t kSingle = 4;
inline constexpr int32_t kDouble = 5;
inline constexpr int32_t kCurrency = 6;
inline constexpr int32_t kDate = 7;
inline constexpr int32_t kBoolean = 11;
inline constexpr int32_t kVariant = 12;
inline constexpr int32_t kDecimal = 14;
inline constexpr int32_t kTinyInt = 16;
inline constexpr int32_t kUnsignedTinyInt = 17;
inline constexpr int32_t kUnsignedSmallInt = 18;
inline constexpr int32_t kUnsignedInt = 19;
inline constexpr int32_t kBigInt = 20;
inline constexpr int32_t kGuid = 72;
inline constexpr int32_t kBinary = 128;
inline constexpr int32_t kChar = 129;
inline constexpr int32_t kWChar = 130;
inline constexpr int32_t kNumeric = 131;
inline constexpr int32_t kDBTimeStamp = 135;
inline constexpr int32_t kVarChar = 200;
inline constexpr int32_t kLongVarChar = 201;
inline constexpr int32_t kVarWChar = 202;
inline constexpr int32_t kLongVarWChar = 203;
inline constexpr int32_t kVarBinary = 204;
inline constexpr int32_t kLongVarBinary = 205;
}  // namespace type

/// Field.Attributes bits.
namespace attr {
inline constexpr int32_t kMayDefer = 0x2;
inline constexpr int32_t kUpdatable = 0x4;
inline constexpr int32_t kUnknownUpdatable = 0x8;
inline constexpr int32_t kFixed = 0x10;
inline constexpr int32_t kIsNullable = 0x20;
inline constexpr int32_t kMayBeNull = 0x40;
inline constexpr int32_t kLong = 0x80;
inline constexpr int32_t kRowID = 0x100;
inline constexpr int32_t kKeyColumn = 0x8000;
}  // namespace attr

inline constexpr int32_t kOpenUnspecified = -1;
inline constexpr int32_t kOpenForwardOnly = 0;
inline constexpr int32_t kOpenKeyset = 1;
inline constexpr int32_t kOpenDynamic = 2;
inline constexpr int32_t kOpenStatic = 3;

inline constexpr int32_t kLockUnspecified = -1;
inline constexpr int32_t kLockReadOnly = 1;
inline constexpr int32_t kLockPessimistic = 2;
inline constexpr int32_t kLockOptimistic = 3;
inline constexpr int32_t kLockBatchOptimistic = 4;

inline constexpr int32_t kUseServer = 2;
inline constexpr int32_t kUseClient = 3;

/// Recordset.Open options (command types).
inline constexpr int32_t kCmdUnspecified = -1;
inline constexpr int32_t kCmdText = 1;
inline constexpr int32_t kCmdTable = 2;
inline constexpr int32_t kCmdUnknown = 8;
inline constexpr int32_t kCmdTableDirect = 512;

inline constexpr int32_t kStateClosed = 0;
inline constexpr int32_t kStateOpen = 1;

/// Recordset.EditMode.
inline constexpr int32_t kEditNone = 0;
inline constexpr int32_t kEditInProgress = 1;
inline constexpr int32_t kEditAdd = 2;

/// Recordset.Save formats.
inline constexpr int32_t kPersistADTG = 0;
inline constexpr int32_t kPersistXML = 1;

/// Column flags of the columns schema rowset (COLUMN_FLAGS) share the attribute bits; the
/// catalogue's own column attribute for "nullable" is 2.
inline constexpr int32_t kColNullable = 2;

/// Schema rowset kinds (Connection.OpenSchema).
namespace schema {
inline constexpr int32_t kCatalogs = 1;
inline constexpr int32_t kColumns = 4;
inline constexpr int32_t kTableConstraints = 10;
inline constexpr int32_t kIndexes = 12;
inline constexpr int32_t kTables = 20;
inline constexpr int32_t kProviderTypes = 22;
inline constexpr int32_t kViews = 23;
inline constexpr int32_t kForeignKeys = 27;
inline constexpr int32_t kPrimaryKeys = 28;
}  // namespace schema

}  // namespace korvex::ado
