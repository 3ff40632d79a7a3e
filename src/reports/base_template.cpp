// The starting template and DoBaseTemplate; see base_template.h. Names are written HTML-encoded
// where they are shown, and exactly as the provider reports them inside the placeholders, which
// the report matches byte for byte.
#include "reports/base_template.h"

#include "ado/ado_constants.h"
#include "ado/connection.h"
#include "ado/field.h"
#include "ado/recordset.h"
#include "component/admin_recordset.h"
#include "component/field_model.h"
#include "render/html_text.h"
#include "reports/template_files.h"

namespace korvex {

namespace {

// One line per field: its name and placeholder, or for a type the report cannot show a
// comment saying so.
void AppendFieldEntries(HtmlText& out, AdminRecordset& page, const std::string& recordset) {
  // Taken as a table or query name whatever it holds: the name may come from the request.
  auto rs = std::make_shared<ado::Recordset>();
  rs->Open(Variant(recordset), Variant(page.Connection()), ado::kOpenDynamic, ado::kLockReadOnly,
           ado::kCmdTable);
  ado::Fields& fields = rs->Fields();
  for (int32_t i = 0; i < fields.Count(); ++i) {
    std::shared_ptr<ado::Field> field = fields.Item(Variant(i));
    const std::string name = field->Name();
    if (IsSupportedType(field->Type())) {
      out.Raw("<li><FONT face=Arial size=2>").Html(name).Raw(": {").Raw(name);
      out.Raw("}</FONT><br>").Crlf();
    } else {
      out.Raw("<!-- KorVex Template Generator Comment:").Crlf();
      out.Raw("     I've found a non supported field! ").Crlf();
      out.Raw("     The Field Name  is: ").Html(name).Crlf();
      out.Raw("     Field Type is: ").Number(field->Type()).Crlf();
      out.Raw(" -->");
    }
  }
  rs->Close();
}

void WriteHelpPage(AdminRecordset& page, const std::string& file_path) {
  const std::string q = "\"";
  page.RW("Your Base Template is now ready in " + page.HE(file_path) + " <br>");
  page.RW("You can edit the file with your favorite HTML editor.<br>");
  page.RW("Read carefully the HTML generated in order to understand how a template work.<br>");
  page.RW(
      "Once you are done you can generate a report with korvex by using the following asp code:");
  page.RW("<br><hr><br><code>Set KRVX = Server.CreateObject(" + q + "Korvex.AdminRecordset" + q +
          ")<br>");
  page.RW("KRVX.DatabasePath = " + q + page.HE(page.DatabasePath()) + q + "<br>");
  page.RW("KRVX.Recordset = " + q + page.HE(page.recordset()) + q + "<br>");
  page.RW("krvx.report.template.path = " + q + page.HE(file_path) + q + " <br>");
  page.RW("krvx.DoReport</code><br><br><hr><br><br>");
  page.RW("Have Fun!");
}

}  // namespace

std::string BaseTemplateText(AdminRecordset& page) {
  const HTMLTemplate& keys = *page.Report->Template;
  const std::string recordset = page.recordset();
  HtmlText out(page);
  out.Raw("<HTML>").Crlf();
  out.Raw("<HEAD>").Crlf();
  out.Raw("<META NAME='GENERATOR' Content='KorVex v.").Raw(page.Version()).Raw("'>").Crlf();
  out.Raw("<TITLE>").Html(recordset).Raw(" Report</TITLE>").Crlf();
  out.Raw("</HEAD>").Crlf();
  out.Raw("<BODY>").Crlf();
  out.Raw("<h1><FONT face=Arial color=crimson>").Html(recordset).Raw(" Report </FONT></h1>").Crlf();
  out.Raw("<FONT face=Arial size=3>Use the following links to navigate through pages: <br>").Crlf();
  out.Raw(keys.PaginationKey).Raw("</font><br>").Crlf();
  out.Raw("<FONT face=Arial size=2>In this page you can see records ").Crlf();
  out.Raw(keys.FirstRecordInPageKey).Crlf();
  out.Raw(" to ").Raw(keys.LastRecordInPageKey).Crlf();
  out.Raw(" on a total of ").Raw(keys.TotalRecordsKey).Raw(" </FONT><br>").Crlf();
  out.Raw(keys.BeginLoopKey).Crlf();
  out.Raw("<hr>").Crlf();
  out.Raw("<h3><FONT face=Arial >This is Record number ").Raw(keys.RecordCountKey);
  out.Raw("</FONT></H3>").Raw("<ul>").Crlf();
  AppendFieldEntries(out, page, recordset);
  out.Raw("</ul>").Crlf();
  out.Raw(keys.EndLoopKey).Crlf();
  out.Raw("</ul>")
      .Raw("<FONT face=Arial size=3>Use the following links to navigate through pages: <br>")
      .Crlf();
  out.Raw(keys.PaginationKey).Raw("</font><br>").Crlf();
  out.Raw("<P>&nbsp;</P>").Crlf();
  out.Raw("</BODY>").Crlf();
  out.Raw("</HTML>").Crlf();
  out.Crlf().Crlf().Crlf();
  return out.Take();
}

std::string DoBaseTemplate(AdminRecordset& page, const Variant& file_path, bool overwrite) {
  std::string path;
  try {
    std::string text = BaseTemplateText(page);
    if (file_path.IsMissing()) return text;
    path = ToText(file_path);
    WriteTemplateFile(path, text, overwrite);
    WriteHelpPage(page, path);
  } catch (const AutomationError& error) {
    page.WriteError(error);
    if (error.number() == err::kFileAlreadyExists) {
      page.RW("It is impossible to overwrite the file at the moment. ");
      page.RW("Please call the method with the overwrite flag if you want to replace or delete ");
      page.RW("the existing file " + page.HE(path));
    }
  }
  return "";
}

}  // namespace korvex
