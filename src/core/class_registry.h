// Programmatic identifiers ("Korvex.calCalendar", "ADODB.Recordset") to factories.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/dispatch.h"

namespace korvex {

class ClassRegistry {
 public:
  using Factory = std::function<std::shared_ptr<Dispatch>()>;

  /// Identifiers compare without regard to letter case. Registering one twice replaces it.
  void Register(std::string_view prog_id, Factory factory);
  /// -2147221005 "Invalid class string" for an identifier nobody registered.
  std::shared_ptr<Dispatch> Create(std::string_view prog_id) const;
  bool Has(std::string_view prog_id) const;
  /// Every registered identifier, in folded form.
  std::vector<std::string> Identifiers() const;

  /// The process-wide registry, filled by RegisterAllClasses() (korvex.h).
  static ClassRegistry& Global();

 private:
  std::map<std::string, Factory> factories_;  // keyed by the folded identifier
};

template <class T>
void RegisterClass(ClassRegistry& registry, std::string_view prog_id) {
  registry.Register(prog_id, [] { return std::make_shared<T>(); });
}

}  // namespace korvex
