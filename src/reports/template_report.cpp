// The template report, in the order the page shows it: the statement, the data, the template
// split at its loop keys, the header with the totals and links, the records of the current
// page, the footer. The report has a connection of its own, closed however it ends.
#include "reports/template_report.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "ado/ado_constants.h"
#include "ado/connection.h"
#include "ado/field.h"
#include "ado/recordset.h"
#include "ado/stream.h"
#include "component/admin_recordset.h"
#include "core/text.h"
#include "host/intrinsics.h"
#include "render/page_links.h"
#include "render/select_from_recordset.h"
#include "reports/base_template.h"
#include "reports/report_template.h"
#include "reports/template_files.h"

namespace korvex {

namespace {

constexpr int32_t kReportPageCode = -2;

class ClosingConnection {
 public:
  explicit ClosingConnection(std::shared_ptr<ado::Connection> connection)
      : connection_(std::move(connection)) {}
  ~ClosingConnection() {
    try {
      if (connection_->State() == 1) connection_->Close();
    } catch (...) {
      // Closing is tidying up; a failure here must not hide the report's own error.
    }
  }
  const std::shared_ptr<ado::Connection>& get() const { return connection_; }

 private:
  std::shared_ptr<ado::Connection> connection_;
};

// The table itself (with the report's own WHERE clause), or a statement given whole.
std::string SourceStatement(AdminRecordset& page, const HTMLReport& report,
                            const std::string& source) {
  const std::string recordset = page.recordset();
  if (source != recordset) return source;
  const std::string table = page.QuotedIdentifier(recordset);
  if (Trim(report.WhereClause, " ").empty()) return table;
  return "SELECT * FROM " + table + " " + report.WhereClause;
}

void WriteRecordsetXml(AdminRecordset& page, ado::Recordset& recordset) {
  auto stream = std::make_shared<ado::Stream>();
  stream->Open();
  recordset.Save(Variant(std::shared_ptr<Dispatch>(stream)), ado::kPersistXML);
  stream->Position(0);
  page.RW(stream->ReadText());
}

std::string TemplateText(AdminRecordset& page, const HTMLTemplate& keys) {
  if (keys.Path.empty()) return DoBaseTemplate(page, Variant::Missing(), false);
  return ReadTemplateFile(keys.Path);
}

// The header or footer with the totals and the page links.
std::string FillFrame(std::string_view text, const HTMLTemplate& keys, const PageSpan& span,
                      const std::string& links) {
  const std::string total = std::to_string(span.total), first = std::to_string(span.first),
                    last = std::to_string(span.last);
  const Placeholder placeholders[] = {{keys.TotalRecordsKey, total},
                                      {keys.FirstRecordInPageKey, first},
                                      {keys.LastRecordInPageKey, last},
                                      {keys.PaginationKey, links}};
  return Substitute(text, placeholders);
}

// The repeated section for the records of one page: only the fields the section names are read.
class RecordWriter {
 public:
  RecordWriter(AdminRecordset& page, ado::Recordset& recordset, std::string section)
      : page_(page), report_(*page.Report), section_(std::move(section)) {
    ado::Fields& fields = recordset.Fields();
    for (int32_t i = 0; i < fields.Count(); ++i) {
      std::shared_ptr<ado::Field> field = fields.Item(Variant(i));
      std::string placeholder = "{" + field->Name() + "}";
      if (section_.find(placeholder) == std::string::npos) continue;
      placeholders_.push_back(std::move(placeholder));
      fields_.push_back(std::move(field));
    }
  }

  std::string Merge(int64_t number, const std::string& record_count_key) {
    std::vector<std::string> values;
    values.reserve(fields_.size() + 1);
    values.push_back(std::to_string(number));
    for (const auto& field : fields_) values.push_back(ValueText(field->Value()));
    std::vector<Placeholder> placeholders;
    placeholders.reserve(values.size());
    placeholders.push_back({record_count_key, values[0]});
    for (size_t i = 0; i < fields_.size(); ++i)
      placeholders.push_back({placeholders_[i], values[i + 1]});
    return Substitute(section_, placeholders);
  }

 private:
  std::string ValueText(const Variant& value) const {
    std::string text = TextOrEmpty(value);
    if (report_.HtmlEncodeFields) return page_.HE(text, report_.ReplaceVbCrLf);
    if (report_.ReplaceVbCrLf) {
      static constexpr Placeholder kLineBreak[] = {{"\r\n", "<br>"}};
      return Substitute(text, kLineBreak);
    }
    return text;
  }

  AdminRecordset& page_;
  const HTMLReport& report_;
  std::string section_;
  std::vector<std::string> placeholders_;
  std::vector<std::shared_ptr<ado::Field>> fields_;
};

// Positions the recordset on the first record of the page; the records before it are passed
// over with one move, not read.
void WriteRecords(AdminRecordset& page, ado::Recordset& recordset, const PageSpan& span,
                  RecordWriter& writer, const std::string& record_count_key) {
  if (recordset.IsEOF()) return;
  recordset.MoveFirst();
  const int64_t first = std::max<int64_t>(span.first, 1);
  if (first > span.last) return;
  if (first > 1) recordset.Move(static_cast<int32_t>(first - 1));
  for (int64_t number = first; number <= span.last && !recordset.IsEOF(); ++number) {
    page.RW(writer.Merge(number, record_count_key));
    recordset.MoveNext();
  }
}

// False when a loop key is missing: its notice is written instead of the report.
bool MergeTemplate(AdminRecordset& page, ado::Recordset& recordset, const std::string& statement,
                   const HTMLTemplate& keys, int32_t page_size) {
  TemplateParts parts = SplitTemplate(TemplateText(page, keys), keys.BeginLoopKey, keys.EndLoopKey);
  if (!parts.missing.empty()) {
    page.RW(std::string(parts.missing));
    return false;
  }
  const int32_t current = CLng(page.Request().Item(Variant(page.ParamName("CP"))));
  PageSpan span;
  const std::string links =
      BuildPageLinks(page, recordset, statement, current, page_size, kReportPageCode, span);
  page.RW(FillFrame(parts.header, keys, span, links));
  RecordWriter writer(page, recordset, std::move(parts.section));
  WriteRecords(page, recordset, span, writer, keys.RecordCountKey);
  page.RW(FillFrame(parts.footer, keys, span, links));
  return true;
}

}  // namespace

void RenderTemplateReport(AdminRecordset& page, const std::string& source) {
  HTMLReport& report = *page.Report;
  const HTMLTemplate& keys = *report.Template;
  const int32_t page_size = report.PageSize;
  const std::string statement = SourceStatement(page, report, source);

  ClosingConnection connection(page.NewConnection());
  connection.get()->Open(page.ConnectionString(), "", "", -1);
  auto recordset = std::make_shared<ado::Recordset>();
  recordset->Open(Variant(statement), Variant(connection.get()), ado::kOpenKeyset,
                  ado::kLockOptimistic, ado::kCmdUnspecified);
  if (HasFilter(report.Filter)) recordset->Filter(report.Filter);

  if (report.IsXML) {
    WriteRecordsetXml(page, *recordset);
  } else if (!MergeTemplate(page, *recordset, statement, keys, page_size)) {
    return;
  }
  page.ActionPerformed = 256;
}

}  // namespace korvex
