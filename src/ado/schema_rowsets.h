// Schema rowsets (Connection.OpenSchema): catalogue rows with the published column names and
// restriction orders, as read-only recordsets held in memory.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "ado/provider.h"
#include "core/variant.h"

namespace korvex::ado {

class Recordset;

/// Kinds: catalogs 1, columns 4, table constraints 10, indexes 12, tables 20, provider types
/// 22, views 23, foreign keys 27, primary keys 28; any other raises 3251. A restriction that
/// is Empty, Null or Missing leaves its column free; texts compare without regard to case.
std::shared_ptr<Recordset> OpenSchemaRowset(ProviderConnection& session, int32_t kind,
                                            const std::vector<Variant>& restrictions);

}  // namespace korvex::ado
