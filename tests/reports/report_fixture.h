// Shared pieces of the report tests: a page whose AdminRecordset reaches the report screens,
// and template files in a temporary folder.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

#include "reports/base_template.h"
#include "reports/template_report.h"
#include "support/list_fixture.h"

namespace korvex::testing {

class ReportScreens : public Screens {
 public:
  void RenderTemplateReport(AdminRecordset& page, const std::string& source) override {
    korvex::RenderTemplateReport(page, source);
  }
  std::string DoBaseTemplate(AdminRecordset& page, const Variant& file_path,
                             bool overwrite) override {
    return korvex::DoBaseTemplate(page, file_path, overwrite);
  }
};

/// Runs a page at url on database with the report screens installed.
inline PageResult RunReportPage(const std::string& url, const std::string& database,
                                const std::function<void(AdminRecordset&)>& body) {
  static ReportScreens screens;
  return RunPage(
      url,
      [&](AdminRecordset& page) {
        UseDatabase(page, database);
        page.LinkSecret = kTestLinkSecret;
        body(page);
      },
      &screens);
}

inline std::string ReadFile(const std::filesystem::path& path) {
  std::stringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

inline void WriteFile(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

}  // namespace korvex::testing
