// The built-in site's files on disk and the settings object its pages create; see
// builtin_site.h.
#include "app/builtin_site.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <system_error>

#include "ado/ado_constants.h"
#include "ado/connection.h"
#include "ado/field.h"
#include "ado/recordset.h"
#include "app/history_store.h"
#include "app/site_panels.h"
#include "app/table_export.h"
#include "component/admin_recordset.h"
#include "component/errors.h"
#include "component/field_model.h"
#include "component/settings/fil_file_man.h"
#include "core/collection.h"
#include "core/member_table.h"
#include "core/text.h"
#include "host/encoding.h"
#include "host/intrinsics.h"

namespace korvex::app {

namespace fs = std::filesystem;

namespace {

constexpr int32_t kSchemaColumns = 4;
constexpr int32_t kSchemaTables = 20;
constexpr int32_t kSchemaForeignKeys = 27;
// The request parameter naming the current table, as the component reads it.
constexpr std::string_view kTableParameter = "RecordsetKorVex";
constexpr std::string_view kPageParameter = "PageKorVex";

// 64-bit FNV-1a over a run of texts: enough to tell one build's pages, or one database's
// files, from another's.
class ContentHash {
 public:
  void Add(std::string_view bytes) {
    for (unsigned char c : bytes) hash_ = (hash_ ^ c) * 1099511628211ull;
    hash_ = (hash_ ^ 0xff) * 1099511628211ull;  // ends each part, so "ab"+"c" differs from "a"+"bc"
  }
  std::string Hex() const {
    char tag[17];
    std::snprintf(tag, sizeof tag, "%016llx", static_cast<unsigned long long>(hash_));
    return tag;
  }

 private:
  uint64_t hash_ = 14695981039346656037ull;
};

std::string ContentTag(std::span<const EmbeddedFile> files) {
  ContentHash hash;
  for (const EmbeddedFile& f : files) {
    hash.Add(f.name);
    hash.Add(f.text);
  }
  return hash.Hex();
}

// A file name for a table's report template: the name's letters and digits for whoever looks
// in the folder, and a hash of the whole name so that no two tables share a file.
std::string TemplateFileName(std::string_view table) {
  std::string readable;
  for (char c : table) {
    if (readable.size() == 40) break;
    bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    readable += plain ? c : '_';
  }
  ContentHash hash;
  hash.Add(table);
  return readable + "-" + hash.Hex() + ".html";
}

// attachment; filename="<ASCII stand-in>"; filename*=UTF-8''<the name, percent-encoded>: the
// plain form for old clients, the encoded one carries any table name whole.
std::string AttachmentHeader(std::string_view table, bool csv) {
  const std::string extension = csv ? ".csv" : ".json";
  auto safe = [](unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.';
  };
  std::string plain, encoded;
  for (unsigned char c : table) {
    plain += safe(c) ? static_cast<char>(c) : '_';
    if (safe(c)) {
      encoded += static_cast<char>(c);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      encoded += hex;
    }
  }
  return "attachment; filename=\"" + plain + extension + "\"; filename*=UTF-8''" + encoded +
         extension;
}

bool HoldsExactly(const fs::path& file, std::string_view text) {
  std::error_code ec;
  if (fs::file_size(file, ec) != text.size() || ec) return false;
  std::ifstream in(file, std::ios::binary);
  std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  return content == text;
}

// Beside the file, then renamed over it: a page is never seen half-written, even by another
// server starting at the same moment. The temporary name is this write's own (process and
// write), so two requests writing the same file at once each rename a whole file of their own.
void WriteWhole(const fs::path& file, std::string_view text) {
  static std::atomic<uint64_t> writes{0};
  fs::path temporary = file;
  temporary += ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(++writes);
  std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  std::error_code ec;
  if (out) fs::rename(temporary, file, ec);
  if (!out || ec) {
    const std::string why = ec ? ec.message() : "the write failed";
    fs::remove(temporary, ec);  // a failed write leaves nothing behind
    throw std::runtime_error("cannot write " + file.string() + ": " + why);
  }
}

std::string Field(ado::Recordset& rows, std::string_view name) {
  return TextOrEmpty(rows.Fields().Item(Variant(name))->Value());
}

struct ForeignKey {
  std::string column;
  std::string target_table;
  std::string target_column;
};

std::map<std::string, std::vector<ForeignKey>> ForeignKeysByTable(ado::Connection& connection) {
  std::map<std::string, std::vector<ForeignKey>> keys;
  auto rows = connection.OpenSchema(kSchemaForeignKeys);
  for (; !rows->IsEOF(); rows->MoveNext()) {
    keys[Field(*rows, "FK_TABLE_NAME")].push_back({Field(*rows, "FK_COLUMN_NAME"),
                                                   Field(*rows, "PK_TABLE_NAME"),
                                                   Field(*rows, "PK_COLUMN_NAME")});
  }
  return keys;
}

size_t ColumnCount(ado::Connection& connection, const std::string& table) {
  auto rows = connection.OpenSchema(kSchemaColumns,
                                    std::vector<Variant>{Variant(), Variant(), Variant(table)});
  size_t count = 0;
  for (; !rows->IsEOF(); rows->MoveNext()) ++count;
  return count;
}

// The user name of a request's Basic credentials; "anonymous" without them.
std::string UserOf(host::Request& request) {
  std::string header;
  for (const auto& [name, value] : request.data().headers)
    if (EqualsNoCase(name, "Authorization")) header = value;
  std::string_view text = Trim(header);
  if (text.size() < 6 || !EqualsNoCase(text.substr(0, 6), "Basic ")) return "anonymous";
  text = Trim(text.substr(6));
  std::string decoded;
  uint32_t bits = 0;
  int count = 0;
  for (char c : text) {
    int digit = c >= 'A' && c <= 'Z'   ? c - 'A'
                : c >= 'a' && c <= 'z' ? c - 'a' + 26
                : c >= '0' && c <= '9' ? c - '0' + 52
                : c == '+'             ? 62
                : c == '/'             ? 63
                                       : -1;
    if (digit < 0) break;  // "=" padding ends the text
    bits = (bits << 6) | static_cast<uint32_t>(digit);
    count += 6;
    if (count >= 8) {
      count -= 8;
      decoded += static_cast<char>((bits >> count) & 0xff);
    }
  }
  size_t colon = decoded.find(':');
  if (colon == std::string::npos || colon == 0) return "anonymous";
  return SanitizeUtf8(decoded.substr(0, colon));
}

// Korvex.BuiltInSite: created by every page of the built-in site.
class BuiltInSite : public Dispatch, public PageObject {
 public:
  BuiltInSite(std::shared_ptr<const SiteSettings> settings, std::shared_ptr<HistoryStore> history)
      : settings_(std::move(settings)), history_(std::move(history)) {}

  const MemberTable& Members() const override {
    using C = BuiltInSite;
    static const MemberTable table("BuiltInSite", {
                                                      Getter("ConnectionString", &C::Connection),
                                                      Getter("DatabaseName", &C::DatabaseName),
                                                      Method("Tables", &C::Tables),
                                                      Method("RequireTable", &C::RequireTable),
                                                      Method("DeclareFiles", &C::DeclareFiles),
                                                      Method("DeclareForms", &C::DeclareForms),
                                                      Method("ReportTemplate", &C::ReportTemplate),
                                                      Method("Export", &C::Export),
                                                      Method("RecordWrites", &C::RecordWrites),
                                                      Method("MessageArea", &C::MessageArea),
                                                      Method("ShowOutcome", &C::ShowOutcome),
                                                      Method("ShowError", &C::ShowError),
                                                      Method("WriteHistory", &C::WriteHistory),
                                                      Method("RowCount", &C::RowCount),
                                                      Method("WriteHeader", &C::WriteHeader),
                                                      Method("Dress", &C::Dress),
                                                      Getter("DatabaseSize", &C::DatabaseSize),
                                                      Method("ExportQuery", &C::ExportQuery),
                                                  });
    return table;
  }

  void OnStartPage(const std::shared_ptr<Dispatch>& context) override {
    request_ = RequireObjectOf<host::Request>(context->Get("Request"));
    response_ = RequireObjectOf<host::Response>(context->Get("Response"));
    session_ = RequireObjectOf<host::Session>(context->Get("Session"));
    context_ = context;
  }

  /// Writes the site's header (SiteHeader) for table ("" on pages of no table) with screen
  /// marked current. The list link leads back to the list page last shown in this session.
  void WriteHeader(const std::string& table, const std::string& screen) {
    if (!response_) RaiseRuntimeError(err::kObjectRequired);
    std::string list_query = "?RecordsetKorVex=" + host::EncodeUrl(table);
    if (session_) {
      // Only what table.ksp stored there: a page number of up to nine digits.
      const std::string page = TextOrEmpty(session_->Value("ListPage " + table));
      if (!page.empty() && page.size() <= 9 &&
          page.find_first_not_of("0123456789") == std::string::npos)
        list_query += "&CPKorVex=" + page;
    }
    response_->WriteText(
        SiteHeader(settings_->database_name, PageTables(), table, screen, list_query));
  }

  /// Points page.FileMan at the site's files folder and adds the current table's file fields
  /// to page.FileFields, so the screens link to the files. The file manager's screens are
  /// reachable from every page, and its folder would otherwise be the page's own, where an
  /// uploaded page would run: without a files folder it may not write at all, and it never
  /// takes a page.
  void DeclareFiles(const std::shared_ptr<Dispatch>& page) const {
    auto& admin = *RequireObjectOf<AdminRecordset>(Variant(page));
    filFileMan& files = *admin.FileMan;
    // The files are served from the site's own address: a stored page or document with
    // script in it would run there with the visitor's session.
    for (const char* extension :
         {"KSP", "HTM", "HTML", "SHTML", "XHTML", "SVG", "XML", "JS", "MJS"})
      files.InvalidExtensions->Add(Variant(extension));
    if (settings_->files_path.empty()) {
      files.AllowSendFile = files.AllowDelete = files.AllowRename = false;
      return;
    }
    files.Path(settings_->files_path);
    const std::string table = admin.recordset();
    for (const auto& [file_table, column] : settings_->file_fields) {
      if (!table.empty() && file_table != table) continue;
      if (!IsInCollection(Variant(column), *admin.FileFields))
        admin.FileFields->Add(Variant(column));
    }
    // The file manager's pages name no table: a file is in use wherever a file column of
    // any table names it.
    if (table.empty()) files.CheckForFilesInUse = Variant(int32_t{2});
  }

  /// Turns on every check of the edit form's script, declares the current table's HTML
  /// columns (their "..." button opens the HTML editor), and gives the table a many-to-many
  /// editor for each link table pointing at it: a table of exactly two columns, each a foreign
  /// key, one to this table and one to another.
  void DeclareForms(const std::shared_ptr<Dispatch>& page) const {
    auto& admin = *RequireObjectOf<AdminRecordset>(Variant(page));
    HTMLJavaScripts& checks = *admin.EditForm->JavaScripts;
    checks.CheckRequired = checks.CheckMaxLenght = checks.CheckIsNumeric = checks.CheckIsDate =
        true;
    const std::string table = admin.recordset();
    for (const auto& [html_table, column] : settings_->html_fields)
      if (html_table == table) admin.HTMLFields->Add(Variant(column));
    ado::Connection& connection = *AdminConnection(admin);
    for (const auto& [link, keys] : ForeignKeysByTable(connection)) {
      if (link == table || keys.size() != 2 || ColumnCount(connection, link) != 2) continue;
      for (size_t local = 0; local < 2; ++local) {
        const ForeignKey& to_local = keys[local];
        const ForeignKey& to_remote = keys[1 - local];
        if (to_local.target_table != table || to_remote.target_table == table) continue;
        admin.AddManyToMany(to_remote.target_table, to_local.target_column, link, to_local.column,
                            to_remote.column, to_remote.target_column, to_remote.target_table,
                            std::nullopt);
        break;
      }
    }
  }

  /// The report template of page's table, generated from its columns on first use into the
  /// state folder (never beside the database) and kept there, so it may be edited. "" when it
  /// could not be generated: the page then shows why, and the report uses the generated text.
  std::string ReportTemplate(const std::shared_ptr<Dispatch>& page) const {
    auto& admin = *RequireObjectOf<AdminRecordset>(Variant(page));
    if (settings_->state_dir.empty()) return "";  // never a folder relative to the database's
    ContentHash database;
    database.Add(settings_->connection_string);
    const fs::path file = settings_->state_dir / "report-templates" / database.Hex() /
                          TemplateFileName(admin.recordset());
    std::error_code ec;
    if (fs::exists(file, ec)) return file.string();
    const std::string text = admin.DoBaseTemplate(Variant::Missing(), std::nullopt);
    if (text.empty()) return "";
    try {
      fs::create_directories(file.parent_path());
      WriteWhole(file, text);
    } catch (const std::exception& e) {
      throw AutomationError(
          err::kPermissionDenied,
          "Cannot keep the report template in the state folder: " + std::string(e.what()),
          "Korvex.BuiltInSite");
    }
    return file.string();
  }

  /// Answers the request with every row of page's list (from_search false) or of its search
  /// result, as CSV or JSON, and ends the page. The rows are those the screen shows, found
  /// the same way: a search statement the site did not sign, or a table the database does
  /// not list, gets the list's own refusal (403), and nothing is read.
  void Export(const std::shared_ptr<Dispatch>& page, const std::string& format, bool from_search) {
    auto& admin = *RequireObjectOf<AdminRecordset>(Variant(page));
    if (!response_) RaiseRuntimeError(err::kObjectRequired);
    std::optional<ExportFormat> kind = ExportFormatNamed(format);
    if (!kind) {
      response_->Clear();
      response_->Status("404 Not Found");
      response_->ContentType("text/plain");
      response_->WriteText("No export format named that; there are csv and json.\r\n");
      response_->End();
    }
    std::string source;
    try {
      source = from_search ? admin.SearchResultSource(true)
                           : "SELECT * FROM " + admin.QuotedIdentifier(admin.recordset()) + " ";
      if (!from_search && !admin.IsTableOrView(admin.recordset()))
        throw UnknownRecordsetError(admin.recordset());
    } catch (const AutomationError& error) {
      const bool refusal =
          error.source() == kComponentSource &&
          (error.number() == err::kUnknownRecordset || error.number() == err::kUnsignedSql ||
           error.number() == err::kSearchRefused);
      if (!refusal) throw;
      response_->Clear();
      response_->Status("403 Forbidden");
      admin.WriteEditingListNotice(error);
      response_->End();
    }
    // A connection of its own: the page's closes when the page ends, and the rows are read
    // after that, as the client takes them.
    auto connection = std::make_shared<ado::Connection>();
    connection->Open(settings_->connection_string, "", "", -1);
    auto rows = std::make_shared<ado::Recordset>();
    rows->Open(Variant(source), Variant(connection), ado::kOpenForwardOnly, ado::kLockReadOnly,
               ado::kCmdUnspecified);
    const Variant& filter = admin.EditingList->Filter;
    if (filter.IsString() && !filter.AsString().empty()) rows->Filter(filter);
    auto exported = std::make_shared<RowExport>(connection, rows, *kind);

    const bool csv = *kind == ExportFormat::kCsv;
    response_->Clear();
    response_->ContentType(csv ? "text/csv" : "application/json");
    response_->CharSet("utf-8");
    response_->AddHeader("Content-Disposition", AttachmentHeader(admin.recordset(), csv));
    response_->data().body_stream = [exported](std::string& out) { return exported->Next(out); };
    response_->End();
  }

  /// What the export links of a search result add to their query so that the export finds
  /// the rows the screen shows: a criteria search's statement with the site's signature.
  /// A keyword search's filter is in the session already: "".
  std::string ExportQuery(const std::shared_ptr<Dispatch>& page) const {
    auto& admin = *RequireObjectOf<AdminRecordset>(Variant(page));
    if (!VariantEquals(admin.SearchForm->Style, Variant(int32_t{0}))) return "";
    const std::string sql = admin.SearchResultSource(true);
    return "&" + admin.ParamName("SQL") + "=" + host::EncodeUrl(sql) + "&" +
           admin.ParamName("SQLSign") + "=" + host::EncodeUrl(admin.SqlSignature(sql));
  }

  /// The site's look, set through the screens' own settings: skins whose tags carry the
  /// style sheet's classes instead of borders, and captions and result texts in words. The
  /// markup around them stays what the component writes for any page.
  void Dress(const std::shared_ptr<Dispatch>& page) const {
    auto& admin = *RequireObjectOf<AdminRecordset>(Variant(page));
    HTMLEditingList& list = *admin.EditingList;
    list.Table->TableTag = "<TABLE class=\"grid\">";
    list.Table->TitleTR = "<TR class=\"title\">";
    list.Table->OddTR = "<TR class=\"odd\">";
    list.Table->EvenTR = "<TR class=\"even\">";
    list.EditTitle = "Actions";
    list.ShowSQLText = false;
    for (HTMLTable* form : {admin.EditForm->Table.get().get(), admin.SearchForm->Table.get().get(),
                            admin.ResultPage->Table.get().get()}) {
      form->TableTag = "<TABLE class=\"form\">";
      form->LabelTitle = "Field";
      form->DataTitle = "Value";
      form->LabelTD = "<TD class=\"label\">";
      form->TitleTR = "<TR class=\"title\">";
      form->SubmitTR = "<TR class=\"buttons\">";
    }
    admin.EditForm->RequiredFieldMarker = " <abbr class=\"required\" title=\"required\">*</abbr>";
    admin.SearchForm->CriterionTitle = "Condition";
    // The page under the result has its own way back: the browser's is not the one to take.
    admin.ResultPage->BottomAddNewText = "";
    admin.ResultPage->BottomModifyText = "";
  }

  /// Keeps every write page's connection makes in the site's history, with the request's
  /// user, and remembers it for ShowOutcome. A history that cannot be written is reported on
  /// the server's error output: the write itself has happened and stands.
  void RecordWrites(const std::shared_ptr<Dispatch>& page) {
    auto& admin = *RequireObjectOf<AdminRecordset>(Variant(page));
    const std::string user = request_ ? UserOf(*request_) : "anonymous";
    AdminConnection(admin)->ListenToWrites(
        [told = told_, history = history_, user](const std::vector<ado::RowWrite>& writes) {
          told->insert(told->end(), writes.begin(), writes.end());
          if (!history) return;
          try {
            history->Record(writes, user);
          } catch (const std::exception& e) {
            std::fprintf(stderr, "korvex: the history did not keep a write: %s\n", e.what());
          }
        });
  }

  /// Marks where the page's message line goes: the line is known only once the screen has
  /// run, and the output is still held then.
  void MessageArea() {
    if (response_) message_at_ = response_->data().body.size();
  }

  /// After a write (ActionPerformed 8, 16 or 32), its one line in the message area: what the
  /// data layer reported written, "Customers 42 updated".
  void ShowOutcome(const std::shared_ptr<Dispatch>& page) {
    auto& admin = *RequireObjectOf<AdminRecordset>(Variant(page));
    const int16_t action = admin.ActionPerformed;
    if (action != 8 && action != 16 && action != 32) return;
    const std::string table = admin.recordset();
    const ado::RowWrite* record = nullptr;
    for (const ado::RowWrite& write : *told_)
      if (!record && EqualsNoCase(write.table, table)) record = &write;
    // An update whose form changed nothing writes nothing.
    InsertMessage(
        MessageLine(record ? WriteSummary(*record) : table + ": nothing to change", false));
  }

  /// text, an error's own message, in the message area, styled as an error.
  void ShowError(const std::string& text) { InsertMessage(MessageLine(text, true)); }

  /// The history of table, newest first, twenty a page, with its pager; table "" gives the
  /// last ten writes of every table, without pager.
  void WriteHistory(const std::string& table, int32_t page) {
    if (!response_) RaiseRuntimeError(err::kObjectRequired);
    if (!history_) {
      response_->WriteText(
          "<p class=\"empty\">This server keeps no history: it has no state "
          "folder.</p>\r\n");
      return;
    }
    if (table.empty()) {
      response_->WriteText(HistoryTable(history_->Latest("", 0, 10), true));
      return;
    }
    constexpr int64_t kPageSize = 20;
    const int64_t pages = (history_->Count(table) + kPageSize - 1) / kPageSize;
    const int64_t current = std::clamp<int64_t>(page, 1, std::max<int64_t>(pages, 1));
    response_->WriteText(
        HistoryTable(history_->Latest(table, (current - 1) * kPageSize, kPageSize), false));
    response_->WriteText(
        Pager("/history.ksp?RecordsetKorVex=" + host::EncodeUrl(table) + "&page=", current, pages));
  }

  /// The exact row count of a table the database lists, through the count the list itself
  /// takes (and the provider keeps until the table changes).
  int32_t RowCount(const std::shared_ptr<Dispatch>& page, const std::string& table) const {
    auto& admin = *RequireObjectOf<AdminRecordset>(Variant(page));
    if (!admin.IsTableOrView(table)) throw UnknownRecordsetError(table);
    auto rows = std::make_shared<ado::Recordset>();
    rows->Open(Variant(admin.QuotedIdentifier(table)), Variant(AdminConnection(admin)),
               ado::kOpenKeyset, ado::kLockReadOnly, ado::kCmdUnspecified);
    const int32_t count = rows->RecordCount();
    rows->Close();
    return count;
  }

  /// The database file's size on disk (with its write-ahead log), as "3.4 MB"; "" for a
  /// database that is no file here.
  std::string DatabaseSize() const {
    auto keys = ado::ParseConnectionString(settings_->connection_string);
    auto source = keys.find("data source");
    if (source == keys.end()) return "";
    std::error_code ec;
    const uintmax_t size = fs::file_size(source->second, ec);
    if (ec) return "";
    const uintmax_t wal = fs::file_size(source->second + "-wal", ec);
    return SizeText(size + (ec ? 0 : wal));
  }

  std::string Connection() const { return settings_->connection_string; }
  std::string DatabaseName() const { return settings_->database_name; }

  std::shared_ptr<Collection> Tables() {
    auto names = std::make_shared<Collection>();
    for (const std::string& name : PageTables()) names->Add(Variant(name));
    return names;
  }

  /// The table the request names, exactly as the database lists it. Any other name answers
  /// 404 with a short notice and ends the page: a table name goes into SQL text, so only the
  /// database's own names are let through. The file manager's pages (codes 11 to 16) are
  /// addressed by the page alone and may name no table: then "".
  std::string RequireTable() {
    std::string requested = request_ ? request_->ItemText(kTableParameter) : "";
    if (requested.empty() && IsFileManagerRequest()) return "";
    for (const std::string& name : PageTables())
      if (name == requested) return name;
    if (!response_) RaiseRuntimeError(err::kObjectRequired);
    response_->Clear();
    response_->Status("404 Not Found");
    response_->WriteText(
        "<!DOCTYPE html>\r\n<html><head><meta charset=\"utf-8\"><title>No such table - "
        "Korvex</title></head>\r\n<body><p>No table named &quot;" +
        host::EncodeHtml(requested) +
        "&quot; in this database. <a href=\"/\">All tables</a></p></body></html>\r\n");
    response_->End();
  }

 private:
  bool IsFileManagerRequest() const {
    if (!request_) return false;
    std::optional<std::string> code = request_->QueryString().Get(kPageParameter);
    if (!code) return false;
    std::optional<double> number = ParseNumber(*code);
    return number && *number >= 11 && *number <= 16;
  }

  // The database's tables, asked once per page: the header, the check of the requested
  // table and the home page all read them.
  const std::vector<std::string>& PageTables() {
    if (!tables_) tables_ = ListTables(*SiteConnection());
    return *tables_;
  }

  // One connection for the page's own questions and its component's work: the catalogue the
  // table list was read from is current for the component's lookups too, without a second
  // connection checking it again.
  const std::shared_ptr<ado::Connection>& SiteConnection() const {
    if (!connection_) {
      connection_ = std::make_shared<ado::Connection>();
      // A relative data source is taken from the site, as for the component's connection.
      if (context_) connection_->OnStartPage(context_);
    }
    if (connection_->State() == 0) connection_->Open(settings_->connection_string, "", "", -1);
    return connection_;
  }

  // The component's connection: the page's own when it names the site's database.
  const std::shared_ptr<ado::Connection>& AdminConnection(AdminRecordset& admin) const {
    if (admin.ConnectionString() == settings_->connection_string && !admin.ConnectionIsOpen())
      admin.UseConnection(SiteConnection());
    return admin.Connection();
  }

  void InsertMessage(const std::string& line) {
    if (!response_) RaiseRuntimeError(err::kObjectRequired);
    std::string& body = response_->data().body;
    // A page that cleared its output since the mark gets the line where it is now.
    body.insert(message_at_ && *message_at_ <= body.size() ? *message_at_ : body.size(), line);
    if (message_at_) *message_at_ += line.size();
  }

  std::shared_ptr<const SiteSettings> settings_;
  std::shared_ptr<HistoryStore> history_;
  std::shared_ptr<std::vector<ado::RowWrite>> told_ =
      std::make_shared<std::vector<ado::RowWrite>>();
  std::optional<size_t> message_at_;
  std::optional<std::vector<std::string>> tables_;
  std::shared_ptr<Dispatch> context_;
  mutable std::shared_ptr<ado::Connection> connection_;
  std::shared_ptr<host::Request> request_;
  std::shared_ptr<host::Response> response_;
  std::shared_ptr<host::Session> session_;
};

}  // namespace

fs::path WriteBuiltInSite(const fs::path& state_dir) {
  std::span<const EmbeddedFile> files = BuiltInSiteFiles();
  fs::path folder = state_dir / ("site-" + ContentTag(files));
  fs::create_directories(folder);
  for (const EmbeddedFile& f : files) {
    fs::path file = folder / f.name;
    if (!HoldsExactly(file, f.text)) WriteWhole(file, f.text);
  }
  return folder;
}

std::string SqliteConnectionString(const fs::path& database) {
  std::string quoted;
  for (char c : database.string()) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return "Provider=SQLite;Data Source=\"" + quoted + "\"";
}

std::string DatabaseNameOf(const std::string& connection_string) {
  auto keys = ado::ParseConnectionString(connection_string);
  for (const char* key : {"data source", "database", "dbname", "initial catalog"}) {
    auto it = keys.find(key);
    if (it != keys.end() && !it->second.empty()) return fs::path(it->second).filename().string();
  }
  return "database";
}

std::vector<std::string> ListTables(ado::Connection& connection) {
  std::shared_ptr<ado::Recordset> rows = connection.OpenSchema(kSchemaTables);
  std::vector<std::string> names;
  for (; !rows->IsEOF(); rows->MoveNext()) {
    if (Field(*rows, "TABLE_TYPE") == "TABLE") names.push_back(Field(*rows, "TABLE_NAME"));
  }
  rows->Close();
  return names;
}

std::vector<std::string> ListTables(const std::string& connection_string) {
  ado::Connection connection;
  connection.Open(connection_string, "", "", -1);
  std::vector<std::string> names = ListTables(connection);
  connection.Close();
  return names;
}

void RegisterBuiltInSite(ClassRegistry& registry, SiteSettings settings) {
  auto shared = std::make_shared<const SiteSettings>(std::move(settings));
  std::shared_ptr<HistoryStore> history;
  if (!shared->state_dir.empty()) {
    ContentHash database;
    database.Add(shared->connection_string);
    const fs::path folder = shared->state_dir / "history";
    try {
      fs::create_directories(folder);
      history = std::make_shared<HistoryStore>(folder / (database.Hex() + ".sqlite"));
    } catch (const std::exception& e) {
      std::fprintf(stderr, "korvex: no history of changes: %s\n", e.what());
    }
  }
  registry.Register("Korvex.BuiltInSite",
                    [shared, history] { return std::make_shared<BuiltInSite>(shared, history); });
}

}  // namespace korvex::app
