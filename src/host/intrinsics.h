// The page's intrinsic objects (Request, Response, Server, Session) and the scripting context
// that carries them, as automation objects. Built by PageHost for one request.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/collection.h"
#include "core/dispatch.h"
#include "host/request_data.h"
#include "host/session_store.h"
#include "host/site_path.h"

namespace korvex::host {

/// A name -> values collection of the request (QueryString, Form, Cookies, ServerVariables).
/// Names compare without regard to case; an absent name reads as Empty; a multi-valued item
/// reads as its values joined by ", ".
class RequestCollection : public Dispatch {
 public:
  const MemberTable& Members() const override;

  void Append(std::string name, std::string value);
  /// Every value of a name, in arrival order; empty when absent.
  std::vector<std::string> Values(std::string_view name) const;
  /// The joined value, or nothing when absent.
  std::optional<std::string> Get(std::string_view name) const;
  /// By name; by position (from 1, over distinct names; 9 when out of range); with no
  /// argument, the whole collection as one text (raw).
  Variant Item(const Variant& name_or_position);  // default member
  /// Distinct names.
  int32_t Count() const;
  /// The name at a position (from 1).
  std::string Key(int32_t position) const;
  /// Enumerating a request collection gives its names, as For Each does.
  std::optional<std::vector<Variant>> Enumerate() override;
  /// The whole collection as one text (the raw query string / body for those two).
  std::string raw;

 private:
  std::vector<std::string> DistinctNames() const;

  std::vector<std::pair<std::string, std::string>> pairs_;
};

class Request : public Dispatch {
 public:
  explicit Request(RequestData data);
  const MemberTable& Members() const override;

  /// QueryString, then Form, then Cookies, then ServerVariables. Empty when absent.
  Variant Item(const Variant& name);
  RequestCollection& QueryString() { return *query_; }
  RequestCollection& Form() { return *form_; }
  RequestCollection& Cookies() { return *cookies_; }
  RequestCollection& ServerVariables() { return *server_variables_; }
  int32_t TotalBytes() const;
  /// The raw body, read whole; later reads give what remains.
  std::string BinaryRead(int32_t count);
  const RequestData& data() const { return data_; }
  /// The text of the item as Item reads it; "" when absent.
  std::string ItemText(std::string_view name);

 private:
  void FillServerVariables();
  std::shared_ptr<Dispatch> QueryStringObject() { return query_; }
  std::shared_ptr<Dispatch> FormObject() { return form_; }
  std::shared_ptr<Dispatch> CookiesObject() { return cookies_; }
  std::shared_ptr<Dispatch> ServerVariablesObject() { return server_variables_; }

  RequestData data_;
  size_t body_read_ = 0;
  std::shared_ptr<RequestCollection> query_, form_, cookies_, server_variables_;
};

/// Thrown by Response.End to stop the page; the page machinery catches it. Not an error.
struct ResponseEnded {};

class Response : public Dispatch {
 public:
  const MemberTable& Members() const override;

  /// Buffered until the page ends; ignored once the response has ended.
  void Write(const Variant& value);  // by the text rules (true writes "True"; Null writes "")
  void WriteText(std::string_view text);
  void BinaryWrite(const std::string& bytes);
  void Clear();
  [[noreturn]] void End();
  /// 302 to the url, then ends the page as End does.
  [[noreturn]] void Redirect(const std::string& url);
  /// A header line for the response; CR, LF or a name outside the token characters raise 5.
  void AddHeader(const std::string& name, const std::string& value);
  /// "404 Not Found": the code, a blank, the reason text.
  std::string Status() const;
  void Status(const std::string& status_line);
  std::string ContentType() const { return data_.content_type; }
  void ContentType(const std::string& type);
  std::string CharSet() const { return data_.charset; }
  void CharSet(const std::string& charset);
  /// Accepted for old pages; hosts always send the output when the page ends.
  bool Buffer = true;

  bool ended() const { return ended_; }
  ResponseData& data() { return data_; }

 private:
  ResponseData data_;
  bool ended_ = false;
};

class ScriptingContext;

class Server : public Dispatch {
 public:
  /// site_root: the folder the site's URL space maps to; absent for a host without files.
  /// virtual_folders: top-level URL folders kept elsewhere (site_path.h).
  Server(std::optional<std::filesystem::path> site_root, std::string script_name,
         VirtualFolders virtual_folders = {});
  const MemberTable& Members() const override;

  /// Virtual path ("/a/b", or "b" relative to the page's folder) to a file under the site
  /// root; a path that would leave the root raises an error and touches nothing.
  std::string MapPath(const std::string& path) const;
  std::string HTMLEncode(const Variant& text) const;
  std::string URLEncode(const Variant& text) const;
  int32_t ScriptTimeout = 90;
  /// Creates a registered class; page objects get OnStartPage with the page's context.
  /// The classes come from ClassRegistry::Global(), filled by korvex::RegisterAllClasses()
  /// (korvex.h), which every program serving pages calls once at start.
  std::shared_ptr<Dispatch> CreateObject(const std::string& prog_id);
  void AttachContext(const std::weak_ptr<ScriptingContext>& context) { context_ = context; }
  const std::optional<std::filesystem::path>& site_root() const { return site_root_; }
  /// The secret the site signs its links with (site_secret.h); "" when the host keeps none.
  /// Not a member pages can reach.
  const std::string& SiteSecret() const { return site_secret_; }
  void SiteSecret(std::string secret) { site_secret_ = std::move(secret); }

 private:
  std::optional<std::filesystem::path> site_root_;
  std::string site_secret_;
  std::string script_name_;
  VirtualFolders virtual_folders_;
  std::weak_ptr<ScriptingContext> context_;
};

/// Values of one visitor kept between requests. Names compare without regard to case.
class Session : public Dispatch {
 public:
  Session(std::string id, bool is_new);
  const MemberTable& Members() const override;

  Variant Value(std::string_view name) const;  // Empty when absent
  /// Scalars only: an object raises 13 naming the value, and nothing is stored.
  void SetValue(std::string_view name, const Variant& value);
  void Remove(std::string_view name);
  void RemoveAll();
  void Abandon() { abandoned_ = true; }
  const std::string& SessionID() const { return id_; }
  int32_t Timeout = 20;  // minutes
  /// The values as a collection (Item, Count, Key, Remove, RemoveAll), live.
  std::shared_ptr<Dispatch> Contents();

  bool GetDynamic(std::string_view name, Variant& out) override;
  bool PutDynamic(std::string_view name, const Variant& value) override;

  bool is_new() const { return is_new_; }
  bool abandoned() const { return abandoned_; }
  /// A value written or removed, or the timeout changed, since the session was loaded.
  bool changed() const { return changed_ || Timeout != loaded_timeout_; }
  /// name as first written -> value; what a SessionStore keeps.
  std::map<std::string, std::pair<std::string, Variant>>& values() { return values_; }

  /// Takes what a store loaded; the session counts as unchanged afterwards.
  void Restore(const SessionState& state);
  SessionState State() const;

 private:
  Variant ItemForScript(const Variant& name) { return Value(ToText(name)); }

  std::string id_;
  bool is_new_;
  bool abandoned_ = false;
  bool changed_ = false;
  int32_t loaded_timeout_ = 20;
  std::map<std::string, std::pair<std::string, Variant>> values_;  // keyed by folded name
};

class ScriptingContext : public Dispatch {
 public:
  const MemberTable& Members() const override;

  std::shared_ptr<host::Request> Request;
  std::shared_ptr<host::Response> Response;
  std::shared_ptr<host::Server> Server;
  std::shared_ptr<host::Session> Session;
};

}  // namespace korvex::host
