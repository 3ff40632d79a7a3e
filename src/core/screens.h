// The one way from the page controller to the administration screens: one entry per screen
// or step the controller can reach. The product's implementation (ProductScreens) calls each
// screen that this build provides; a page object can be given another one (tests record the
// calls through it).
#pragma once

#include <memory>
#include <string>

namespace korvex {

class AdminRecordset;
class Dispatch;

class Screens {
 public:
  virtual ~Screens() = default;

  /// The paged editing list of an SQL text.
  virtual void RenderEditingList(AdminRecordset& page, const std::string& sql) = 0;
  /// The add/edit/delete form; all flags False takes the record from a posted list row.
  virtual void RenderEditForm(AdminRecordset& page, bool is_new, bool load_record,
                              const std::string& where_criterion, bool is_delete) = 0;
  /// The write of a posted form (insert, update or delete), then its result page.
  virtual void SaveRecord(AdminRecordset& page) = 0;
  virtual void RenderSearchForm(AdminRecordset& page) = 0;
  /// The SELECT statement of a posted criteria search.
  virtual std::string BuildCriteriaSql(AdminRecordset& page) = 0;
  /// Sets the Filter of target (an editing list or a report settings object) from a posted
  /// fast search, and gives back the object the screen is to use.
  virtual std::shared_ptr<Dispatch> ApplyFastSearch(AdminRecordset& page,
                                                    std::shared_ptr<Dispatch> target) = 0;
  /// The template report of a table name or an SQL text.
  virtual void RenderTemplateReport(AdminRecordset& page, const std::string& source) = 0;

  // The file manager window (page codes 11 to 16) and the HTML editor page (20).
  virtual void RenderFileManFrameset(AdminRecordset& page) = 0;
  virtual void RenderFileManList(AdminRecordset& page) = 0;
  virtual void RenderFileManConsole(AdminRecordset& page, const std::string& message,
                                    const std::string& file_name) = 0;
  virtual void ReceiveUpload(AdminRecordset& page) = 0;
  virtual void RenderFileManDelete(AdminRecordset& page) = 0;
  virtual void RenderFileManRename(AdminRecordset& page) = 0;
  virtual void RenderHTMLEditorPage(AdminRecordset& page) = 0;
};

/// The screens of this build; one not built yet raises err::kScreenNotAvailable with a
/// description naming it.
Screens& ProductScreens();

}  // namespace korvex
