// The memory session store, session ids and the shared session rules (clock, timeouts).
#include "host/session_store.h"

#include <algorithm>

#include "host/site_secret.h"

namespace korvex::host {

int64_t SystemSeconds() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

int32_t ClampTimeout(int32_t minutes) {
  return std::clamp(minutes, kMinSessionTimeout, kMaxSessionTimeout);
}

std::string NewSessionId() {
  static const char kHex[] = "0123456789abcdef";
  std::string id;
  for (unsigned char b : RandomBytes(16)) {
    id += kHex[b >> 4];
    id += kHex[b & 0xF];
  }
  return id;
}

bool IsWellFormedSessionId(std::string_view id) {
  return id.size() == 32 && std::all_of(id.begin(), id.end(), [](char c) {
           return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
         });
}

// ---- MemorySessionStore --------------------------------------------------------------------

MemorySessionStore::MemorySessionStore(SessionClock clock)
    : MemorySessionStore(kDefaultMaxSessions, std::move(clock)) {}

MemorySessionStore::MemorySessionStore(size_t max_sessions, SessionClock clock)
    : max_sessions_(std::max<size_t>(max_sessions, 1)), clock_(std::move(clock)) {}

std::optional<SessionState> MemorySessionStore::Load(const std::string& id) {
  int64_t now = clock_();
  std::lock_guard lock(mutex_);
  DropExpired(now);
  auto it = sessions_.find(id);
  if (it == sessions_.end()) return std::nullopt;
  Touch(it, now);
  return it->second.state;
}

void MemorySessionStore::Save(const std::string& id, const SessionState& state) {
  int64_t now = clock_();
  SessionState kept = state;
  kept.timeout_minutes = ClampTimeout(state.timeout_minutes);
  std::lock_guard lock(mutex_);
  DropExpired(now);
  auto it = sessions_.find(id);
  if (it == sessions_.end()) {
    if (sessions_.size() >= max_sessions_) Drop(sessions_.find(*recency_.back()));
    it = sessions_.try_emplace(id).first;
    it->second.recency = recency_.insert(recency_.begin(), &it->first);
  }
  it->second.state = std::move(kept);
  Touch(it, now);  // a new entry's zero expiry is in no index yet: nothing to take out
}

void MemorySessionStore::Remove(const std::string& id) {
  std::lock_guard lock(mutex_);
  if (auto it = sessions_.find(id); it != sessions_.end()) Drop(it);
}

size_t MemorySessionStore::size() const {
  std::lock_guard lock(mutex_);
  return sessions_.size();
}

void MemorySessionStore::DropExpired(int64_t now) {
  while (!expiry_.empty() && expiry_.begin()->first <= now)
    Drop(sessions_.find(*expiry_.begin()->second));
}

void MemorySessionStore::Drop(Sessions::iterator it) {
  expiry_.erase({it->second.expires_at, &it->first});
  recency_.erase(it->second.recency);
  sessions_.erase(it);
}

void MemorySessionStore::Touch(Sessions::iterator it, int64_t now) {
  Entry& entry = it->second;
  expiry_.erase({entry.expires_at, &it->first});
  entry.expires_at = now + int64_t{60} * entry.state.timeout_minutes;
  expiry_.emplace(entry.expires_at, &it->first);
  recency_.splice(recency_.begin(), recency_, entry.recency);
}

}  // namespace korvex::host
