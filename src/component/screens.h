// The one way from the component to the screens above it: one entry per screen or step the
// page controller can reach, and the select widget pages call directly. This base answers
// every entry with an error naming what is missing; the facade installs the build's screens.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/variant.h"

namespace korvex {

class AdminRecordset;
class Dispatch;
class HTMLEditor;
struct SelectOptions;
namespace ado {
class Recordset;
}

class Screens {
 public:
  virtual ~Screens() = default;

  /// The paged editing list of an SQL text.
  virtual void RenderEditingList(AdminRecordset& page, const std::string& sql);
  /// The add/edit/delete form; all flags False takes the record from a posted list row.
  virtual void RenderEditForm(AdminRecordset& page, bool is_new, bool load_record,
                              const std::string& where_criterion, bool is_delete);
  /// The write of a posted form (insert, update or delete), then its result page.
  virtual void SaveRecord(AdminRecordset& page);
  virtual void RenderSearchForm(AdminRecordset& page);
  /// The SELECT statement of a posted criteria search.
  virtual std::string BuildCriteriaSql(AdminRecordset& page);
  /// Sets the Filter of target (an editing list or a report settings object) from a posted
  /// fast search, and gives back the object the screen is to use.
  virtual std::shared_ptr<Dispatch> ApplyFastSearch(AdminRecordset& page,
                                                    std::shared_ptr<Dispatch> target);
  /// The template report of a table name or an SQL text.
  virtual void RenderTemplateReport(AdminRecordset& page, const std::string& source);
  /// AdminRecordset.DoBaseTemplate: the starting template of the current recordset, returned
  /// (file_path Missing) or written to file_path.
  virtual std::string DoBaseTemplate(AdminRecordset& page, const Variant& file_path,
                                     bool overwrite);

  // The file manager window (page codes 11 to 16) and the HTML editor page (20).
  virtual void RenderFileManFrameset(AdminRecordset& page);
  virtual void RenderFileManList(AdminRecordset& page);
  virtual void RenderFileManConsole(AdminRecordset& page, const std::string& message,
                                    const std::string& file_name);
  virtual void ReceiveUpload(AdminRecordset& page);
  virtual void RenderFileManDelete(AdminRecordset& page);
  virtual void RenderFileManRename(AdminRecordset& page);
  virtual void RenderHTMLEditorPage(AdminRecordset& page);
  /// HTMLEditor.Render: the editor page, or the notice that its support files are missing.
  virtual std::string RenderHTMLEditor(const HTMLEditor& editor);

  /// The select of AdminRecordset.DoSelectFromRecordset. connection: a Connection object or
  /// a connection string.
  virtual std::string SelectFromRecordset(const AdminRecordset& page, std::string_view name,
                                          const Variant& connection, std::string_view recordset,
                                          std::string_view value_field,
                                          const SelectOptions& options);

  // The diagnostic dumps AdminRecordset publishes.
  /// The HTML table of recordset from its current record on; leaves it at EOF.
  virtual std::string RStoTable(const AdminRecordset& page, ado::Recordset& recordset);
  virtual void DisplayConnProperties(AdminRecordset& page);
  /// Every schema kind the data access layer publishes, one after the other.
  virtual void DisplaySchemas(AdminRecordset& page);
  /// One schema kind, unrestricted, under its title.
  virtual void DisplaySchema(AdminRecordset& page, int32_t kind, std::string_view title);
  /// The schema rowsets of the stored recordset name.
  virtual void DisplayRecordsetSchemas(AdminRecordset& page);
};

/// The screens every new AdminRecordset uses: those installed, else the base, which has none.
Screens& InstalledScreens();
/// Called once by the facade before pages run; the object must outlive every page.
void InstallScreens(Screens& screens);

}  // namespace korvex
