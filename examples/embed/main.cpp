// A program of one's own serving the administration screens of one SQLite table: Korvex's HTTP
// server takes the requests, AdminRecordset set up in C++ draws the screens, no page script runs.
// table_admin DATABASE TABLE [PORT] prints its URL (port 0: any free one), serves until Ctrl-C.
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "component/admin_recordset.h"
#include "host/http/server.h"
#include "host/page_host.h"
#include "host/session_store.h"
#include "korvex.h"

namespace fs = std::filesystem;
using namespace korvex;

// The site's pages: /index.ksp is the table's list, with the edit and delete forms and the
// writes its buttons lead to; /add.ksp is the form adding a record, and its write.
class TablePages : public host::PageRunner {
 public:
  TablePages(std::string c, std::string t) : connection_(std::move(c)), table_(std::move(t)) {}
  void Run(const fs::path& page, host::ScriptingContext& context) override {
    auto admin = std::make_shared<AdminRecordset>();
    admin->OnStartPage(context.shared_from_this());
    admin->ConnectionString(connection_);
    admin->recordset(table_);
    if (page.filename() == "add.ksp") {
      admin->AddNew();
    } else {
      admin->DoEditingList(std::nullopt);
    }
  }

 private:
  const std::string connection_, table_;
};

int main(int argc, char** argv) {
  host::http::ServerConfig config;  // 127.0.0.1, no password, Host and Origin checked
  std::string_view port = argc == 4 ? argv[3] : "8080";
  auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), config.port);
  if (argc < 3 || argc > 4 || error != std::errc() || end != port.data() + port.size()) {
    std::fprintf(stderr, "Usage: table_admin DATABASE TABLE [PORT]\n");
    return 2;
  }
  RegisterAllClasses();  // installs the screens AdminRecordset draws with
  // The server hands the page handler the requests for the *.ksp files of its site folder;
  // these are empty and only give the pages their URLs.
  std::string site = (fs::temp_directory_path() / "table_admin.XXXXXX").string();
  if (!mkdtemp(site.data())) return 1;
  for (const char* page : {"index.ksp", "add.ksp"}) std::ofstream(fs::path(site) / page).close();

  TablePages pages("Provider=SQLite;Data Source=\"" + fs::absolute(argv[1]).string() + "\"",
                   argv[2]);
  host::MemorySessionStore sessions;
  host::PageHostConfig page_host;
  page_host.site_root = config.site_root = site;
  page_host.sessions = &sessions;
  config.page_handler = [&](const host::RequestData& request) {
    return host::ServePage(request, page_host, pages);
  };
  host::http::AccessLog log;  // a line per request on standard error
  int status = 0;
  try {
    host::http::Server server(config, log);
    std::printf("http://127.0.0.1:%u/\n", static_cast<unsigned>(server.port()));
    std::fflush(stdout);
    server.Run();  // until SIGINT or SIGTERM
  } catch (const std::exception& e) {
    std::fprintf(stderr, "table_admin: %s\n", e.what());
    status = 1;
  }
  fs::remove_all(site);
  return status;
}
