// The class registry: programmatic identifiers, folded to lower case, mapped to factories;
// an unknown identifier raises "Invalid class string" as Server.CreateObject would.
#include "core/class_registry.h"

#include "core/automation_error.h"

namespace korvex {

void ClassRegistry::Register(std::string_view prog_id, Factory factory) {
  factories_[FoldCase(prog_id)] = std::move(factory);
}

std::shared_ptr<Dispatch> ClassRegistry::Create(std::string_view prog_id) const {
  auto it = factories_.find(FoldCase(prog_id));
  if (it == factories_.end())
    throw AutomationError(err::kInvalidClassString,
                          std::string(RuntimeErrorText(err::kInvalidClassString)),
                          "Server.CreateObject");
  return it->second();
}

bool ClassRegistry::Has(std::string_view prog_id) const {
  return factories_.count(FoldCase(prog_id)) != 0;
}

ClassRegistry& ClassRegistry::Global() {
  static ClassRegistry registry;
  return registry;
}

std::vector<std::string> ClassRegistry::Identifiers() const {
  std::vector<std::string> ids;
  for (const auto& [id, factory] : factories_) ids.push_back(id);
  return ids;
}

}  // namespace korvex
