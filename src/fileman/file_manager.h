// The file manager window: the frameset, the file list, the console with the upload form,
// the upload receiver, and the delete and rename pages. Each page is the whole response: it
// clears what the host page wrote before it and ends the response after it.
#pragma once

#include <string>

namespace korvex {

class AdminRecordset;

/// The two-frame window: the file list over the console.
void RenderFileManFrameset(AdminRecordset& page);
/// The files of FileMan.Path sorted by name, with thumbnails and the View, Delete, Rename and
/// Select links; keeps "returnfield" and "returnform" in the session for the other pages.
void RenderFileManList(AdminRecordset& page);
/// The console: the upload form, the letter index and message (verbatim HTML). A non-blank
/// message also reloads the list scrolled to file_name.
void RenderFileManConsole(AdminRecordset& page, const std::string& message,
                          const std::string& file_name);
/// Stores the one file of a posted upload form in the folder and reports in the console.
void ReceiveUpload(AdminRecordset& page);
/// The delete confirmation, and with "subpage" 2 the deletion.
void RenderFileManDelete(AdminRecordset& page);
/// The rename form, and with "subpage" 2 the renaming.
void RenderFileManRename(AdminRecordset& page);

}  // namespace korvex
