// Many-to-many link rows: deleted by the local key, then inserted anew from the posted active
// list. The caller runs this inside the record's own transaction, so a refused link row
// undoes the record's write as well.
#include "editing/write_path_links.h"

#include <memory>

#include "ado/ado_constants.h"
#include "ado/connection.h"
#include "ado/recordset.h"
#include "component/admin_recordset.h"
#include "component/settings/db_many_to_many.h"
#include "core/text.h"
#include "editing/posted_form.h"
#include "render/many_to_many_editor.h"
#include "render/sql_keys.h"

namespace korvex {

namespace {

// The local key as an SQL literal. A key read from a numeric column is written bare only when
// it is a plain number: SQLite keeps any text a column is given, and such a text must stay a
// literal.
std::string KeyLiteral(const std::string& key, bool text_key) {
  if (!text_key && IsSqlNumber(key)) return key;
  return SqlQuoting::QuoteText(key);
}

void InsertPostedLinks(AdminRecordset& page, const DBManyToMany& link, const Variant& local_key) {
  auto links = std::make_shared<ado::Recordset>();
  links->Open(Variant(page.QuotedIdentifier(link.LinkRecordset)), Variant(page.Connection()),
              ado::kOpenKeyset, ado::kLockOptimistic, ado::kCmdUnspecified);
  for (const std::string& remote_key :
       PostedValues(page, link.LinkRecordset + page.ParamName("DEST"))) {
    // The list's first option is a placeholder without a value, never a link.
    if (remote_key.empty()) continue;
    links->AddNew();
    links->Fields().Item(Variant(link.LinkToLocalField))->Value(local_key);
    links->Fields().Item(Variant(link.LinkToRemoteField))->Value(Variant(remote_key));
    links->Update();
  }
  links->Close();
}

}  // namespace

std::string SaveManyToManyLinks(AdminRecordset& page, const DBManyToMany& link,
                                ado::Recordset& recordset, bool delete_only) {
  ado::Connection& connection = *page.Connection();
  const Variant local_key = recordset.Fields().Item(Variant(link.LocalField))->Value();
  const std::string local_text = TextOrEmpty(local_key);
  const bool text_key = ValueQuote(page, link.LinkRecordset, link.LinkToLocalField) == "'";
  const bool has_key = !Trim(local_text, " ").empty();

  if (has_key) {
    connection.Execute("DELETE FROM " + page.QuotedIdentifier(link.LinkRecordset) + " WHERE " +
                       page.QuotedIdentifier(link.LinkToLocalField) + "=" +
                       KeyLiteral(local_text, text_key));
  }
  if (delete_only) return "";
  if (has_key) InsertPostedLinks(page, link, local_key);

  ManyToManySql sql = ManyToManySqlFor(link, local_text, text_key, page.Quoting());
  return ManyToManyList(page, *page.EditForm->ManyToMany, link, Variant(page.Connection()),
                        link.LinkRecordset + page.ParamName("SRC"), sql.active);
}

}  // namespace korvex
