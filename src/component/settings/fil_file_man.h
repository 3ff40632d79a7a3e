// Settings of the file manager: what a visitor may do, the texts and captions of its pages,
// upload limits, the extension lists and thumbnail sizes, and the folder it shows.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/collection.h"
#include "core/dispatch.h"
#include "core/on_first_read.h"

namespace korvex {

class filFileMan : public Dispatch {
 public:
  const MemberTable& Members() const override;

  bool AllowDelete = true;
  bool AllowSendFile = true;
  bool AllowRename = true;
  bool AllowView = true;
  bool AllowSelect = true;
  std::string ListHead =
      "<html><head></head><body><font face=verdana size=1><h4>Files on Server:</h4><ul>";
  std::string ListFoot = DefaultListFoot();
  std::string ConsoleHead = "<html><head></head><body><font face=verdana size=2>";
  std::string ConsoleFoot = "</font></body></html>";
  std::string ItemHead = "<li><font size=1>";
  std::string ItemFoot;
  std::string NoFileSentError =
      "<font color=red><b>No File Sent.</b> Select a file before to click 'Send File'.</font>";
  int32_t MaxFileBytes = 0;  // 0: no limit
  std::string MaxFileBytesError = "<font color=red><b>File too big</b></font>";
  std::string SuccessUpload = "File successfully uploaded: ";
  Variant ConfirmDelete = Variant("Delete");
  Variant BackCaption = Variant("Back");
  Variant CloseCaption = Variant("Close");
  Variant DeleteCaption = Variant("Delete");
  Variant ViewCaption = Variant("View");
  Variant RenameCaption = Variant("Rename");
  Variant SelectCaption = Variant("Select");
  Variant DeleteSuccess = Variant("File Successfully Deleted: ");
  Variant ConfirmRename = Variant("Rename");
  Variant NewNameCaption = Variant("New name: ");
  Variant RenameSuccess = Variant("File Successfully Renamed: ");
  bool OverWriteFiles = false;
  Variant FileExistError =
      Variant("<font color=red><b>Upload failed, file alredy exist: </b></font>");
  Variant ConfirmSendFile = Variant("Send File");
  Variant FileCaption = Variant("<b>File:</b> ");
  bool AllowEditingOfFilesInUse = true;
  std::string FileInUseError =
      "<br><font color=red>The file is in use. You can not edit (Delete or Rename) files in "
      "use.</font><br>";
  std::string FileInUseWarning =
      "<br><font color=red><b>Warning!</b> The file you are about to edit (Delete or Rename) "
      "is in use.</font><br>";
  std::string DoAlphabeticalIndex = "True";  // converted to Boolean where used
  std::string AlphabeticalIndexSeparator = "|";
  std::string AlphabeticalIndexHead = "<font size=1>";
  std::string AlphabeticalIndexFoot = "</font><hr>";
  /// Extensions are held in upper case without the dot.
  OnFirstRead<Collection> ImagesExtensions{&DefaultImagesExtensions};
  OnFirstRead<Collection> ValidExtensions;  // when not empty, the only ones accepted
  OnFirstRead<Collection> InvalidExtensions{&DefaultInvalidExtensions};
  std::string InvalidExtensionError =
      "<font color=red><b>The file extention you are tryng to use is invalid.</b></font>";
  /// A name from the request that is not a plain name of the folder (a path, "..").
  std::string InvalidFileNameError =
      "<font color=red><b>The file name you are trying to use is invalid.</b></font>";
  bool ShowThumbnails = true;
  /// 0: no check; 1: the current table only; any other value: every table.
  Variant CheckForFilesInUse = Variant(int32_t{1});
  Variant ThumbnailsWidth = Variant(int16_t{60});
  Variant ThumbnailsHeight = Variant(int16_t{60});
  Variant ThumbnailsMargin = Variant(int16_t{15});

  const std::string& Path() const { return path_; }
  /// Stores the site folder, appending "/" when the value does not end with one.
  void Path(std::string path);

 private:
  static std::string DefaultListFoot();
  static std::shared_ptr<Collection> DefaultImagesExtensions();
  static std::shared_ptr<Collection> DefaultInvalidExtensions();

  std::string path_;
};

}  // namespace korvex
