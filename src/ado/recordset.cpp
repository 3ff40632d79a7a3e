// Recordset: opening on a table, a query or fabricated fields; moving; counting; detaching.
// Filter and Sort are in recordset_filter.cpp, writes in recordset_write.cpp, the XML form in
// xml_persist.cpp.
#include "ado/recordset.h"

#include <algorithm>
#include <map>

#include "ado/ado_constants.h"
#include "ado/ado_errors.h"
#include "ado/connection.h"
#include "ado/field_types.h"
#include "ado/row_store.h"
#include "core/member_table.h"

namespace korvex::ado {

namespace {

constexpr std::string_view kSource = "ADODB.Recordset";

int32_t ClampToLong(int64_t n) {
  return static_cast<int32_t>(std::min<int64_t>(n, INT32_MAX));
}

bool IsNothing(const Variant& v) {
  return v.IsObject() && !v.AsObject();
}

}  // namespace

Recordset::Recordset() : fields_(std::make_shared<ado::Fields>(this)) {}

Recordset::~Recordset() {
  fields_->Detach();
  if (owns_connection_ && connection_) {
    try {
      connection_->Close();
    } catch (...) {
    }
  }
}

const MemberTable& Recordset::Members() const {
  static const MemberTable table(
      "Recordset",
      {
          Accessor("AbsolutePosition", &Recordset::AbsolutePosition, &Recordset::AbsolutePosition),
          Accessor("ActiveConnection", &Recordset::ActiveConnection, &Recordset::ActiveConnection),
          Method("AddNew", &Recordset::AddNew),
          Getter("BOF", &Recordset::IsBOF),
          Method("CancelUpdate", &Recordset::CancelUpdate),
          Method("Close", &Recordset::Close),
          Accessor("CursorLocation", &Recordset::CursorLocation, &Recordset::CursorLocation),
          Accessor("CursorType", &Recordset::CursorType, &Recordset::CursorType),
          Method("Delete", &Recordset::DeleteForScript),
          Getter("EditMode", &Recordset::EditMode),
          Getter("EOF", &Recordset::IsEOF),
          Getter("Fields", &Recordset::FieldsObject).Default(),
          Accessor("Filter", &Recordset::Filter, &Recordset::Filter),
          Accessor("LockType", &Recordset::LockType, &Recordset::LockType),
          Method("Move", &Recordset::Move),
          Method("MoveFirst", &Recordset::MoveFirst),
          Method("MoveLast", &Recordset::MoveLast),
          Method("MoveNext", &Recordset::MoveNext),
          Method("MovePrevious", &Recordset::MovePrevious),
          Method("Open", &Recordset::Open),
          Getter("RecordCount", &Recordset::RecordCount),
          Method("Save", &Recordset::Save),
          Accessor("Sort", &Recordset::Sort, &Recordset::Sort),
          Getter("Source", &Recordset::Source),
          Getter("State", &Recordset::State),
          Method("Update", &Recordset::UpdateForScript),
      });
  return table;
}

void Recordset::OnStartPage(const std::shared_ptr<Dispatch>& context) {
  base_directory_ = SiteRootOf(context);
}

// ---- State checks --------------------------------------------------------------------------

void Recordset::RequireOpen() const {
  if (!open_) RaiseAdo(err::kObjectClosed, kSource);
}

bool Recordset::HasRow(int64_t position) {
  if (position >= 0 && position < rows_known_) return true;
  if (!rows_ || !rows_->Exists(position)) return false;
  rows_known_ = std::max(rows_known_, rows_->KnownCount().value_or(position + 1));
  return true;
}

void Recordset::RequireCurrent() {
  RequireOpen();
  if (pinned_ || edit_.mode == kEditAdd) return;
  if (current_deleted_ || position_ < 0 || !HasRow(position_))
    RaiseAdo(err::kNoCurrentRecord, kSource);
}

// ---- Opening -------------------------------------------------------------------------------

void Recordset::CursorLocation(int32_t location) {
  if (open_) RaiseAdo(err::kObjectOpen, kSource);
  if (location == 1) location = kUseServer;
  if (location != kUseServer && location != kUseClient) RaiseAdo(err::kInvalidArgument, kSource);
  cursor_location_ = location;
}

void Recordset::CursorType(int32_t type) {
  if (open_) RaiseAdo(err::kObjectOpen, kSource);
  cursor_type_ = type < 0 ? kOpenForwardOnly : type;
}

void Recordset::LockType(int32_t type) {
  if (open_) RaiseAdo(err::kObjectOpen, kSource);
  lock_type_ = type < 0 ? kLockReadOnly : type;
}

Variant Recordset::ActiveConnection() const {
  return connection_ ? Variant(connection_) : Variant::Nothing();
}

void Recordset::ActiveConnection(Variant connection) {
  bool detach = IsNothing(connection) || connection.IsNull() || connection.IsEmpty();
  if (open_) {
    // Only rows held in memory can outlive their connection.
    if (!detach || !rows_ || !rows_->InMemory()) RaiseAdo(err::kObjectOpen, kSource);
    LeaveRecord();
    session_.reset();
    if (owns_connection_ && connection_) connection_->Close();
    owns_connection_ = false;
    connection_.reset();
    return;
  }
  if (owns_connection_ && connection_) connection_->Close();
  owns_connection_ = false;
  connection_.reset();
  connection_string_.reset();
  if (detach) return;
  if (connection.IsObject()) {
    connection_ = RequireObjectOf<Connection>(connection);
    // Recordsets take the client-side cursor of a connection that asks for it.
    if (connection_->CursorLocation == kUseClient) cursor_location_ = kUseClient;
  } else {
    connection_string_ = ToText(connection);
  }
}

std::shared_ptr<Connection> Recordset::ConnectionForOpen() {
  if (connection_) {
    if (connection_->State() != kStateOpen) RaiseAdo(err::kConnectionUnusable, kSource);
    return connection_;
  }
  if (!connection_string_) RaiseAdo(err::kConnectionUnusable, kSource);
  auto connection = std::make_shared<Connection>();
  if (base_directory_) connection->BaseDirectory(*base_directory_);
  connection->Open(*connection_string_);
  connection_ = connection;
  owns_connection_ = true;
  return connection;
}

void Recordset::Open(Variant source, Variant active_connection, std::optional<int32_t> cursor_type,
                     std::optional<int32_t> lock_type, std::optional<int32_t> options) {
  if (open_) RaiseAdo(err::kObjectOpen, kSource);
  if (!active_connection.IsMissing()) ActiveConnection(active_connection);
  if (cursor_type) CursorType(*cursor_type);
  if (lock_type) LockType(*lock_type);
  bool no_source = source.IsMissing() || source.IsEmpty() || source.IsNull();
  if (no_source && !connection_ && !connection_string_) {
    OpenFabricated();
    return;
  }
  if (no_source || source.IsObject()) RaiseAdo(err::kInvalidArgument, kSource);
  OpenSource(source, options.value_or(kCmdUnspecified));
}

void Recordset::OpenFabricated() {
  if (defs_.empty()) RaiseAdo(err::kConnectionUnusable, kSource);
  fabricated_ = true;
  if (lock_type_ == kLockReadOnly) lock_type_ = kLockBatchOptimistic;
  cursor_type_ = kOpenStatic;
  cursor_location_ = kUseClient;
  has_row_id_ = false;
  rows_ = std::make_unique<MemoryRows>(defs_.size(), std::vector<std::vector<DbValue>>{});
  rows_known_ = 0;
  BuildFields(defs_);
  open_ = true;
  position_ = 0;
}

void Recordset::OpenRows(std::vector<FieldDef> defs, std::vector<std::vector<DbValue>> rows) {
  if (open_) RaiseAdo(err::kObjectOpen, kSource);
  size_t columns = defs.size();
  rows_ = std::make_unique<MemoryRows>(columns, std::move(rows));
  rows_known_ = 0;
  has_row_id_ = false;
  cursor_type_ = kOpenStatic;
  lock_type_ = kLockReadOnly;
  cursor_location_ = kUseClient;
  BuildFields(std::move(defs));
  open_ = true;
  position_ = 0;
}

void Recordset::OpenSource(const Variant& source, int32_t options) {
  std::shared_ptr<Connection> connection = ConnectionForOpen();
  try {
    session_ = connection->SharedSession();
    source_text_ = ToText(source);
    TableLookup tables(*session_);
    std::shared_ptr<RecordSource> built;
    if (auto table = TableNameOf(source_text_, options)) {
      built = TableSource(tables, *table);
    } else {
      built = QuerySource(tables, connection->Translate(source_text_));
    }
    RowQuery query{built, "", ""};
    std::unique_ptr<ProviderCursor> first = StartRows(*session_, query);
    has_row_id_ = built->row_ordered;
    std::vector<FieldDef> defs = DescribeColumns(*first, has_row_id_, tables);

    // Writes go to the one table every stored column comes from.
    if (built->write_table.empty()) {
      std::string table;
      bool one_table = true;
      for (const FieldDef& d : defs) {
        if (d.base_table.empty()) continue;
        if (table.empty()) table = d.base_table;
        if (!EqualsNoCase(table, d.base_table)) one_table = false;
      }
      if (one_table && !table.empty()) {
        const std::optional<TableInfo>& info = tables.Describe(table);
        if (info && info->kind == TableKind::Table) {
          built->write_table = info->name;
          built->write_info = info;
        }
      }
    }
    source_ = built;
    auto server = std::make_unique<ServerRows>(session_, query, std::move(first));

    // A column without a declared type (an expression) takes its type from its first value.
    bool typeless = std::any_of(defs.begin(), defs.end(),
                                [](const FieldDef& d) { return d.type == type::kEmpty; });
    if (typeless) {
      bool any = server->Exists(0);
      for (size_t i = 0; i < defs.size(); ++i)
        if (defs[i].type == type::kEmpty) {
          int32_t attributes = defs[i].attributes;
          CompleteDefForType(defs[i], any ? TypeOfValue(server->Value(0, i)) : type::kVarWChar, 0);
          defs[i].attributes |= attributes;
        }
    }
    if (cursor_location_ == kUseClient) {
      cursor_type_ = kOpenStatic;
      size_t columns = server->ColumnCount();
      rows_ = std::make_unique<MemoryRows>(columns, server->ReadAll());
    } else {
      rows_ = std::move(server);
    }
    BuildFields(std::move(defs));
  } catch (...) {
    session_.reset();
    source_.reset();
    rows_.reset();
    if (owns_connection_) {
      connection_->Close();
      connection_.reset();
      owns_connection_ = false;
    }
    throw;
  }
  fabricated_ = false;
  open_ = true;
  position_ = 0;
  rows_known_ = 0;
  filter_ = Variant(int32_t{0});
  filter_expression_ = FilterExpression();
  sort_.clear();
  if (weak_from_this().lock())
    connection->Attach(std::static_pointer_cast<Recordset>(shared_from_this()));
}

std::vector<FieldDef> Recordset::DescribeColumns(const ProviderCursor& cursor, bool hidden_row_id,
                                                 TableLookup& tables) {
  size_t count = cursor.ColumnCount() - (hidden_row_id ? 1 : 0);
  std::vector<FieldDef> defs;
  for (size_t i = 0; i < count; ++i) {
    const ColumnMeta& meta = cursor.Column(i);
    FieldDef def = DefFromDeclaredType(meta.declared_type);
    def.name = meta.name;
    def.base_table = meta.base_table;
    def.base_column = meta.base_column;
    const ColumnInfo* column = nullptr;
    if (!meta.base_table.empty()) {
      if (const std::optional<TableInfo>& info = tables.Describe(meta.base_table))
        for (const ColumnInfo& c : info->columns)
          if (EqualsNoCase(c.name, meta.base_column)) column = &c;
    }
    if (!column || !column->not_null) def.attributes |= attr::kIsNullable | attr::kMayBeNull;
    if (column) {
      def.auto_increment = column->auto_increment;
      def.key_column = column->primary_key_ordinal > 0;
      if (def.key_column) def.attributes |= attr::kKeyColumn;
      if (lock_type_ != kLockReadOnly && !def.auto_increment && !column->generated)
        def.attributes |= attr::kUpdatable;
    }
    defs.push_back(std::move(def));
  }
  return defs;
}

void Recordset::BuildFields(std::vector<FieldDef> defs) {
  defs_ = std::move(defs);
  fields_->Reset(defs_.size());
}

void Recordset::AppendField(FieldDef def) {
  if (open_) RaiseAdo(err::kObjectOpen, kSource);
  if (!fabricated_ && !defs_.empty() && source_) {
    defs_.clear();
    source_.reset();
  }
  for (const FieldDef& d : defs_)
    if (EqualsNoCase(d.name, def.name)) RaiseAdo(err::kInvalidArgument, kSource);
  defs_.push_back(std::move(def));
  fabricated_ = true;
  fields_->Reset(defs_.size());
}

void Recordset::Close() {
  RequireOpen();
  edit_ = Edit();
  pinned_.reset();
  current_deleted_ = false;
  added_position_unknown_ = false;
  rows_.reset();
  rows_known_ = 0;
  session_.reset();
  source_.reset();
  open_ = false;
  position_ = -1;
  filter_ = Variant(int32_t{0});
  filter_expression_ = FilterExpression();
  sort_.clear();
  if (owns_connection_ && connection_) {
    connection_->Close();
    connection_.reset();
    owns_connection_ = false;
  }
  if (!fabricated_) {
    defs_.clear();
    fields_->Reset(0);
  }
}

void Recordset::ConnectionClosing() {
  if (!open_) return;
  if (rows_ && rows_->InMemory()) {
    LeaveRecord();
    session_.reset();
    connection_.reset();
    owns_connection_ = false;
    return;
  }
  owns_connection_ = false;
  Close();
  connection_.reset();
}

void Recordset::TransactionBeginning() {
  if (!open_ || !rows_ || rows_->InMemory()) return;
  const bool on_record = !pinned_ && edit_.mode != kEditAdd && !current_deleted_ &&
                         !added_position_unknown_ && position_ >= 0 && HasRow(position_);
  if (on_record) {
    std::vector<DbValue> row;
    for (size_t i = 0; i < defs_.size() + (has_row_id_ ? 1 : 0); ++i)
      row.push_back(rows_->Value(position_, i));
    pinned_ = std::move(row);
  }
  rows_->EndStatement();
}

// ---- Position ------------------------------------------------------------------------------

bool Recordset::IsEOFSlow() {
  RequireOpen();
  if (pinned_ || edit_.mode == kEditAdd) return false;
  return !HasRow(std::max<int64_t>(position_, 0));
}

bool Recordset::IsBOF() {
  RequireOpen();
  if (pinned_ || edit_.mode == kEditAdd) return false;
  return position_ < 0 || !HasRow(0);
}

void Recordset::LeaveRecord() {
  if (edit_.mode != kEditNone) {
    bool assigned = std::any_of(edit_.values.begin(), edit_.values.end(),
                                [](const auto& v) { return v.has_value(); });
    if (assigned)
      Update();
    else
      CancelUpdate();
  }
  ResolveAddedPosition();
  pinned_.reset();
}

void Recordset::ResolveAddedPosition() {
  if (!added_position_unknown_) return;
  added_position_unknown_ = false;
  position_ = rows_->Count() - 1;
}

void Recordset::MoveFirst() {
  RequireOpen();
  LeaveRecord();
  current_deleted_ = false;
  if (!HasRow(0)) RaiseAdo(err::kNoCurrentRecord, kSource);
  position_ = 0;
}

void Recordset::MoveLast() {
  RequireOpen();
  LeaveRecord();
  current_deleted_ = false;
  int64_t count = rows_->Count();
  if (count == 0) RaiseAdo(err::kNoCurrentRecord, kSource);
  position_ = count - 1;
}

void Recordset::MoveNextSlow() {
  RequireOpen();
  LeaveRecord();
  if (current_deleted_) {
    current_deleted_ = false;  // the next record moved up into the deleted one's place
    return;
  }
  if (IsEOF()) RaiseAdo(err::kNoCurrentRecord, kSource);
  ++position_;
}

void Recordset::MovePrevious() {
  RequireOpen();
  LeaveRecord();
  if (current_deleted_) {
    current_deleted_ = false;
    --position_;
    return;
  }
  if (IsBOF()) RaiseAdo(err::kNoCurrentRecord, kSource);
  if (!HasRow(position_)) position_ = rows_->Count();  // from EOF: the last record
  --position_;
}

void Recordset::Move(int32_t count) {
  RequireOpen();
  LeaveRecord();
  current_deleted_ = false;
  if (count == 0) return;
  if (count > 0 && IsEOF()) RaiseAdo(err::kNoCurrentRecord, kSource);
  if (count < 0 && IsBOF()) RaiseAdo(err::kNoCurrentRecord, kSource);
  int64_t from = position_ < 0 ? -1 : HasRow(position_) ? position_ : rows_->Count();
  int64_t target = from + count;
  if (target < 0) {
    position_ = -1;
  } else if (!HasRow(target)) {
    position_ = rows_->Count();
  } else {
    position_ = target;
  }
}

int32_t Recordset::RecordCount() {
  RequireOpen();
  if (cursor_type_ == kOpenForwardOnly && !rows_->InMemory()) return -1;
  return ClampToLong(rows_->Count());
}

int32_t Recordset::AbsolutePosition() {
  RequireOpen();
  if (IsBOF() && position_ < 0) return -2;
  if (IsEOF()) return -3;
  ResolveAddedPosition();
  return ClampToLong(position_ + 1);
}

void Recordset::AbsolutePosition(int32_t position) {
  RequireOpen();
  LeaveRecord();
  if (position < 1 || !HasRow(position - 1)) RaiseAdo(err::kInvalidArgument, kSource);
  current_deleted_ = false;
  position_ = position - 1;
}

int32_t Recordset::EditMode() const {
  return edit_.mode;
}

}  // namespace korvex::ado
