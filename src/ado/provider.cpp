// The list of providers Connection.Open chooses from by the Provider key.
#include "ado/provider.h"

#include <mutex>

namespace korvex::ado {

namespace {

struct Entry {
  std::function<bool(std::string_view)> matches;
  ProviderFactory factory;
};

struct Registry {
  std::mutex mutex;
  std::vector<Entry> entries;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

void RegisterProvider(std::function<bool(std::string_view provider)> matches,
                      ProviderFactory factory) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  r.entries.push_back(Entry{std::move(matches), std::move(factory)});
}

std::optional<ProviderFactory> FindProvider(std::string_view provider) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  for (auto it = r.entries.rbegin(); it != r.entries.rend(); ++it)
    if (it->matches(provider)) return it->factory;
  return std::nullopt;
}

}  // namespace korvex::ado
