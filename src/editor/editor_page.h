// The HTML editor's entry points: HTMLEditor.Render, and page code 20, which answers the
// editor window of an edit form with the page that suits the visitor's browser.
#pragma once

#include <string>
#include <string_view>

namespace korvex {

class AdminRecordset;
class HTMLEditor;

/// HTMLEditor.Render: the Internet Explorer page, or the missing-files message when
/// WorkingPath + "instable.htm" does not map to a file. 424 without an ASPServer.
std::string RenderHTMLEditor(const HTMLEditor& editor);

/// Page code 20: clears the response, writes the page of page.HTMLEditor for the request's
/// browser (the Internet Explorer page when the user agent holds "MSIE", else the page built on
/// the browser's own editing) or the missing-files message, and ends the response.
void RenderHTMLEditorPage(AdminRecordset& page);

/// Whether a user agent gets the Internet Explorer page; the caller's launcher makes the same
/// choice between a modal dialog and a window.
bool IsMSIEUserAgent(std::string_view user_agent);

/// The one-line notice shown instead of the editor when its support files are not found.
std::string MissingFilesMessage(const std::string& working_path);

}  // namespace korvex
