// The memory session store, session ids and the shared session rules (clock, timeouts).
#include "host/session_store.h"

#include <sys/random.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace korvex::host {

int64_t SystemSeconds() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

int32_t ClampTimeout(int32_t minutes) {
  return std::clamp(minutes, kMinSessionTimeout, kMaxSessionTimeout);
}

namespace {

void FillRandom(unsigned char* buffer, size_t size) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = getrandom(buffer + done, size - done, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw std::system_error(errno, std::generic_category(), "getrandom");
    done += static_cast<size_t>(n);
  }
}

}  // namespace

std::string NewSessionId() {
  static const char kHex[] = "0123456789abcdef";
  unsigned char bytes[16];
  FillRandom(bytes, sizeof bytes);
  std::string id;
  for (unsigned char b : bytes) {
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

MemorySessionStore::MemorySessionStore(SessionClock clock) : clock_(std::move(clock)) {}

std::optional<SessionState> MemorySessionStore::Load(const std::string& id) {
  int64_t now = clock_();
  std::lock_guard lock(mutex_);
  auto it = sessions_.find(id);
  if (it == sessions_.end()) return std::nullopt;
  if (it->second.expires_at <= now) {
    sessions_.erase(it);
    return std::nullopt;
  }
  it->second.expires_at = now + int64_t{60} * it->second.state.timeout_minutes;
  return it->second.state;
}

void MemorySessionStore::Save(const std::string& id, const SessionState& state) {
  int64_t now = clock_();
  SessionState kept = state;
  kept.timeout_minutes = ClampTimeout(state.timeout_minutes);
  std::lock_guard lock(mutex_);
  SweepExpired(now);
  int64_t expires_at = now + int64_t{60} * kept.timeout_minutes;
  sessions_.insert_or_assign(id, Entry{std::move(kept), expires_at});
}

void MemorySessionStore::Remove(const std::string& id) {
  std::lock_guard lock(mutex_);
  sessions_.erase(id);
}

size_t MemorySessionStore::size() const {
  std::lock_guard lock(mutex_);
  return sessions_.size();
}

void MemorySessionStore::SweepExpired(int64_t now) {
  // A full pass at most once a minute keeps abandoned visitors from piling up without
  // making every save pay for it.
  if (now - last_sweep_ < 60) return;
  last_sweep_ = now;
  std::erase_if(sessions_, [now](const auto& entry) { return entry.second.expires_at <= now; });
}

}  // namespace korvex::host
