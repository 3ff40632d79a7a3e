// Server: path mapping, the two encoders and object creation for the page. Objects come
// from the process-wide class registry; page objects receive the page's context.
#include "core/automation_error.h"
#include "core/class_registry.h"
#include "core/member_table.h"
#include "host/encoding.h"
#include "host/intrinsics.h"
#include "host/site_path.h"

namespace korvex::host {

Server::Server(std::optional<std::filesystem::path> site_root, std::string script_name,
               VirtualFolders virtual_folders)
    : site_root_(std::move(site_root)),
      script_name_(std::move(script_name)),
      virtual_folders_(std::move(virtual_folders)) {}

const MemberTable& Server::Members() const {
  static const MemberTable table("Server", {
                                               Method("MapPath", &Server::MapPath),
                                               Method("HTMLEncode", &Server::HTMLEncode),
                                               Method("URLEncode", &Server::URLEncode),
                                               Prop<&Server::ScriptTimeout>("ScriptTimeout"),
                                               Method("CreateObject", &Server::CreateObject),
                                           });
  return table;
}

std::string Server::MapPath(const std::string& path) const {
  if (!site_root_)
    throw AutomationError(err::kPathNotFound,
                          "Server.MapPath needs a site root, and this host has none", "Server");
  size_t slash = script_name_.rfind('/');
  std::string page_folder = slash == std::string::npos ? "/" : script_name_.substr(0, slash);
  std::optional<std::filesystem::path> mapped =
      ResolveSitePath(*site_root_, path, page_folder, virtual_folders_);
  if (!mapped)
    throw AutomationError(
        err::kPermissionDenied,
        "Permission denied: the path '" + SanitizeUtf8(path) + "' leads outside the site",
        "Server.MapPath");
  return mapped->string();
}

std::string Server::HTMLEncode(const Variant& text) const {
  return EncodeHtml(TextOrEmpty(text));
}

std::string Server::URLEncode(const Variant& text) const {
  return EncodeUrl(TextOrEmpty(text));
}

std::shared_ptr<Dispatch> Server::CreateObject(const std::string& prog_id) {
  std::shared_ptr<Dispatch> object = ClassRegistry::Global().Create(prog_id);
  if (auto* page_object = dynamic_cast<PageObject*>(object.get())) {
    std::shared_ptr<ScriptingContext> context = context_.lock();
    if (!context)
      throw AutomationError(err::kInvalidProcedureCall,
                            "'" + prog_id + "' needs a page context, and this Server has none",
                            "Server.CreateObject");
    page_object->OnStartPage(context);
  }
  return object;
}

}  // namespace korvex::host
