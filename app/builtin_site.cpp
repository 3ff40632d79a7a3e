// The built-in site's files on disk and the settings object its pages create; see
// builtin_site.h.
#include "app/builtin_site.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <system_error>

#include "ado/connection.h"
#include "ado/field.h"
#include "ado/recordset.h"
#include "component/admin_recordset.h"
#include "component/field_model.h"
#include "component/settings/fil_file_man.h"
#include "core/collection.h"
#include "core/member_table.h"
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

bool HoldsExactly(const fs::path& file, std::string_view text) {
  std::error_code ec;
  if (fs::file_size(file, ec) != text.size() || ec) return false;
  std::ifstream in(file, std::ios::binary);
  std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  return content == text;
}

// Beside the file, then renamed over it: a page is never seen half-written, even by another
// server starting at the same moment.
void WriteWhole(const fs::path& file, std::string_view text) {
  fs::path temporary = file;
  temporary += ".tmp" + std::to_string(::getpid());
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + temporary.string());
  }
  fs::rename(temporary, file);
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

// Korvex.BuiltInSite: created by every page of the built-in site.
class BuiltInSite : public Dispatch, public PageObject {
 public:
  explicit BuiltInSite(std::shared_ptr<const SiteSettings> settings)
      : settings_(std::move(settings)) {}

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
                                                  });
    return table;
  }

  void OnStartPage(const std::shared_ptr<Dispatch>& context) override {
    request_ = RequireObjectOf<host::Request>(context->Get("Request"));
    response_ = RequireObjectOf<host::Response>(context->Get("Response"));
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
    ado::Connection& connection = *admin.Connection();
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

  std::string Connection() const { return settings_->connection_string; }
  std::string DatabaseName() const { return settings_->database_name; }

  std::shared_ptr<Collection> Tables() const {
    auto names = std::make_shared<Collection>();
    for (const std::string& name : ListTables(settings_->connection_string))
      names->Add(Variant(name));
    return names;
  }

  /// The table the request names, exactly as the database lists it. Any other name answers
  /// 404 with a short notice and ends the page: a table name goes into SQL text, so only the
  /// database's own names are let through. The file manager's pages (codes 11 to 16) are
  /// addressed by the page alone and may name no table: then "".
  std::string RequireTable() {
    std::string requested = request_ ? request_->ItemText(kTableParameter) : "";
    if (requested.empty() && IsFileManagerRequest()) return "";
    for (const std::string& name : ListTables(settings_->connection_string))
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

  std::shared_ptr<const SiteSettings> settings_;
  std::shared_ptr<host::Request> request_;
  std::shared_ptr<host::Response> response_;
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

std::vector<std::string> ListTables(const std::string& connection_string) {
  ado::Connection connection;
  connection.Open(connection_string, "", "", -1);
  std::shared_ptr<ado::Recordset> rows = connection.OpenSchema(kSchemaTables);
  std::vector<std::string> names;
  for (; !rows->IsEOF(); rows->MoveNext()) {
    if (Field(*rows, "TABLE_TYPE") == "TABLE") names.push_back(Field(*rows, "TABLE_NAME"));
  }
  rows->Close();
  connection.Close();
  return names;
}

void RegisterBuiltInSite(ClassRegistry& registry, SiteSettings settings) {
  auto shared = std::make_shared<const SiteSettings>(std::move(settings));
  registry.Register("Korvex.BuiltInSite",
                    [shared] { return std::make_shared<BuiltInSite>(shared); });
}

}  // namespace korvex::app
