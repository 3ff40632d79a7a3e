// A result written out whole as CSV (RFC 4180) or JSON, a piece at a time: rows are read as
// the client takes them, so an export never holds more of a table than one piece. Which rows
// (the list's table, a search's checked statement) is the built-in site's choice.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvex::ado {
class Connection;
class Recordset;
}  // namespace korvex::ado

namespace korvex::app {

enum class ExportFormat { kCsv, kJson };

/// "csv" or "json" (any case); nothing for any other name.
std::optional<ExportFormat> ExportFormatNamed(std::string_view name);

class RowExport {
 public:
  /// rows: open, on its first row; the connection is kept open for as long as the export.
  RowExport(std::shared_ptr<ado::Connection> connection, std::shared_ptr<ado::Recordset> rows,
            ExportFormat format);
  ~RowExport();
  RowExport(const RowExport&) = delete;
  RowExport& operator=(const RowExport&) = delete;

  /// Appends the next rows, about piece_bytes of them, to out; false once the export is
  /// whole (the last call appends its end: the JSON array's "]").
  bool Next(std::string& out, size_t piece_bytes = 32 * 1024);

 private:
  void AppendHead(std::string& out);
  void AppendRow(std::string& out);

  std::shared_ptr<ado::Connection> connection_;
  std::shared_ptr<ado::Recordset> rows_;
  ExportFormat format_;
  std::vector<std::string> names_;  // CSV: the header cells; JSON: the quoted keys with ':'
  std::vector<int32_t> types_;      // each column's data type
  bool started_ = false;
  bool finished_ = false;
  int64_t written_ = 0;
};

}  // namespace korvex::app
