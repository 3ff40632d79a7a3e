// Tools: the image tools a page creates ("Korvex.Tools"): the pixel size of an image on the
// site and the size attribute of a thumbnail of it. The reading itself is image_size.h.
#pragma once

#include <memory>
#include <string>

#include "core/dispatch.h"
#include "core/variant.h"

namespace korvex {

class Tools : public Dispatch, public PageObject {
 public:
  const MemberTable& Members() const override;

  /// The page's Server object, which maps the virtual paths; Nothing until the host or the
  /// page provides it (then every operation raises 424).
  std::shared_ptr<Dispatch> ASPServer;

  /// Keeps only the context's Server.
  void OnStartPage(const std::shared_ptr<Dispatch>& context) override;

  /// ImageFile is a virtual path. ThumbnailAttribute of the mapped file for the box.
  std::string ThumbNail(const Variant& ImageFile, const Variant& DesiredWidth,
                        const Variant& DesiredHeight) const;
  /// The height (a 16-bit integer), or False when the file is not a recognised image.
  Variant GetImageHeight(const Variant& ImageFile) const;
  /// The width (a 16-bit integer), or False when the file is not a recognised image.
  Variant GetImageWidth(const Variant& ImageFile) const;

 private:
  std::string MapPath(const Variant& virtual_path) const;
};

}  // namespace korvex
