// Tools' members: each maps its virtual path through the kept Server, then reads the file's
// header with GetImageSize.
#include "component/tools.h"

#include "component/image_size.h"
#include "core/member_table.h"

namespace korvex {

void Tools::OnStartPage(const std::shared_ptr<Dispatch>& context) {
  ASPServer = RequireObject(context->Get("Server"));
}

std::string Tools::MapPath(const Variant& virtual_path) const {
  Variant args[] = {Variant(ToText(virtual_path))};
  return ToText(RequireObject(Variant(ASPServer))->Call("MapPath", args));
}

std::string Tools::ThumbNail(const Variant& ImageFile, const Variant& DesiredWidth,
                             const Variant& DesiredHeight) const {
  return ThumbnailAttribute(std::filesystem::path(MapPath(ImageFile)), DesiredWidth, DesiredHeight);
}

Variant Tools::GetImageHeight(const Variant& ImageFile) const {
  ImageSize size = GetImageSize(MapPath(ImageFile));
  return size.recognised ? Variant(size.height) : Variant(false);
}

Variant Tools::GetImageWidth(const Variant& ImageFile) const {
  ImageSize size = GetImageSize(MapPath(ImageFile));
  return size.recognised ? Variant(size.width) : Variant(false);
}

const MemberTable& Tools::Members() const {
  using C = Tools;
  static const MemberTable table("Tools", {
                                              Prop<&C::ASPServer>("ASPServer"),
                                              Method("OnStartPage", &C::OnStartPage),
                                              Method("ThumbNail", &C::ThumbNail),
                                              Method("GetImageHeight", &C::GetImageHeight),
                                              Method("GetImageWidth", &C::GetImageWidth),
                                          });
  return table;
}

}  // namespace korvex
