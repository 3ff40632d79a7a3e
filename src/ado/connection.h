// Connection: opens a database through the provider its connection string names, runs
// statements through the Jet-SQL front end, answers schema rowsets and keeps transactions.
// Recordsets opened on it borrow its provider session.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ado/field.h"
#include "ado/provider.h"
#include "ado/row_write.h"
#include "core/dispatch.h"

namespace korvex::ado {

class Recordset;

/// The parts of a connection string in order, keys as written (blanks around them trimmed),
/// values unquoted.
std::vector<std::pair<std::string, std::string>> ConnectionStringPairs(std::string_view text);
/// The keys of a connection string ("Provider=SQLite;Data Source=x.db"): keys folded to lower
/// case, values unquoted. Later duplicates win.
std::map<std::string, std::string> ParseConnectionString(std::string_view text);

/// The site root of a page's scripting context (its Server's MapPath("/")); nothing for a host
/// without one.
std::optional<std::filesystem::path> SiteRootOf(const std::shared_ptr<Dispatch>& context);

class Connection : public Dispatch, public PageObject {
 public:
  Connection();
  ~Connection() override;
  const MemberTable& Members() const override;
  /// Takes the site root from the page's Server (MapPath("/")) for relative Data Sources.
  void OnStartPage(const std::shared_ptr<Dispatch>& context) override;

  std::string ConnectionString() const { return connection_string_; }
  /// 3705 while open.
  void ConnectionString(std::string text);
  /// The provider is the string's Provider key ("Microsoft.Jet.OLEDB.4.0", "SQLite",
  /// "PostgreSQL"); a file that does not exist is an error naming it, never a new database.
  void Open(std::optional<std::string> connection_string = {}, std::optional<std::string> user = {},
            std::optional<std::string> password = {}, std::optional<int32_t> options = {});
  int32_t State() const { return provider_ ? 1 : 0; }
  /// The Provider key as given; "SQLite" when the string names none.
  std::string Provider() const;
  void Provider(std::string name);
  /// Runs Jet SQL; a statement returning rows gives a forward-only, read-only recordset,
  /// any other gives nothing.
  std::shared_ptr<Recordset> Execute(std::string sql);
  /// Rows changed by the last Execute.
  int32_t RecordsAffected() const { return records_affected_; }
  /// Restrictions: Missing/Empty, or an object enumerating one value per restriction column
  /// (Empty or Null leave that column free). An unknown kind raises 3251.
  std::shared_ptr<Recordset> OpenSchema(int32_t kind, Variant restrictions = Variant::Missing());
  std::shared_ptr<Recordset> OpenSchema(int32_t kind, const std::vector<Variant>& restrictions);
  /// Rolls back an open transaction, closes the recordsets that read through this connection
  /// (client-side ones stay readable) and gives the session back.
  void Close();
  /// The new nesting level, from 1.
  int32_t BeginTrans();
  void CommitTrans();
  void RollbackTrans();
  ado::Properties& Properties();
  /// Told of every row the recordsets of this connection write, once the write is final: at
  /// once outside a transaction, at the outermost CommitTrans inside one. Writes a rollback
  /// undoes are never told. The listener must not throw: the write has happened.
  void ListenToWrites(WriteListener listener) { write_listener_ = std::move(listener); }

  int32_t CommandTimeout = 30;
  int32_t ConnectionTimeout = 15;
  int32_t CursorLocation = 2;

  /// Folder a relative Data Source is taken from; the working directory when unset.
  void BaseDirectory(std::filesystem::path folder) { base_directory_ = std::move(folder); }
  const std::optional<std::filesystem::path>& BaseDirectory() const { return base_directory_; }

  // For Recordset.
  /// The open session; 3709 when the connection is closed.
  ProviderConnection& Session() const;
  std::shared_ptr<ProviderConnection> SharedSession() const;
  void Attach(const std::shared_ptr<Recordset>& recordset);
  bool ListensToWrites() const { return static_cast<bool>(write_listener_); }
  void RowWritten(RowWrite write);
  /// Jet SQL in the session's dialect.
  std::string Translate(std::string_view jet_sql) const;

 private:
  Variant ExecuteForScript(std::string sql, Variant records_affected, std::optional<int32_t>);
  std::shared_ptr<Recordset> OpenSchemaForScript(int32_t kind, Variant restrictions,
                                                 Variant schema_id);
  std::shared_ptr<ado::Properties> PropertiesObject();
  void DiscardWritesSinceBegin();

  std::string connection_string_;
  std::optional<std::string> provider_name_;
  std::optional<std::filesystem::path> base_directory_;
  std::shared_ptr<ProviderConnection> provider_;
  std::vector<std::weak_ptr<Recordset>> recordsets_;
  std::shared_ptr<ado::Properties> properties_;
  int transaction_depth_ = 0;
  WriteListener write_listener_;
  std::vector<RowWrite> pending_writes_;  // inside a transaction, not final yet
  std::vector<size_t> write_marks_;       // pending_writes_ size at each BeginTrans
  int32_t records_affected_ = 0;
};

}  // namespace korvex::ado
