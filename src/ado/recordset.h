// Recordset: the rows of a table or query. A server-side recordset steps a prepared statement
// lazily and decodes a value only when a field is read; RecordCount runs a COUNT instead of
// fetching rows; far moves re-position by query. A client-side recordset (CursorLocation 3),
// a fabricated one (Fields.Append, then Open) and a schema rowset hold their rows in memory,
// where Filter and Sort work too. Writes locate the row by primary key, else by row id, and
// refuse to overwrite a row changed since it was read.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ado/field.h"
#include "ado/filter_expression.h"
#include "ado/provider.h"
#include "ado/row_write.h"
#include "core/dispatch.h"
#include "core/variant.h"

namespace korvex::ado {

class Connection;
class RowStore;
class TableLookup;
class ProviderCursor;
struct RecordSource;

class Recordset : public Dispatch, public PageObject {
 public:
  Recordset();
  ~Recordset() override;
  const MemberTable& Members() const override;
  /// Keeps the site root for a connection string given as ActiveConnection.
  void OnStartPage(const std::shared_ptr<Dispatch>& context) override;

  /// source: a table name (bare, [bracketed] or "quoted") or Jet SQL text; Missing for a
  /// fabricated recordset. active_connection: a Connection, a connection string, or Missing
  /// (the ActiveConnection already set). Cursor and lock -1 mean forward-only, read-only;
  /// options 2 takes the source as a table name, -1 guesses.
  void Open(Variant source = Variant::Missing(), Variant active_connection = Variant::Missing(),
            std::optional<int32_t> cursor_type = {}, std::optional<int32_t> lock_type = {},
            std::optional<int32_t> options = {});
  /// Discards a pending edit. A closed recordset may be opened again.
  void Close();
  int32_t State() const { return open_ ? 1 : 0; }

  // Named so because EOF is a macro of <cstdio>; bound as "EOF" and "BOF". The steps of a walk
  // over rows known to exist are inline: a list walks a million rows to reach its last page.
  bool IsEOF() { return OnKnownRow() ? false : IsEOFSlow(); }
  bool IsBOF();
  /// MoveFirst and MoveLast raise 3021 on an empty recordset; MoveNext at EOF and
  /// MovePrevious at BOF raise 3021.
  void MoveFirst();
  void MoveNext() {
    if (OnKnownRow())
      ++position_;
    else
      MoveNextSlow();
  }
  void MovePrevious();
  void MoveLast();
  /// Relative to the current record; stops at BOF or EOF.
  void Move(int32_t count);
  /// -1 for a forward-only cursor; otherwise the exact count, without fetching the rows.
  int32_t RecordCount();
  /// Position from 1 of the current record; setting it moves there.
  int32_t AbsolutePosition();
  void AbsolutePosition(int32_t position);

  ado::Fields& Fields() { return *fields_; }

  /// The filter text, or 0 when there is none.
  Variant Filter() const { return filter_; }
  /// Empty text or 0 clears it. An invalid filter raises 3001 and a name that is no field
  /// 3265, leaving the recordset as it was. Moves to the first record.
  void Filter(Variant filter);
  std::string Sort() const { return sort_; }
  /// "Name DESC, [Age]"; moves to the first record.
  void Sort(std::string sort);
  int32_t CursorLocation() const { return cursor_location_; }
  void CursorLocation(int32_t location);
  int32_t CursorType() const { return cursor_type_; }
  void CursorType(int32_t type);
  int32_t LockType() const { return lock_type_; }
  void LockType(int32_t type);
  std::string Source() const { return source_text_; }
  int32_t EditMode() const;
  /// The Connection object, or Nothing (detached, fabricated, or not set).
  Variant ActiveConnection() const;
  /// A Connection or a connection string before Open; Nothing detaches an open client-side
  /// recordset, which stays readable after its connection closes.
  void ActiveConnection(Variant connection);

  /// Starts a new record, filled with the columns' defaults; Update stores it.
  void AddNew();
  /// Stores the pending record. After an insert the record shows its generated key. A row
  /// changed or deleted since it was read raises -2147217864 and is left as it is.
  void Update();
  void CancelUpdate();
  /// Deletes the current record (the same check against changes as Update).
  void Delete();
  /// format 1 (XML, the default here): the XML persistence format. destination: a file name
  /// (which must not exist) or an object with WriteText (a stream).
  void Save(Variant destination, std::optional<int32_t> format = {});
  /// The XML persistence text of the rows (all of them, from the first).
  std::string SaveXml();

  // For Field and Fields.
  const FieldDef& Def(size_t index) const { return defs_[index]; }
  Variant FieldValue(size_t index);
  Variant FieldOriginalValue(size_t index);
  void SetFieldValue(size_t index, const Variant& value);
  int32_t FieldActualSize(size_t index);
  void AppendField(FieldDef def);

  // For Connection.
  /// The connection closes: a client-side recordset keeps its rows, any other closes.
  void ConnectionClosing();
  /// The connection begins a transaction: the statement still reading rows ends first, the
  /// current record kept in memory until the next move.
  void TransactionBeginning();
  /// An in-memory recordset with the given fields and rows (schema rowsets).
  void OpenRows(std::vector<FieldDef> defs, std::vector<std::vector<DbValue>> rows);

 private:
  /// On a row known to exist, with nothing pending.
  bool OnKnownRow() const {
    return position_ >= 0 && position_ < rows_known_ && edit_.mode == 0 && !pinned_ &&
           !current_deleted_ && !added_position_unknown_;
  }
  bool IsEOFSlow();
  void MoveNextSlow();

  struct SortKey {
    size_t field;
    bool descending;
  };

  void RequireOpen() const;
  void RequireCurrent();
  void RequireUpdatable() const;
  bool HasRow(int64_t position);
  void LeaveRecord();
  void ResolveAddedPosition();
  void BuildFields(std::vector<FieldDef> defs);
  void OpenFabricated();
  void OpenSource(const Variant& source, int32_t options);
  std::vector<FieldDef> DescribeColumns(const ProviderCursor& cursor, bool hidden_row_id,
                                        TableLookup& tables);
  std::shared_ptr<Connection> ConnectionForOpen();
  void Arrange(const FilterExpression& filter, const std::vector<SortKey>& sort);
  std::vector<SortKey> ParseSort(std::string_view text) const;
  DbValue CurrentRaw(size_t index);
  /// The columns a write gives back: each field's stored column (Null for computed ones),
  /// then the row id when the rows carry it.
  std::string StoredColumnList() const;
  /// Runs an INSERT or UPDATE that returns the row it wrote; nothing when it wrote none.
  std::vector<DbValue> WriteReturningRow(const std::string& sql, std::span<const DbValue> params);
  std::string WhereCurrentRow(std::vector<DbValue>& params);
  /// The current row's write as the connection's listener is told of it, before the
  /// statement runs; nothing when no one listens.
  std::optional<RowWrite> DescribeWrite(RowWrite::Action action);
  /// Completes the write with the row as the database gave it back (nothing for a delete)
  /// and tells the connection.
  void TellWrite(std::optional<RowWrite> write, const std::vector<DbValue>& stored);
  void DeleteForScript(std::optional<int32_t> affect_records);
  void UpdateForScript(Variant fields, Variant values);
  std::shared_ptr<ado::Fields> FieldsObject() { return fields_; }

  bool open_ = false;
  bool fabricated_ = false;
  int32_t cursor_type_ = 0;
  int32_t lock_type_ = 1;
  int32_t cursor_location_ = 2;
  std::string source_text_;
  std::shared_ptr<Connection> connection_;
  bool owns_connection_ = false;  // opened from a connection string: closed with the recordset
  std::optional<std::string> connection_string_;
  std::optional<std::filesystem::path> base_directory_;
  std::shared_ptr<ProviderConnection> session_;  // rows and writes go through it
  std::shared_ptr<const RecordSource> source_;
  std::vector<FieldDef> defs_;
  bool has_row_id_ = false;  // the stored rows carry the row id after the fields
  std::shared_ptr<ado::Fields> fields_;
  std::unique_ptr<RowStore> rows_;
  int64_t position_ = -1;  // from 0; -1 before the first record
  /// Rows known to exist in rows_ as it is now: a walk inside them asks the store nothing.
  int64_t rows_known_ = 0;
  Variant filter_ = Variant(int32_t{0});
  FilterExpression filter_expression_;
  std::string sort_;

  // The record being edited (EditMode 1) or added (EditMode 2).
  struct Edit {
    int32_t mode = 0;
    std::vector<std::optional<DbValue>> values;  // assigned values, by field
    std::vector<DbValue> defaults;               // a new record's defaults, by field
  };
  Edit edit_;
  /// The record as stored by the last Update (with its row id), shown until the next move.
  std::optional<std::vector<DbValue>> pinned_;
  bool added_position_unknown_ = false;  // the pinned record was inserted: its place follows
  bool current_deleted_ = false;
};

}  // namespace korvex::ado
