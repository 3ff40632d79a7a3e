// The marker comments written around table skin tags in debug mode, so the page source shows
// where each piece of skin came from. Two opening markers are irregular on purpose
// ("<!--LabelTitle -->", "<!-- LabelTitleTDClose-->"): pages and tools search for them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvex {

struct TagMarkers {
  std::string_view open;
  std::string_view close;
};

/// Markers of a skin tag (the 22 HTMLTable properties) or of the texts CriterionTitle and
/// SelectText; nothing for any other name. Names match exactly.
std::optional<TagMarkers> MarkersOf(std::string_view tag_name);

/// How a tag is wrapped.
enum class MarkerLayout {
  /// indent + open + tag + close + CRLF (search form, many-to-many editor).
  Inline,
  /// open + CRLF + tag + CRLF + close + CRLF (related-records sub-list).
  Broken,
};

/// The tag between its markers; a name without markers leaves the tag as it is.
std::string WrapInMarkers(std::string_view tag_name, std::string_view tag,
                          MarkerLayout layout = MarkerLayout::Inline, std::string_view indent = {});
/// The tag between the given markers.
std::string WrapInMarkers(const TagMarkers& markers, std::string_view tag, MarkerLayout layout,
                          std::string_view indent = {});

}  // namespace korvex
