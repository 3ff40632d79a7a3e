// Connection: the connection string, the provider it names, statements through the Jet-SQL
// front end, transactions, and the recordsets that read through it.
#include "ado/connection.h"

#include <algorithm>

#include "ado/ado_constants.h"
#include "ado/ado_errors.h"
#include "ado/jet_sql.h"
#include "ado/postgres/postgres_provider.h"
#include "ado/recordset.h"
#include "ado/schema_rowsets.h"
#include "ado/sqlite/sqlite_provider.h"
#include "core/member_table.h"

namespace korvex::ado {

namespace {

constexpr std::string_view kSource = "ADODB.Connection";
constexpr int32_t kNoTransaction = -2147168242;  // 0x8004D00E

bool HasMoreThanOneStatement(std::string_view sql) {
  bool after_semicolon = false;
  for (const JetToken& t : TokenizeJet(sql)) {
    if (t.kind == JetTokenKind::Space || t.kind == JetTokenKind::Comment) continue;
    if (after_semicolon) return true;
    if (t.kind == JetTokenKind::Punct && t.text == ";") after_semicolon = true;
  }
  return false;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> ConnectionStringPairs(std::string_view text) {
  std::vector<std::pair<std::string, std::string>> pairs;
  size_t i = 0;
  while (i < text.size()) {
    size_t eq = text.find('=', i);
    size_t semicolon = text.find(';', i);
    if (eq == std::string_view::npos || (semicolon != std::string_view::npos && semicolon < eq)) {
      if (semicolon == std::string_view::npos) break;
      i = semicolon + 1;  // a part without "=" is ignored
      continue;
    }
    std::string key(Trim(text.substr(i, eq - i)));
    size_t v = eq + 1;
    while (v < text.size() && (text[v] == ' ' || text[v] == '\t')) ++v;
    std::string value;
    if (v < text.size() && (text[v] == '"' || text[v] == '\'')) {
      char quote = text[v];
      size_t j = v + 1;
      for (; j < text.size(); ++j) {
        if (text[j] == quote) {
          if (j + 1 < text.size() && text[j + 1] == quote) {
            value += quote;
            ++j;
            continue;
          }
          break;
        }
        value += text[j];
      }
      size_t end = text.find(';', j);
      i = end == std::string_view::npos ? text.size() : end + 1;
    } else {
      size_t end = text.find(';', v);
      value =
          Trim(text.substr(v, end == std::string_view::npos ? std::string_view::npos : end - v));
      i = end == std::string_view::npos ? text.size() : end + 1;
    }
    if (!key.empty()) pairs.emplace_back(std::move(key), std::move(value));
  }
  return pairs;
}

std::map<std::string, std::string> ParseConnectionString(std::string_view text) {
  std::map<std::string, std::string> keys;
  for (auto& [key, value] : ConnectionStringPairs(text)) keys[FoldCase(key)] = std::move(value);
  return keys;
}

Connection::Connection() = default;

Connection::~Connection() {
  try {
    Close();
  } catch (...) {
  }
}

const MemberTable& Connection::Members() const {
  static const MemberTable table(
      "Connection", {
                        Method("BeginTrans", &Connection::BeginTrans),
                        Method("Close", &Connection::Close),
                        Prop<&Connection::CommandTimeout>("CommandTimeout"),
                        Method("CommitTrans", &Connection::CommitTrans),
                        Prop<&Connection::ConnectionTimeout>("ConnectionTimeout"),
                        Accessor("ConnectionString", &Connection::ConnectionString,
                                 &Connection::ConnectionString),
                        Prop<&Connection::CursorLocation>("CursorLocation"),
                        Method("Execute", &Connection::ExecuteForScript),
                        Method("Open", &Connection::Open),
                        Method("OpenSchema", &Connection::OpenSchemaForScript),
                        Getter("Properties", &Connection::PropertiesObject),
                        Accessor("Provider", &Connection::Provider, &Connection::Provider),
                        Method("RollbackTrans", &Connection::RollbackTrans),
                        Getter("State", &Connection::State),
                    });
  return table;
}

std::optional<std::filesystem::path> SiteRootOf(const std::shared_ptr<Dispatch>& context) {
  try {
    std::shared_ptr<Dispatch> server = RequireObject(context->Get("Server"));
    Variant root[] = {Variant("/")};
    return std::filesystem::path(ToText(server->Call("MapPath", root)));
  } catch (const AutomationError&) {
    return std::nullopt;  // relative paths then stay relative to the working directory
  }
}

void Connection::OnStartPage(const std::shared_ptr<Dispatch>& context) {
  base_directory_ = SiteRootOf(context);
}

void Connection::ConnectionString(std::string text) {
  if (provider_) RaiseAdo(err::kObjectOpen, kSource);
  connection_string_ = std::move(text);
}

std::string Connection::Provider() const {
  if (provider_name_) return *provider_name_;
  auto keys = ParseConnectionString(connection_string_);
  auto it = keys.find("provider");
  return it == keys.end() || it->second.empty() ? "SQLite" : it->second;
}

void Connection::Provider(std::string name) {
  if (provider_) RaiseAdo(err::kObjectOpen, kSource);
  provider_name_ = std::move(name);
}

void Connection::Open(std::optional<std::string> connection_string, std::optional<std::string> user,
                      std::optional<std::string> password, std::optional<int32_t>) {
  if (provider_) RaiseAdo(err::kObjectOpen, kSource);
  if (connection_string && !connection_string->empty()) connection_string_ = *connection_string;
  sqlite::RegisterSqliteProvider();
  postgres::RegisterPostgresProvider();
  ConnectionParams params;
  params.keys = ParseConnectionString(connection_string_);
  params.provider = provider_name_ ? *provider_name_ : params.keys["provider"];
  // Open(string, "", "") is how pages call it: an empty argument leaves the string's value.
  params.user = user && !user->empty() ? *user : params.keys["user id"];
  params.password = password && !password->empty() ? *password : params.keys["password"];
  std::error_code ec;
  params.base_directory = base_directory_ ? *base_directory_ : std::filesystem::current_path(ec);
  auto factory = FindProvider(params.provider);
  if (!factory) RaiseAdo(err::kProviderNotFound, kSource);
  provider_ = (*factory)(params);
  transaction_depth_ = 0;
}

ProviderConnection& Connection::Session() const {
  if (!provider_) RaiseAdo(err::kConnectionUnusable, kSource);
  return *provider_;
}

std::shared_ptr<ProviderConnection> Connection::SharedSession() const {
  if (!provider_) RaiseAdo(err::kConnectionUnusable, kSource);
  return provider_;
}

std::string Connection::Translate(std::string_view jet_sql) const {
  ProviderConnection& session = Session();
  return TranslateJetSql(jet_sql, session.Dialect(),
                         [&](std::string_view word) { return session.ResolveName(word); });
}

void Connection::Attach(const std::shared_ptr<Recordset>& recordset) {
  std::erase_if(recordsets_, [](const std::weak_ptr<Recordset>& w) { return w.expired(); });
  recordsets_.push_back(recordset);
}

std::shared_ptr<Recordset> Connection::Execute(std::string sql) {
  if (!provider_) RaiseAdo(err::kObjectClosed, kSource);
  std::string backend = Translate(sql);
  records_affected_ = 0;
  if (!HasMoreThanOneStatement(backend)) {
    if (provider_->ReturnsRows(backend)) {
      auto recordset = std::make_shared<Recordset>();
      // A connection that no shared pointer owns (one on a C++ caller's stack) is lent, not
      // shared: the caller keeps it alive while it reads the rows.
      std::shared_ptr<Connection> self =
          weak_from_this().expired()
              ? std::shared_ptr<Connection>(std::shared_ptr<Connection>(), this)
              : std::static_pointer_cast<Connection>(shared_from_this());
      recordset->Open(Variant(sql), Variant(self), kOpenForwardOnly, kLockReadOnly, kCmdText);
      return recordset;
    }
  }
  int64_t changed = provider_->Execute(backend, {});
  records_affected_ = static_cast<int32_t>(std::min<int64_t>(changed, INT32_MAX));
  return nullptr;
}

Variant Connection::ExecuteForScript(std::string sql, Variant, std::optional<int32_t>) {
  std::shared_ptr<Recordset> result = Execute(std::move(sql));
  return result ? Variant(result) : Variant::Nothing();
}

std::shared_ptr<Recordset> Connection::OpenSchema(int32_t kind, Variant restrictions) {
  std::vector<Variant> list;
  if (restrictions.IsObject() && restrictions.AsObject()) {
    auto items = restrictions.AsObject()->Enumerate();
    if (!items) RaiseAdo(err::kInvalidArgument, kSource);
    list = std::move(*items);
  } else if (!restrictions.IsMissing() && !restrictions.IsEmpty() && !restrictions.IsNull()) {
    RaiseAdo(err::kInvalidArgument, kSource);
  }
  return OpenSchema(kind, list);
}

std::shared_ptr<Recordset> Connection::OpenSchema(int32_t kind,
                                                  const std::vector<Variant>& restrictions) {
  if (!provider_) RaiseAdo(err::kObjectClosed, kSource);
  return OpenSchemaRowset(*provider_, kind, restrictions);
}

std::shared_ptr<Recordset> Connection::OpenSchemaForScript(int32_t kind, Variant restrictions,
                                                           Variant) {
  return OpenSchema(kind, std::move(restrictions));
}

void Connection::Close() {
  if (!provider_) return;
  for (auto& weak : recordsets_)
    if (auto recordset = weak.lock()) recordset->ConnectionClosing();
  recordsets_.clear();
  if (transaction_depth_ > 0) {
    try {
      provider_->Rollback(1);
    } catch (const AutomationError&) {
    }
  }
  transaction_depth_ = 0;
  pending_writes_.clear();  // rolled back with the transaction
  write_marks_.clear();
  provider_.reset();
  properties_.reset();
}

int32_t Connection::BeginTrans() {
  if (!provider_) RaiseAdo(err::kObjectClosed, kSource);
  // A statement still reading would make the transaction's first write a read turned into a
  // write, which SQLite refuses at once (no waiting) when another connection writes.
  if (transaction_depth_ == 0) {
    for (auto& weak : recordsets_)
      if (auto recordset = weak.lock()) recordset->TransactionBeginning();
  }
  provider_->Begin(transaction_depth_ + 1);
  write_marks_.push_back(pending_writes_.size());
  return ++transaction_depth_;
}

void Connection::CommitTrans() {
  if (!provider_) RaiseAdo(err::kObjectClosed, kSource);
  if (transaction_depth_ == 0) RaiseAdo(kNoTransaction, kSource, "No transaction is active.");
  provider_->Commit(transaction_depth_);
  --transaction_depth_;
  if (!write_marks_.empty()) write_marks_.pop_back();
  if (transaction_depth_ == 0 && !pending_writes_.empty()) {
    std::vector<RowWrite> final_writes;
    final_writes.swap(pending_writes_);
    if (write_listener_) write_listener_(final_writes);
  }
}

void Connection::RowWritten(RowWrite write) {
  if (!write_listener_) return;
  if (transaction_depth_ > 0) {
    pending_writes_.push_back(std::move(write));
    return;
  }
  write_listener_(std::vector<RowWrite>{std::move(write)});
}

void Connection::RollbackTrans() {
  if (!provider_) RaiseAdo(err::kObjectClosed, kSource);
  if (transaction_depth_ == 0) RaiseAdo(kNoTransaction, kSource, "No transaction is active.");
  provider_->Rollback(transaction_depth_);
  --transaction_depth_;
  DiscardWritesSinceBegin();
}

void Connection::DiscardWritesSinceBegin() {
  if (write_marks_.empty()) return;
  pending_writes_.resize(std::min(pending_writes_.size(), write_marks_.back()));
  write_marks_.pop_back();
}

ado::Properties& Connection::Properties() {
  return *PropertiesObject();
}

std::shared_ptr<ado::Properties> Connection::PropertiesObject() {
  if (!properties_) {
    properties_ = std::make_shared<ado::Properties>();
    if (!provider_) return properties_;
    for (auto& [name, value] : provider_->Properties()) properties_->Add(name, value);
    // Then the initialization properties the string gave, under the names it gave them, as
    // pages know them from a connection: a key the provider reports already keeps the
    // provider's value, and a key given twice counts once, with its last value.
    auto given = ConnectionStringPairs(connection_string_);
    for (size_t i = 0; i < given.size(); ++i) {
      const auto& [name, value] = given[i];
      auto same_name = [&name = name](const auto& other) {
        return EqualsNoCase(other.first, name);
      };
      if (EqualsNoCase(name, "Provider") ||
          std::any_of(given.begin() + static_cast<std::ptrdiff_t>(i) + 1, given.end(), same_name))
        continue;
      if (!properties_->Has(name)) properties_->Add(name, Variant(value));
    }
  }
  return properties_;
}

}  // namespace korvex::ado
