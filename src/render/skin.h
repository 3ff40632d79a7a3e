// A table skin as one rendering uses it: the tag strings read once at the start (wrapped in
// their marker comments in debug mode), and RowTag, the alternating-row operation every
// renderer shares.
#pragma once

#include <cstdint>
#include <string>

#include "component/settings/html_table.h"
#include "render/skin_markers.h"

namespace korvex {

/// The twenty-two tags of an HTMLTable, copied once for one rendering.
using Skin = SkinTags;

/// The tags as they stand.
Skin ReadSkin(const HTMLTable& table);
/// The tags wrapped in their marker comments when debug is on. The row tags (OddTR ...
/// EvenTRClose) are left alone: only the search form marks its rows.
Skin ReadSkin(const HTMLTable& table, bool debug, MarkerLayout layout);

/// Opening (closing False): adds one to counter and gives OddTR when it is then odd, EvenTR
/// when even. Closing: leaves counter and gives OddTRClose or EvenTRClose by its parity.
/// A table's counter starts at 0, so its first data row is odd.
const std::string& RowTag(int16_t& counter, const HTMLTable& table, bool closing);

}  // namespace korvex
