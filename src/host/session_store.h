// Where sessions live between requests: one interface, kept in memory by the HTTP server and
// in an SQLite file by CGI (see sqlite_session_store.h). Values are plain scalars only.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/variant.h"

namespace korvex::host {

/// What a store keeps of one session. Values are Empty, Null, Boolean, numbers, Currency,
/// Date or String; their kinds survive the round trip.
struct SessionState {
  std::vector<std::pair<std::string, Variant>> values;  // name as the page first wrote it
  int32_t timeout_minutes = 20;
};

/// Seconds since the epoch; stores take one so tests can let time pass.
using SessionClock = std::function<int64_t()>;
int64_t SystemSeconds();

/// Idle limits outside this range are brought into it when a session is saved.
inline constexpr int32_t kMinSessionTimeout = 1;
inline constexpr int32_t kMaxSessionTimeout = 1440;
int32_t ClampTimeout(int32_t minutes);

class SessionStore {
 public:
  virtual ~SessionStore() = default;
  /// The session's state, or nothing when the id is unknown or the session idled past its
  /// timeout. A successful load counts as activity: the idle time starts again.
  virtual std::optional<SessionState> Load(const std::string& id) = 0;
  virtual void Save(const std::string& id, const SessionState& state) = 0;
  virtual void Remove(const std::string& id) = 0;
};

/// Sessions of one process, shared by its threads.
class MemorySessionStore : public SessionStore {
 public:
  explicit MemorySessionStore(SessionClock clock = SystemSeconds);

  std::optional<SessionState> Load(const std::string& id) override;
  void Save(const std::string& id, const SessionState& state) override;
  void Remove(const std::string& id) override;
  size_t size() const;

 private:
  void SweepExpired(int64_t now);  // caller holds mutex_

  struct Entry {
    SessionState state;
    int64_t expires_at;
  };
  SessionClock clock_;
  mutable std::mutex mutex_;
  std::map<std::string, Entry> sessions_;
  int64_t last_sweep_ = 0;
};

/// 128 random bits from the system's secure source, as 32 lowercase hex digits.
std::string NewSessionId();
/// Only ids of that exact form are looked up; anything else a client sends is ignored.
bool IsWellFormedSessionId(std::string_view id);

}  // namespace korvex::host
