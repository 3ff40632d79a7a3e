// The upload receiver on real multipart bodies: what is stored, byte for byte, under which
// name, and what each refusal answers; replacing a file, and bodies it cannot read.
#include "fileman/file_manager.h"

#include <gtest/gtest.h>

#include "fileman/fileman_fixture.h"

namespace korvex::testing {
namespace {

namespace fs = std::filesystem;

const std::string kNoFile =
    "<font color=red><b>No File Sent.</b> Select a file before to click 'Send File'.</font>";
const std::string kTooBig = "<font color=red><b>File too big</b></font>";
const std::string kBadExtension =
    "<font color=red><b>The file extention you are tryng to use is invalid.</b></font>";
const std::string kBadName =
    "<font color=red><b>The file name you are trying to use is invalid.</b></font>";

std::string AllBytes() {
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
  return bytes;
}

TEST_F(FileManTest, UploadStoresTheFileExactlyOrSaysWhyNot) {
  const struct {
    const char* client_name;
    std::string content;
    int32_t max_bytes;
    const char* stored_as;  // nullptr: nothing stored
    std::string message;
  } cases[] = {
      {"photo.jpg", "jpeg bytes", 0, "photo.jpg", "File successfully uploaded: photo.jpg"},
      {"C:\\dir\\scan.png", "png", 0, "scan.png", "File successfully uploaded: scan.png"},
      {"dir/sub/notes.txt", "notes", 0, "notes.txt", "File successfully uploaded: notes.txt"},
      {"empty.txt", "", 0, "empty.txt", "File successfully uploaded: empty.txt"},
      {"crlf.bin", "a\r\n\r\nb\r\n------x\r\n\r\n", 0, "crlf.bin", "uploaded: crlf.bin"},
      {"all.bin", AllBytes(), 0, "all.bin", "uploaded: all.bin"},
      {"100.bin", std::string(100, 'h'), 100, "100.bin", "uploaded: 100.bin"},
      {"101.bin", std::string(101, 'h'), 100, nullptr, kTooBig},
      {"", "nothing chosen", 0, nullptr, kNoFile},
      {"C:\\dir\\", "a folder", 0, nullptr, kNoFile},
      {"x.EXE", "MZ", 0, nullptr, kBadExtension},
      {"shell.KSP", "<% Server.CreateObject('x') %>", 0, nullptr, kBadExtension},
      {"C:\\..", "up", 0, nullptr, kBadName},
  };
  for (const auto& c : cases) {
    Answer answer = Serve(UploadRequest(c.client_name, c.content),
                          [&](AdminRecordset& page) { page.FileMan->MaxFileBytes = c.max_bytes; });
    EXPECT_FALSE(answer.error) << c.client_name;
    EXPECT_NE(answer.body.find(c.message), std::string::npos) << c.client_name << answer.body;
    if (c.stored_as) {
      EXPECT_EQ(Content(c.stored_as), c.content) << c.client_name;
      EXPECT_NE(answer.body.find(std::string("&UploadedFile=") + c.stored_as), std::string::npos);
    }
  }
  size_t stored = 0;
  for (const auto& entry : fs::directory_iterator(files_)) stored += entry.is_regular_file();
  EXPECT_EQ(stored, 7u);
  EXPECT_EQ(Outside(), "keep me");
}

TEST_F(FileManTest, UploadReplacesAFileOnlyWhenAllowed) {
  Put("same.txt", "the longer original");
  Answer kept = Serve(UploadRequest("same.txt", "short"));
  EXPECT_NE(kept.body.find("<font color=red><b>Upload failed, file alredy exist: </b></font>"
                           "same.txt"),
            std::string::npos);
  EXPECT_EQ(Content("same.txt"), "the longer original");

  auto overwrite = [](AdminRecordset& page) { page.FileMan->OverWriteFiles = true; };
  Serve(UploadRequest("same.txt", "short"), overwrite);
  EXPECT_EQ(Content("same.txt"), "short");

  // A link in the folder is replaced by the file, never written through.
  fs::create_symlink(site_.path() / "outside.txt", files_ / "link.txt");
  Answer replaced = Serve(UploadRequest("link.txt", "new"), overwrite);
  EXPECT_FALSE(replaced.error);
  EXPECT_EQ(Outside(), "keep me");
  EXPECT_FALSE(fs::is_symlink(files_ / "link.txt"));
  EXPECT_EQ(Content("link.txt"), "new");
}

TEST_F(FileManTest, UploadWithoutAReadableFileStoresNothing) {
  const std::string type = "multipart/form-data; boundary=b";
  const std::string url = "/page.ksp?PageKorVex=14";
  const std::string bodies[] = {
      "",
      "--b\r\nContent-Disposition: form-data; name=\"FileData\"; filename=\"a.txt\"",
      "--b\r\nContent-Disposition: form-data; name=\"Other\"; "
      "filename=\"a.txt\"\r\n\r\nx\r\n--b--\r\n",
      "--b\r\nContent-Disposition: form-data; name=\"FileData\"\r\n\r\nx\r\n--b--\r\n",
      "--b\r\nContent-Disposition: form-data; name=\"FileData\"; filename=\"a.txt\"\r\n\r\n--",
  };
  for (const std::string& body : bodies) {
    Answer answer = Serve(host::MakeRequest("POST", url, body, type));
    EXPECT_NE(answer.body.find(kNoFile), std::string::npos) << body;
  }
  EXPECT_TRUE(fs::is_empty(files_));
}

}  // namespace
}  // namespace korvex::testing
