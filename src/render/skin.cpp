// Reading a skin for one rendering, and the alternating row tags.
#include "render/skin.h"

#include "core/automation_error.h"

namespace korvex {

Skin ReadSkin(const HTMLTable& table) {
  return static_cast<const SkinTags&>(table);
}

Skin ReadSkin(const HTMLTable& table, bool debug, MarkerLayout layout) {
  Skin skin = ReadSkin(table);
  if (!debug) return skin;
  for (const SkinTag& entry : kSkinTags) {
    if (entry.row_tag) continue;
    std::string& tag = skin.*entry.tag;
    tag = WrapInMarkers(TagMarkers{entry.open_marker, entry.close_marker}, tag, layout);
  }
  return skin;
}

const std::string& RowTag(int16_t& counter, const HTMLTable& table, bool closing) {
  if (!closing) {
    // A 16-bit counter overflows as the run time's integers do.
    if (counter == INT16_MAX) RaiseRuntimeError(err::kOverflow);
    ++counter;
    return counter % 2 != 0 ? table.OddTR : table.EvenTR;
  }
  return counter % 2 != 0 ? table.OddTRClose : table.EvenTRClose;
}

}  // namespace korvex
