// AdminRecordset, the object a page creates first: the configuration of one page request
// (data source, current table or query, identifier quoting, the parameter-name suffix, limits
// and messages), the host context, the one shared connection and the screens' companions.
// The generating methods (the page controller) are in page_controller.cpp, the field tests in
// field_model.cpp; the screens themselves are reached through Screens.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "component/settings/cal_calendar.h"
#include "component/settings/fil_file_man.h"
#include "component/settings/html_edit_form.h"
#include "component/settings/html_editing_list.h"
#include "component/settings/html_editor.h"
#include "component/settings/html_report.h"
#include "component/settings/html_result_page.h"
#include "component/settings/html_search_form.h"
#include "component/sql_quoting.h"
#include "core/collection.h"
#include "core/dispatch.h"
#include "core/on_first_read.h"

namespace korvex {

namespace host {
class Request;
class Response;
class Server;
class Session;
}  // namespace host
namespace ado {
class Connection;
class Field;
class Recordset;
}  // namespace ado
class Screens;

class AdminRecordset : public Dispatch, public PageObject {
 public:
  AdminRecordset();
  /// Closes the shared connection when it is open.
  ~AdminRecordset() override;
  const MemberTable& Members() const override;

  // ---- Companions and field lists: created on first read, replaced on assignment ----
  OnFirstRead<HTMLEditForm> EditForm;
  OnFirstRead<HTMLEditingList> EditingList;
  OnFirstRead<HTMLSearchForm> SearchForm;
  OnFirstRead<HTMLResultPage> ResultPage;
  OnFirstRead<HTMLReport> Report;
  bool DebugMode = false;
  /// Fields required besides the non-nullable ones.
  OnFirstRead<Collection> RequiredFields;
  OnFirstRead<filFileMan> FileMan;
  OnFirstRead<korvex::HTMLEditor> HTMLEditor;
  OnFirstRead<calCalendar> Calendar;
  /// Fields whose value names a file in FileMan.Path.
  OnFirstRead<Collection> FileFields;
  /// Fields edited with the HTML editor.
  OnFirstRead<Collection> HTMLFields;

  // ---- Plain settings ----
  /// The longest option text of a select generated from a foreign table.
  int16_t MaxSelectLenght = 50;
  std::string ErrNotASupportedField = "Field Type Not Supported";
  /// Appended to the name of every internal request parameter; read when a name is built.
  std::string CriptoPrefix = "KorVex";
  bool ShowNumbersInSelect = false;
  /// The last screen produced or write done (1 initial, 2 failure, 4 edit form, 8 inserted,
  /// 16 updated, 32 deleted, 64 editing list, 128 search form, 256 report). Read-only to pages.
  int16_t ActionPerformed = 1;
  /// The secret the SQL text of page links is signed and checked with. Empty (the default):
  /// the site's own, which the host keeps outside the site. A page that sets it sets the
  /// same on every page of the screen family. Reads give only what the page set.
  std::string LinkSecret;

  // ---- Properties with rules ----
  std::string Version() const;
  const std::string& IdentifierLSeparator() const { return left_separator_; }
  /// Stores the separator; from then on DatabasePath and ConnectionString choose none.
  void IdentifierLSeparator(std::string separator);
  const std::string& IdentifierRSeparator() const { return right_separator_; }
  void IdentifierRSeparator(std::string separator);
  const std::string& DatabasePath() const { return database_path_; }
  /// Builds the Jet connection string for the file; separators "[" and "]".
  void DatabasePath(std::string path);
  const std::string& ConnectionString() const { return connection_string_; }
  /// Stores the string; unless the page fixed the separators, opens a temporary connection
  /// to ask its provider: "[" "]" for Jet, double quotes otherwise. An open failure is raised
  /// and the string stays stored.
  void ConnectionString(std::string connection_string);
  /// The current table or query; when none is stored, the request value "Recordset" + suffix
  /// is taken and stored (an absent one leaves it empty, and the next read looks again).
  std::string recordset();
  void recordset(std::string name) { recordset_ = std::move(name); }
  /// The stored name, without looking at the request.
  const std::string& StoredRecordset() const { return recordset_; }

  // ---- Host context ----
  /// Keeps the context and its Request, Response, Server and Session, the page's
  /// SCRIPT_NAME, and hands Server to the HTML editor companion.
  void OnStartPage(const std::shared_ptr<Dispatch>& context) override;
  host::Request& Request() const;
  host::Response& Response() const;
  host::Server& Server() const;
  host::Session& Session() const;
  const std::string& ScriptName() const { return script_name_; }

  // ---- Declarations spread over the companions ----
  /// A name already hidden on any of the companions raises 457 and nothing is added.
  void HideField(const std::string& FieldName);
  void AliasField(const std::string& sAlias, const std::string& sFieldName);
  void AddRelation(const std::string& sFieldName, const std::string& sRelatedField,
                   const std::string& sRelatedTable);
  void AddManyToMany(const std::string& Caption, const std::string& LocalField,
                     const std::string& LinkRecordset, const std::string& LinkToLocalField,
                     const std::string& LinkToRemoteField, const std::string& RemoteField,
                     const std::string& RemoteRecordset, const std::optional<std::string>& sFilter);

  // ---- Output ----
  /// Same as Response.Write.
  void RW(const std::string& sT);
  /// Server.HTMLEncode; with AlsoReplaceVbCrLf every CR LF of the result becomes "<br>".
  std::string HE(const std::string& sT, std::optional<bool> AlsoReplaceVbCrLf = {}) const;
  /// Server.URLEncode.
  std::string UE(const std::string& sT) const;
  /// Writes the data source and the stored recordset name; returns "".
  std::string Info();
  /// n tabs / n CR LF pairs in debug mode, "" otherwise.
  std::string DebugTabs(int n) const;
  std::string DebugNewLines(int n) const;

  // ---- Generating methods (page_controller.cpp) ----
  void DoEditingList(const std::optional<std::string>& sWhereCriterion);
  void DoSearchForm();
  void EditItem(const std::string& sWhereCriterion);
  void DeleteItem(const std::string& sWhereCriterion);
  void AddNew();
  void DoReport();

  // ---- Helpers a page may call (admin_recordset.cpp; drawn by the screens) ----
  /// The starting report template of the current recordset: returned when FilePath is
  /// Missing; otherwise written to FilePath (an existing file only with Overwrite), a help
  /// page is written to the response and "" returned. Failures are written, never raised.
  std::string DoBaseTemplate(const Variant& FilePath, std::optional<bool> Overwrite);
  /// A select filled from a table or query (see SelectFromRecordset); the optional arguments
  /// may be omitted. ActiveConnection: a Connection object or a connection string.
  std::string DoSelectFromRecordset(
      const std::string& strSelectName, const Variant& ActiveConnection,
      const std::string& strRecordset, const std::string& strValueField, const Variant& selectedID,
      std::optional<bool> WithSelect, std::optional<std::string> SelectText,
      const Variant& FieldsToHide, const Variant& varFilter, std::optional<std::string> Size,
      std::optional<std::string> sql, std::optional<bool> bDisabled);

  // ---- Diagnostics: the dumps (diagnostics/) write through RW ----
  /// The HTML table of objRS from its current record to EOF; returned, not written.
  std::string RStoTable(const std::shared_ptr<ado::Recordset>& objRS);
  /// The properties of a connection of its own, opened with ConnectionString; a failing
  /// open is raised. A password is never shown.
  void DisplayConnProperties();
  /// Every schema kind; the script time-out is raised while it runs.
  void DisplaySchemas();
  void DisplayTablesProperties();
  void DisplayQueriesProperties();
  void DisplayRelationsProperties();
  /// The schema rowsets of the stored recordset name (the request is not looked at).
  void DisplayRecordsetSchemas();
  /// Only says which method replaced it.
  void DisplayDatabaseProperties();

  // ---- Utility a page may call (item_exists.cpp) ----
  /// Whether RecordsetName has a row where FieldToCheck equals ValueToCheck, by the filter
  /// FieldToCheck + "=" + ValueToCheck (a text value brings its own apostrophes). A closed
  /// connection is opened with ConnectionString for the question and closed again; an open
  /// one stays open.
  bool CheckItemExistInRecordset(const std::shared_ptr<ado::Connection>& ActiveConnection,
                                 const std::string& RecordsetName, const Variant& FieldToCheck,
                                 const Variant& ValueToCheck);

  // ---- For the screens ----
  /// base + CriptoPrefix: the name of an internal request parameter.
  std::string ParamName(std::string_view base) const;
  /// Left separator + name + right separator, the right one doubled inside the name.
  std::string QuotedIdentifier(std::string_view name) const;
  /// The quoting of every name and text the screens write into SQL.
  SqlQuoting Quoting() const { return SqlQuoting(left_separator_, right_separator_); }
  /// Whether name is a table or view of the database (letter case aside), asked of the
  /// shared connection's catalogue; opens the connection when it is closed.
  bool IsTableOrView(std::string_view name);
  /// The request value of name over all request collections, as text; "" when absent.
  std::string RequestItem(std::string_view name) const;
  /// The page code "Page" + suffix of the query string as a 16-bit integer; absent is 0, a
  /// value that is not a number raises 13, one out of range 6.
  int16_t PageCode() const;
  /// A new, closed connection that takes a relative data source from the page's site.
  std::shared_ptr<ado::Connection> NewConnection() const;
  /// The shared connection, opened with ConnectionString when it is closed.
  const std::shared_ptr<ado::Connection>& Connection();
  /// For a host that holds an open connection to the database ConnectionString names: the
  /// component uses it as its shared connection instead of opening one. Ignored once the
  /// component has a connection. Not a member pages can reach.
  void UseConnection(std::shared_ptr<ado::Connection> connection);
  /// Whether the shared connection exists and is open, without opening it.
  bool ConnectionIsOpen() const;
  /// The signature an SQL text carries in a page link: HMAC-SHA-256 under the link secret,
  /// in hexadecimal.
  std::string SqlSignature(std::string_view sql) const;
  /// Whether signature is the one SqlSignature gives for sql (compared in constant time).
  bool SqlSignatureMatches(std::string_view sql, std::string_view signature) const;
  /// What a search result shows, as DoSearchForm's codes -1 (to_list) and -2 take it: the
  /// criteria's statement, built from the posted form or carried by a link whose signature
  /// holds; for the keyword search the table's name, the keywords' filter then set on
  /// EditingList (to_list) or Report. Every refusal is raised; nothing is written.
  std::string SearchResultSource(bool to_list);
  /// The screens the controller calls; the product's by default.
  void UseScreens(Screens& screens) { screens_ = &screens; }

  // ---- Errors and messages (errors.cpp) ----
  /// Writes a caught error as the notice "<BR><b>SOURCE  ERROR:  n</B><BR>text<BR>".
  void WriteError(const AutomationError& error);
  /// The editing list's notice for a failure before its title row; sets ActionPerformed 2.
  void WriteEditingListNotice(const AutomationError& error);

  // ---- Field model (field_model.cpp) ----
  /// Required unless the column is nullable, may be null, and is not in RequiredFields.
  bool IsRequiredField(ado::Field& field);
  /// Adds every non-nullable column of table to RequiredFields (item and key the column
  /// name); a name already there is skipped.
  void CollectRequiredColumns(const std::string& table);

 private:
  /// Answers the codes several generating methods share: 1 (the edit form of a posted list
  /// row, when answers_row_form), 2 (the write path), 11 to 16 and 20. False for any other.
  bool AnswerSharedCode(int16_t code, bool answers_row_form);
  void TakeRecordsetFromRequest();
  /// DoSearchForm's codes -1 (to_list) and -2: the statement or filter of the search, then
  /// the list or the report. A refusal is the list's notice, or raised for the report.
  void ShowSearchResult(bool to_list);

  std::string left_separator_;
  std::string right_separator_;
  bool separators_fixed_ = false;
  std::string recordset_;
  std::string database_path_;
  std::string connection_string_;
  std::string script_name_;
  std::shared_ptr<Dispatch> context_;
  std::shared_ptr<host::Request> request_;
  std::shared_ptr<host::Response> response_;
  std::shared_ptr<host::Server> server_;
  std::shared_ptr<host::Session> session_;
  std::shared_ptr<ado::Connection> connection_;
  Screens* screens_;
};

}  // namespace korvex
