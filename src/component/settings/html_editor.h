// Settings of the HTML editor page: its title, support-file folder, fonts, captions, and the
// server object it maps paths with (handed over by the page or by AdminRecordset).
#pragma once

#include <memory>
#include <string>

#include "core/collection.h"
#include "core/dispatch.h"
#include "core/on_first_read.h"

namespace korvex {

class HTMLEditor : public Dispatch, public PageObject {
 public:
  const MemberTable& Members() const override;

  std::string Title = "KorVex HTML Editor";
  std::string WorkingPath = "/KorVex/HTML_Editor/";
  bool EnableFormatFont = true;
  OnFirstRead<Collection> Fonts;
  Variant CallerButtonCaption = Variant("...");
  Variant SavePrompt = Variant("Save Changes?");
  /// The page's Server object; Nothing until the host or the page provides it.
  std::shared_ptr<Dispatch> ASPServer;

  /// Keeps only the context's Server.
  void OnStartPage(const std::shared_ptr<Dispatch>& context) override;

  /// The button of a form that opens the editor page at URL on the field FieldName of form
  /// FormName. The three names are written as script strings inside the onClick attribute;
  /// the caption and the prompt are the page's own texts, written as they stand.
  std::string GenerateCallerCode(const std::string& FieldName, const std::string& FormName,
                                 const std::string& URL) const;
  /// The editor page for Internet Explorer, or the missing-files message when WorkingPath +
  /// "instable.htm" maps to no file. Built by the installed screens.
  std::string Render() const;
};

}  // namespace korvex
