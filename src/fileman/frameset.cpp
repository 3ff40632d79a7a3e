// The file manager window: the file list above, the console below. The list opens scrolled to
// the value the opener's field holds ("selected").
#include "component/admin_recordset.h"
#include "fileman/console.h"
#include "fileman/file_manager.h"
#include "host/intrinsics.h"

namespace korvex {

void RenderFileManFrameset(AdminRecordset& page) {
  const std::string returns =
      ReturnQuery(page, {page.RequestItem("returnfield"), page.RequestItem("returnform")});
  page.Response().Clear();
  page.RW(" <title> File Manager </title>");
  page.RW(" <frameset rows='*,120' frameborder='YES' border='1' framespacing='0'>");
  page.RW(" <frame name='filelist' scrolling='YES' src='" + page.HE(ScriptUrl(page, 12)) + returns +
          "&?fake=2#" + page.HE(page.RequestItem("selected")) + "'>");
  // The misspelt attribute is part of the page as published; browsers ignore it.
  page.RW(" <frame name='console' scroppling='NO' src='" + page.HE(ScriptUrl(page, 13)) + returns +
          "&?fake=3" + "'>");
  page.RW(" </frameset>");
  page.RW(" </body>");
  page.Response().End();
}

}  // namespace korvex
