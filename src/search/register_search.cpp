#include "search/register_search.h"

#include "core/class_registry.h"
#include "search/html_fast_search.h"

namespace korvex {

// HTMLSearchForm is reached only through AdminRecordset.SearchForm.
void RegisterSearchClasses(ClassRegistry& registry) {
  RegisterClass<HTMLFastSearch>(registry, "Korvex.HTMLFastSearch");
}

}  // namespace korvex
