// AdminRecordset's state and properties: identifier quoting, the data source rules, the host
// context, the declarations spread over the companions, the output operations, and the end of
// the page (the shared connection is closed).
#include "component/admin_recordset.h"

#include <initializer_list>

#include "ado/ado_constants.h"
#include "ado/connection.h"
#include "ado/provider.h"
#include "ado/recordset.h"
#include "component/errors.h"
#include "component/screens.h"
#include "component/select_options.h"
#include "core/member_table.h"
#include "host/intrinsics.h"

namespace korvex {

namespace {

constexpr int kVersionMajor = 8;
constexpr int kVersionMinor = 1;
constexpr int kVersionRevision = 5;

template <class T>
std::shared_ptr<T> ContextMember(Dispatch& context, std::string_view name) {
  return RequireObjectOf<T>(context.Get(name));
}

template <class T>
T& Required(const std::shared_ptr<T>& object) {
  // Before OnStartPage there is no page to talk to.
  if (!object) RaiseRuntimeError(err::kObjectRequired);
  return *object;
}

// Adds item under key to every collection, or raises 457 and adds nothing when any of them
// has the key already.
void AddToEach(std::initializer_list<Collection*> collections, const Variant& item,
               const std::string& key) {
  for (Collection* c : collections)
    if (c->HasKey(key)) RaiseRuntimeError(err::kDuplicateKey);
  for (Collection* c : collections) c->Add(item, key);
}

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

}  // namespace

AdminRecordset::AdminRecordset() : screens_(&InstalledScreens()) {}

AdminRecordset::~AdminRecordset() {
  if (!connection_) return;
  try {
    if (connection_->State() == 1) connection_->Close();
  } catch (...) {
    // The page is over; nobody is left to hear about a failing close.
  }
}

const MemberTable& AdminRecordset::Members() const {
  using C = AdminRecordset;
  static const MemberTable table(
      "AdminRecordset",
      {
          ObjectProp<&C::EditForm>("EditForm"),
          ObjectProp<&C::EditingList>("EditingList"),
          ObjectProp<&C::SearchForm>("SearchForm"),
          ObjectProp<&C::ResultPage>("ResultPage"),
          ObjectProp<&C::Report>("Report"),
          Prop<&C::DebugMode>("DebugMode"),
          ObjectProp<&C::RequiredFields>("RequiredFields"),
          ObjectProp<&C::FileMan>("FileMan"),
          ObjectProp<&C::HTMLEditor>("HTMLEditor"),
          ObjectProp<&C::Calendar>("Calendar"),
          ObjectProp<&C::FileFields>("FileFields"),
          ObjectProp<&C::HTMLFields>("HTMLFields"),
          Getter("Version", &C::Version),
          Accessor("IdentifierLSeparator", &C::IdentifierLSeparator, &C::IdentifierLSeparator),
          Accessor("IdentifierRSeparator", &C::IdentifierRSeparator, &C::IdentifierRSeparator),
          Accessor("DatabasePath", &C::DatabasePath, &C::DatabasePath),
          Accessor("ConnectionString", &C::ConnectionString, &C::ConnectionString),
          Accessor("recordset", &C::recordset, &C::recordset),
          Prop<&C::MaxSelectLenght>("MaxSelectLenght"),
          Prop<&C::ErrNotASupportedField>("ErrNotASupportedField"),
          Prop<&C::CriptoPrefix>("CriptoPrefix"),
          Prop<&C::ShowNumbersInSelect>("ShowNumbersInSelect"),
          ReadOnlyProp<&C::ActionPerformed>("ActionPerformed"),
          Prop<&C::LinkSecret>("LinkSecret"),
          Method("OnStartPage", &C::OnStartPage),
          Method("HideField", &C::HideField),
          Method("AliasField", &C::AliasField),
          Method("AddRelation", &C::AddRelation),
          Method("AddManyToMany", &C::AddManyToMany),
          Method("RW", &C::RW),
          Method("HE", &C::HE),
          Method("UE", &C::UE),
          Method("Info", &C::Info),
          Method("DoEditingList", &C::DoEditingList),
          Method("DoSearchForm", &C::DoSearchForm),
          Method("EditItem", &C::EditItem),
          Method("DeleteItem", &C::DeleteItem),
          Method("AddNew", &C::AddNew),
          Method("DoReport", &C::DoReport),
          Method("DoBaseTemplate", &C::DoBaseTemplate),
          Method("DoSelectFromRecordset", &C::DoSelectFromRecordset),
          Method("RStoTable", &C::RStoTable),
          Method("DisplayConnProperties", &C::DisplayConnProperties),
          Method("DisplaySchemas", &C::DisplaySchemas),
          Method("DisplayTablesProperties", &C::DisplayTablesProperties),
          Method("DisplayQueriesProperties", &C::DisplayQueriesProperties),
          Method("DisplayRelationsProperties", &C::DisplayRelationsProperties),
          Method("DisplayRecordsetSchemas", &C::DisplayRecordsetSchemas),
          Method("DisplayDatabaseProperties", &C::DisplayDatabaseProperties),
          Method("CheckItemExistInRecordset", &C::CheckItemExistInRecordset),
      });
  return table;
}

// ---- Properties ----------------------------------------------------------------------------

std::string AdminRecordset::Version() const {
  return std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) + "." +
         std::to_string(kVersionRevision);
}

void AdminRecordset::IdentifierLSeparator(std::string separator) {
  left_separator_ = std::move(separator);
  separators_fixed_ = true;
}

void AdminRecordset::IdentifierRSeparator(std::string separator) {
  right_separator_ = std::move(separator);
  separators_fixed_ = true;
}

void AdminRecordset::DatabasePath(std::string path) {
  database_path_ = std::move(path);
  connection_string_ = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + database_path_ + ";";
  if (!separators_fixed_) {
    left_separator_ = "[";
    right_separator_ = "]";
  }
}

void AdminRecordset::ConnectionString(std::string connection_string) {
  connection_string_ = std::move(connection_string);
  if (separators_fixed_) return;
  // A connection of its own: the shared one keeps whatever state it has.
  auto probe = NewConnection();
  probe->Open(connection_string_, "", "", -1);
  left_separator_ = right_separator_ = "\"";
  if (probe->Provider().find("Microsoft.Jet") != std::string::npos) {
    left_separator_ = "[";
    right_separator_ = "]";
  }
  probe->Close();
}

std::string AdminRecordset::recordset() {
  if (recordset_.empty()) recordset_ = RequestItem(ParamName("Recordset"));
  return recordset_;
}

// ---- Host context --------------------------------------------------------------------------

void AdminRecordset::OnStartPage(const std::shared_ptr<Dispatch>& context) {
  context_ = context;
  request_ = ContextMember<host::Request>(*context, "Request");
  response_ = ContextMember<host::Response>(*context, "Response");
  server_ = ContextMember<host::Server>(*context, "Server");
  session_ = ContextMember<host::Session>(*context, "Session");
  script_name_ = request_->ServerVariables().Get("SCRIPT_NAME").value_or("");
  HTMLEditor->ASPServer = server_;
}

host::Request& AdminRecordset::Request() const {
  return Required(request_);
}
host::Response& AdminRecordset::Response() const {
  return Required(response_);
}
host::Server& AdminRecordset::Server() const {
  return Required(server_);
}
host::Session& AdminRecordset::Session() const {
  return Required(session_);
}

// ---- Declarations --------------------------------------------------------------------------
// Each declaration is checked against every companion before any is changed, so a duplicate
// leaves all of them as they were.

void AdminRecordset::HideField(const std::string& FieldName) {
  AddToEach(
      {EditingList->RelatedRecords->HiddenFields.get().get(),
       ResultPage->RelatedRecords->HiddenFields.get().get(), EditForm->HiddenFields.get().get(),
       EditingList->HiddenFields.get().get(), SearchForm->HiddenFields.get().get()},
      Variant(FieldName), FieldName);
}

void AdminRecordset::AliasField(const std::string& sAlias, const std::string& sFieldName) {
  AddToEach(
      {EditingList->RelatedRecords->FieldAliases.get().get(),
       ResultPage->RelatedRecords->FieldAliases.get().get(), EditForm->FieldAliases.get().get(),
       EditingList->FieldAliases.get().get(), SearchForm->FieldAliases.get().get()},
      Variant(sAlias), sFieldName);
}

void AdminRecordset::AddRelation(const std::string& sFieldName, const std::string& sRelatedField,
                                 const std::string& sRelatedTable) {
  std::initializer_list<HTMLRelatedRecords*> targets = {
      SearchForm->RelatedRecords.get().get(),
      EditingList->RelatedRecords.get().get(),
      EditForm->RelatedRecords.get().get(),
      ResultPage->RelatedRecords.get().get(),
  };
  // A companion that refuses the name (removed) is skipped quietly, as its Add does.
  for (HTMLRelatedRecords* related : targets)
    if (!related->IsRemoved(sFieldName) && related->HasRelation(sFieldName))
      RaiseRuntimeError(err::kDuplicateKey);
  for (HTMLRelatedRecords* related : targets)
    related->Add(sFieldName, sRelatedField, sRelatedTable);
}

void AdminRecordset::AddManyToMany(const std::string& Caption, const std::string& LocalField,
                                   const std::string& LinkRecordset,
                                   const std::string& LinkToLocalField,
                                   const std::string& LinkToRemoteField,
                                   const std::string& RemoteField,
                                   const std::string& RemoteRecordset,
                                   const std::optional<std::string>& sFilter) {
  std::initializer_list<HTMLManyToMany*> targets = {EditForm->ManyToMany.get().get(),
                                                    EditingList->ManyToMany.get().get()};
  for (HTMLManyToMany* links : targets)
    if (links->HasLink(LinkRecordset)) RaiseRuntimeError(err::kDuplicateKey);
  for (HTMLManyToMany* links : targets)
    links->Add(Caption, LocalField, LinkRecordset, LinkToLocalField, LinkToRemoteField, RemoteField,
               RemoteRecordset, sFilter.value_or(""));
}

// ---- Output --------------------------------------------------------------------------------

void AdminRecordset::RW(const std::string& sT) {
  Response().WriteText(sT);
}

std::string AdminRecordset::HE(const std::string& sT, std::optional<bool> AlsoReplaceVbCrLf) const {
  std::string encoded = Server().HTMLEncode(Variant(sT));
  if (AlsoReplaceVbCrLf.value_or(false)) encoded = ReplaceAll(std::move(encoded), "\r\n", "<br>");
  return encoded;
}

std::string AdminRecordset::UE(const std::string& sT) const {
  return Server().URLEncode(Variant(sT));
}

std::string AdminRecordset::Info() {
  RW("<pre><br>");
  RW("DatabasePath = " + database_path_);
  RW("<br>");
  RW("Recordset    = " + recordset_);
  RW("<br></pre>");
  return "";
}

std::string AdminRecordset::DebugTabs(int n) const {
  return DebugMode ? std::string(static_cast<size_t>(n), '\t') : std::string();
}

std::string AdminRecordset::DebugNewLines(int n) const {
  std::string lines;
  if (DebugMode)
    for (int i = 0; i < n; ++i) lines += "\r\n";
  return lines;
}

// ---- For the screens -----------------------------------------------------------------------

std::string AdminRecordset::ParamName(std::string_view base) const {
  return std::string(base) + CriptoPrefix;
}

std::string AdminRecordset::QuotedIdentifier(std::string_view name) const {
  return Quoting().QuoteIdentifier(name);
}

bool AdminRecordset::IsTableOrView(std::string_view name) {
  // The names alone: describing the table's columns as well costs as much as the list page.
  for (const ado::TableInfo& table : Connection()->Session().Tables())
    if (table.kind != ado::TableKind::SystemTable && EqualsNoCase(table.name, name)) return true;
  return false;
}

std::string AdminRecordset::RequestItem(std::string_view name) const {
  return TextOrEmpty(Request().Item(Variant(name)));
}

std::shared_ptr<ado::Connection> AdminRecordset::NewConnection() const {
  auto connection = std::make_shared<ado::Connection>();
  // A relative data source is taken from the site, as for a connection the page creates.
  if (context_) connection->OnStartPage(context_);
  return connection;
}

const std::shared_ptr<ado::Connection>& AdminRecordset::Connection() {
  if (!connection_) connection_ = NewConnection();
  if (connection_->State() == 0) connection_->Open(connection_string_, "", "", -1);
  return connection_;
}

void AdminRecordset::UseConnection(std::shared_ptr<ado::Connection> connection) {
  if (!connection_ && connection && connection->State() == 1) connection_ = std::move(connection);
}

bool AdminRecordset::ConnectionIsOpen() const {
  return connection_ && connection_->State() == 1;
}

std::string AdminRecordset::DoSelectFromRecordset(
    const std::string& strSelectName, const Variant& ActiveConnection,
    const std::string& strRecordset, const std::string& strValueField, const Variant& selectedID,
    std::optional<bool> WithSelect, std::optional<std::string> SelectText,
    const Variant& FieldsToHide, const Variant& varFilter, std::optional<std::string> Size,
    std::optional<std::string> sql, std::optional<bool> bDisabled) {
  if (ActiveConnection.IsMissing()) RaiseRuntimeError(err::kArgumentNotOptional);
  SelectOptions options;
  if (!selectedID.IsMissing()) options.selected_id = selectedID;
  options.with_select = WithSelect.value_or(false);
  options.select_text = SelectText.value_or("");
  std::shared_ptr<Collection> hide;
  bool no_list = FieldsToHide.IsMissing() || FieldsToHide.IsEmpty() || FieldsToHide.IsNull() ||
                 (FieldsToHide.IsObject() && !FieldsToHide.AsObject());
  if (!no_list) hide = RequireObjectOf<Collection>(FieldsToHide);
  options.fields_to_hide = hide.get();
  options.filter = varFilter;
  options.size = Size.value_or("");
  // Pages ask for a select without rows with the SQL text "empty".
  options.no_rows = sql == "empty";
  if (!options.no_rows) options.sql = sql.value_or("");
  options.disabled = bDisabled.value_or(false);
  return screens_->SelectFromRecordset(*this, strSelectName, ActiveConnection, strRecordset,
                                       strValueField, options);
}

std::string AdminRecordset::DoBaseTemplate(const Variant& FilePath, std::optional<bool> Overwrite) {
  return screens_->DoBaseTemplate(*this, FilePath, Overwrite.value_or(false));
}

// ---- Diagnostics ---------------------------------------------------------------------------

std::string AdminRecordset::RStoTable(const std::shared_ptr<ado::Recordset>& objRS) {
  if (!objRS) RaiseRuntimeError(err::kObjectRequired);
  return screens_->RStoTable(*this, *objRS);
}

void AdminRecordset::DisplayConnProperties() {
  screens_->DisplayConnProperties(*this);
}

void AdminRecordset::DisplaySchemas() {
  screens_->DisplaySchemas(*this);
}

void AdminRecordset::DisplayTablesProperties() {
  screens_->DisplaySchema(*this, ado::schema::kTables, "adSchemaTables");
}

void AdminRecordset::DisplayQueriesProperties() {
  screens_->DisplaySchema(*this, ado::schema::kViews, "adSchemaViews");
}

void AdminRecordset::DisplayRelationsProperties() {
  screens_->DisplaySchema(*this, ado::schema::kForeignKeys, "adSchemaForeignKeys");
}

void AdminRecordset::DisplayRecordsetSchemas() {
  screens_->DisplayRecordsetSchemas(*this);
}

void AdminRecordset::DisplayDatabaseProperties() {
  RW("This method is obsolete please use DisplayConnProperties");
}

}  // namespace korvex
