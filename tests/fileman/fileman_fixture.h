// The file manager's pages served by the in-memory host from a real site folder: the managed
// folder is /files/ under the site root, beside a file the pages must never reach, and the
// in-use test reads a real SQLite file.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>

#include "fileman/file_manager.h"
#include "support/component_fixture.h"

namespace korvex::testing {

class FileManScreens : public Screens {
 public:
  void RenderFileManFrameset(AdminRecordset& page) override { korvex::RenderFileManFrameset(page); }
  void RenderFileManList(AdminRecordset& page) override { korvex::RenderFileManList(page); }
  void RenderFileManConsole(AdminRecordset& page, const std::string& message,
                            const std::string& file_name) override {
    korvex::RenderFileManConsole(page, message, file_name);
  }
  void ReceiveUpload(AdminRecordset& page) override { korvex::ReceiveUpload(page); }
  void RenderFileManDelete(AdminRecordset& page) override { korvex::RenderFileManDelete(page); }
  void RenderFileManRename(AdminRecordset& page) override { korvex::RenderFileManRename(page); }
};

// Products names A.GIF and a name holding a quote; Orders names b.txt.
constexpr char kShopSql[] = R"(
CREATE TABLE Products (ID INTEGER PRIMARY KEY, Name VARCHAR(40), Image VARCHAR(255));
INSERT INTO Products VALUES (1, 'Gif', 'A.GIF'), (2, 'Quote', 'o''brien.png');
CREATE TABLE Orders (ID INTEGER PRIMARY KEY, Image VARCHAR(255));
INSERT INTO Orders VALUES (1, 'b.txt');
)";

class FileManTest : public ::testing::Test {
 protected:
  struct Answer {
    std::string body;
    std::optional<AutomationError> error;
    bool connection_opened = false;
  };

  void SetUp() override {
    std::filesystem::create_directories(files_);
    site_.Write("outside.txt", "keep me");
  }

  /// Serves request to a page that sets up the file manager on Products as a page would,
  /// writes text of its own first (which the file manager must clear), and calls
  /// DoEditingList.
  Answer Serve(host::RequestData request,
               const std::function<void(AdminRecordset&)>& configure = {}) {
    static FileManScreens screens;
    Answer answer;
    auto response = host_.Serve(std::move(request), [&](host::ScriptingContext& context) {
      auto page = std::make_shared<AdminRecordset>();
      page->UseScreens(screens);
      page->OnStartPage(context.shared_from_this());
      UseDatabase(*page, database_);
      page->recordset("Products");
      page->FileFields->Add(Variant("Image"));
      page->FileMan->Path("/files");
      if (configure) configure(*page);
      page->RW("<p>the host page</p>");
      try {
        page->DoEditingList(std::nullopt);
      } catch (const AutomationError& e) {
        answer.error = e;
      } catch (const host::ResponseEnded&) {
        answer.connection_opened = page->ConnectionIsOpen();
        throw;
      }
    });
    answer.body = response.body;
    return answer;
  }
  Answer Get(std::string_view url, const std::function<void(AdminRecordset&)>& configure = {}) {
    return Serve(host::MakeRequest("GET", url), configure);
  }

  /// A file of the managed folder.
  void Put(const std::string& name, const std::string& bytes) {
    site_.Write("files/" + name, bytes);
  }
  /// The bytes of a file of the managed folder, or nothing when there is none.
  std::optional<std::string> Content(const std::string& name) const {
    std::ifstream in(files_ / name, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::string Outside() const {
    std::ifstream in(site_.path() / "outside.txt", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  TempFolder site_;
  TempFolder data_;
  std::filesystem::path files_ = site_.path() / "files";
  std::string database_ = MakeDatabase(data_, "shop.db", kShopSql);
  host::MemoryHost host_{site_.path()};
};

/// A 1x1-colour GIF header of the given screen size.
inline std::string GifOf(int width, int height) {
  std::string gif = "GIF89a";
  for (int v : {width, height}) {
    gif += static_cast<char>(v & 0xFF);
    gif += static_cast<char>(v >> 8);
  }
  return gif + std::string("\xF7\0\0", 3);
}

/// The console's upload form posted as a browser posts it, with one file.
inline host::RequestData UploadRequest(std::string_view file_name, std::string_view content) {
  const std::string boundary = "----KorvexFormBoundary7MA4YWxk";
  std::string body =
      "--" + boundary + "\r\nContent-Disposition: form-data; name=\"FileData\"; filename=\"" +
      std::string(file_name) + "\"\r\nContent-Type: application/octet-stream\r\n\r\n" +
      std::string(content) + "\r\n--" + boundary + "--\r\n";
  return host::MakeRequest("POST", "/page.ksp?PageKorVex=14&returnfield=Image&returnform=PW",
                           std::move(body), "multipart/form-data; boundary=" + boundary);
}

}  // namespace korvex::testing
