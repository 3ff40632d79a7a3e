// filFileMan's members and defaults: the file manager's permissions, texts, upload limits,
// extension lists, thumbnail sizes, and the folder it shows (always ending in "/").
#include "component/settings/fil_file_man.h"

#include <initializer_list>

#include "core/member_table.h"

namespace korvex {

namespace {
std::shared_ptr<Collection> CollectionOf(std::initializer_list<const char*> items) {
  auto collection = std::make_shared<Collection>();
  for (const char* item : items) collection->Add(Variant(item));
  return collection;
}
}  // namespace

std::string filFileMan::DefaultListFoot() {
  std::string foot = "</ul>";
  for (int i = 0; i < 11; ++i) foot += "<p>&nbsp;</p>";
  return foot + "</font></body></html>";
}

std::shared_ptr<Collection> filFileMan::DefaultImagesExtensions() {
  return CollectionOf({"GIF", "JPG", "JPEG", "BMP", "PNG"});
}

std::shared_ptr<Collection> filFileMan::DefaultInvalidExtensions() {
  return CollectionOf({"EXE", "CGI", "BAT", "PIF"});
}

void filFileMan::Path(std::string path) {
  if (path.empty() || path.back() != '/') path += '/';
  path_ = std::move(path);
}

const MemberTable& filFileMan::Members() const {
  using C = filFileMan;
  static const MemberTable table(
      "filFileMan", {
                        Prop<&C::AllowDelete>("AllowDelete"),
                        Prop<&C::AllowSendFile>("AllowSendFile"),
                        Prop<&C::AllowRename>("AllowRename"),
                        Prop<&C::AllowView>("AllowView"),
                        Prop<&C::AllowSelect>("AllowSelect"),
                        Prop<&C::ListHead>("ListHead"),
                        Prop<&C::ListFoot>("ListFoot"),
                        Prop<&C::ConsoleHead>("ConsoleHead"),
                        Prop<&C::ConsoleFoot>("ConsoleFoot"),
                        Prop<&C::ItemHead>("ItemHead"),
                        Prop<&C::ItemFoot>("ItemFoot"),
                        Prop<&C::NoFileSentError>("NoFileSentError"),
                        Prop<&C::MaxFileBytes>("MaxFileBytes"),
                        Prop<&C::MaxFileBytesError>("MaxFileBytesError"),
                        Prop<&C::SuccessUpload>("SuccessUpload"),
                        Prop<&C::ConfirmDelete>("ConfirmDelete"),
                        Prop<&C::BackCaption>("BackCaption"),
                        Prop<&C::CloseCaption>("CloseCaption"),
                        Prop<&C::DeleteCaption>("DeleteCaption"),
                        Prop<&C::ViewCaption>("ViewCaption"),
                        Prop<&C::RenameCaption>("RenameCaption"),
                        Prop<&C::SelectCaption>("SelectCaption"),
                        Prop<&C::DeleteSuccess>("DeleteSuccess"),
                        Prop<&C::ConfirmRename>("ConfirmRename"),
                        Prop<&C::NewNameCaption>("NewNameCaption"),
                        Prop<&C::RenameSuccess>("RenameSuccess"),
                        Prop<&C::OverWriteFiles>("OverWriteFiles"),
                        Prop<&C::FileExistError>("FileExistError"),
                        Prop<&C::ConfirmSendFile>("ConfirmSendFile"),
                        Prop<&C::FileCaption>("FileCaption"),
                        Prop<&C::AllowEditingOfFilesInUse>("AllowEditingOfFilesInUse"),
                        Prop<&C::FileInUseError>("FileInUseError"),
                        Prop<&C::FileInUseWarning>("FileInUseWarning"),
                        Prop<&C::DoAlphabeticalIndex>("DoAlphabeticalIndex"),
                        Prop<&C::AlphabeticalIndexSeparator>("AlphabeticalIndexSeparator"),
                        Prop<&C::AlphabeticalIndexHead>("AlphabeticalIndexHead"),
                        Prop<&C::AlphabeticalIndexFoot>("AlphabeticalIndexFoot"),
                        ObjectProp<&C::ImagesExtensions>("ImagesExtensions"),
                        ObjectProp<&C::ValidExtensions>("ValidExtensions"),
                        ObjectProp<&C::InvalidExtensions>("InvalidExtensions"),
                        Prop<&C::InvalidExtensionError>("InvalidExtensionError"),
                        Prop<&C::InvalidFileNameError>("InvalidFileNameError"),
                        Prop<&C::ShowThumbnails>("ShowThumbnails"),
                        Prop<&C::CheckForFilesInUse>("CheckForFilesInUse"),
                        Prop<&C::ThumbnailsWidth>("ThumbnailsWidth"),
                        Prop<&C::ThumbnailsHeight>("ThumbnailsHeight"),
                        Prop<&C::ThumbnailsMargin>("ThumbnailsMargin"),
                        Accessor("Path", &C::Path, &C::Path),
                    });
  return table;
}

}  // namespace korvex
