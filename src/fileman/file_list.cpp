// The upper frame: every file of the managed folder, sorted by name, each with its thumbnail
// cell, its links and its size. A file name reaches the page only through the encoder of the
// place it is written to: HTML text and attributes, URLs, or script strings in attributes.
#include <algorithm>
#include <system_error>
#include <vector>

#include "component/admin_recordset.h"
#include "component/field_model.h"
#include "component/image_size.h"
#include "component/settings/html_java_scripts.h"
#include "core/automation_error.h"
#include "fileman/console.h"
#include "fileman/file_manager.h"
#include "fileman/file_rules.h"
#include "host/intrinsics.h"
#include "render/client_scripts.h"
#include "render/html_text.h"

namespace korvex {

namespace {

namespace fs = std::filesystem;

struct ListedFile {
  std::string name;
  uintmax_t size = 0;
  /// After the last ".", upper case; the whole name upper case without one.
  std::string extension;
};

// The files directly in the folder, by name in byte order as the in-memory recordset sorts
// them. Links are left out: whatever they point at may lie outside the folder.
std::vector<ListedFile> ListFolder(const fs::path& folder) {
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  if (ec) RaiseRuntimeError(err::kPathNotFound);
  std::vector<ListedFile> files;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) RaiseRuntimeError(err::kPathNotFound);
    if (it->is_symlink(ec) || !it->is_regular_file(ec)) continue;
    ListedFile file;
    file.name = it->path().filename().string();
    file.size = it->file_size(ec);
    // Unlike the extension test, a name without a dot is its own extension here.
    file.extension =
        ExtensionOf(file.name.find('.') == std::string::npos ? "." + file.name : file.name);
    files.push_back(std::move(file));
  }
  std::sort(files.begin(), files.end(),
            [](const ListedFile& a, const ListedFile& b) { return a.name < b.name; });
  return files;
}

// Kilobytes rounded half up, with thousands separated by ",".
std::string Kilobytes(uintmax_t bytes) {
  std::string digits = std::to_string((bytes + 512) / 1024);
  std::string grouped;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  return grouped;
}

std::string FirstLetterUpper(const std::string& name) {
  std::string first(LeftChars(name, 1));
  if (first.size() == 1 && first[0] >= 'a' && first[0] <= 'z') first[0] -= 'a' - 'A';
  return first;
}

std::string ScriptAttribute(std::string_view text) {
  return HTMLJavaScripts::JsEscapeForAttribute(text);
}

class FileList {
 public:
  FileList(AdminRecordset& page, ReturnTarget target)
      : page_(page), files_(*page.FileMan), target_(std::move(target)), out_(page) {
    width_ = CInt(files_.ThumbnailsWidth);
    margin_ = CInt(files_.ThumbnailsMargin);
    height_ = CInt(files_.ThumbnailsHeight);
  }

  std::string Render(const fs::path& folder) {
    out_.Raw(files_.ListHead).Raw("<a name=@></a>");
    out_.Raw("<script>").Raw(FieldFinderScript()).Raw("</script>");
    for (const ListedFile& file : ListFolder(folder)) {
      if (files_.ShowThumbnails) WriteThumbnailCell(folder, file);
      WriteLinks(file);
      out_.Raw(files_.ItemFoot);
      if (files_.ShowThumbnails) out_.Raw("</td></tr></table>");
      out_.Crlf().Raw("<!-->");
    }
    out_.Raw("<a name='Z'></a>").Raw(files_.ListFoot);
    return out_.Take();
  }

 private:
  void WriteThumbnailCell(const fs::path& folder, const ListedFile& file) {
    out_.Raw("<table border=0><tr><td border=1 width=").Number(margin_ + width_);
    out_.Raw(" height=").Number(margin_ + height_);
    out_.Raw(" align=center valign=middle bgcolor=#CCCCCC>");
    if (!IsInCollection(Variant(file.extension), *files_.ImagesExtensions)) {
      out_.Raw("N/A");
    } else if (ImageSize image = GetImageSize(folder / file.name); image.recognised) {
      std::string window = file.name;
      std::replace(window.begin(), window.end(), '.', '_');
      out_.Raw(" <a href='#").Html(file.name).Raw("' ");
      out_.Raw(" onClick=\"window.open('")
          .Raw(ScriptAttribute(files_.Path() + PathSegment(file.name)));
      out_.Raw("','").Raw(ScriptAttribute(window)).Raw("' , 'width=").Number(image.width);
      out_.Raw(",height=").Number(image.height).Raw("' )   \"");
      out_.Raw("><img src=\"").Raw(files_.Path()).Html(PathSegment(file.name)).Raw("\" ");
      out_.Raw(ThumbnailAttribute(image, Variant(width_), Variant(height_)));
      out_.Raw(" align=\"middle\" border=\"0\"></a>");
    } else {
      out_.Raw(" </td><td align=\"center\">bad image</td>");
    }
    out_.Raw("</td><td>");
  }

  void WriteLinks(const ListedFile& file) {
    out_.Raw(files_.ItemHead).Raw("<a name='").Html(FirstLetterUpper(file.name)).Raw("'></a>");
    if (files_.AllowView) {
      out_.Raw(" <a href='")
          .Raw(files_.Path())
          .Html(PathSegment(file.name))
          .Raw("' target='_blank'>");
      out_.Raw(TextOrEmpty(files_.ViewCaption)).Raw("</a>");
    }
    if (files_.AllowDelete) WriteConsoleLink(15, file, files_.DeleteCaption);
    if (files_.AllowRename) WriteConsoleLink(16, file, files_.RenameCaption);
    if (files_.AllowSelect) {
      out_.Raw(" <a href='#' onClick=\"parent.opener.document.forms['");
      out_.Raw(ScriptAttribute(target_.form)).Raw("'].elements['");
      out_.Raw(ScriptAttribute(target_.field)).Raw("'].value='");
      out_.Raw(ScriptAttribute(file.name)).Raw("';parent.close()\">");
      out_.Raw(TextOrEmpty(files_.SelectCaption)).Raw("</a> ");
    }
    out_.Raw(" <a name='").Html(file.name).Raw("'></a>").Html(file.name);
    out_.Raw(" (").Raw(Kilobytes(file.size)).Raw(" kB)");
  }

  void WriteConsoleLink(int code, const ListedFile& file, const Variant& caption) {
    out_.Raw(" <a href='").Html(ScriptUrl(page_, code)).Raw("&FileName=").Url(file.name);
    out_.Raw("' target='console'>").Raw(TextOrEmpty(caption)).Raw("</a> ");
  }

  AdminRecordset& page_;
  const filFileMan& files_;
  const ReturnTarget target_;
  HtmlText out_;
  int width_ = 0, margin_ = 0, height_ = 0;
};

}  // namespace

void RenderFileManList(AdminRecordset& page) {
  page.Response().Clear();
  ReturnTarget target{page.RequestItem("returnfield"), page.RequestItem("returnform")};
  FileList list(page, target);
  // The console, delete and rename pages are reached without these; they read them here.
  host::Session& session = page.Session();
  if (!target.field.empty()) session.SetValue(page.ParamName("returnfield"), Variant(target.field));
  if (!target.form.empty()) session.SetValue(page.ParamName("returnform"), Variant(target.form));
  page.RW(list.Render(ManagedFolder(page)));
  page.Response().End();
}

}  // namespace korvex
