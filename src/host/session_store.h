// Where sessions live between requests: one interface, kept in memory by the HTTP server and
// in an SQLite file by CGI (see sqlite_session_store.h). Values are plain scalars only.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
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

/// Sessions of one process, shared by its threads. At most max_sessions are kept: saving a new
/// one when full drops the longest idle first, so a flood of cookie-less visitors costs bounded
/// memory. Expired sessions are dropped as soon as any call sees them due. Every call costs
/// O(log n) at most: nothing scans all sessions.
class MemorySessionStore : public SessionStore {
 public:
  static constexpr size_t kDefaultMaxSessions = 10'000;

  explicit MemorySessionStore(SessionClock clock = SystemSeconds);
  /// max_sessions below 1 counts as 1.
  explicit MemorySessionStore(size_t max_sessions, SessionClock clock = SystemSeconds);

  std::optional<SessionState> Load(const std::string& id) override;
  void Save(const std::string& id, const SessionState& state) override;
  void Remove(const std::string& id) override;
  size_t size() const;

 private:
  // The recency list and the expiry index point at the map's keys, which stay put while the
  // element lives (unordered_map never moves its nodes).
  using Recency = std::list<const std::string*>;
  struct Entry {
    SessionState state;
    int64_t expires_at = 0;
    Recency::iterator recency;
  };
  using Sessions = std::unordered_map<std::string, Entry>;

  // The callers hold mutex_.
  void DropExpired(int64_t now);
  void Drop(Sessions::iterator it);
  void Touch(Sessions::iterator it, int64_t now);

  size_t max_sessions_;
  SessionClock clock_;
  mutable std::mutex mutex_;
  Sessions sessions_;
  Recency recency_;                                          // most recently used first
  std::set<std::pair<int64_t, const std::string*>> expiry_;  // (expires_at, id), soonest first
};

/// 128 random bits from the system's secure source, as 32 lowercase hex digits.
std::string NewSessionId();
/// Only ids of that exact form are looked up; anything else a client sends is ignored.
bool IsWellFormedSessionId(std::string_view id);

}  // namespace korvex::host
