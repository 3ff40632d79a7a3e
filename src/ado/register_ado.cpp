// The data access classes a page creates by name.
#include "ado/register_ado.h"

#include "ado/connection.h"
#include "ado/recordset.h"
#include "core/class_registry.h"

namespace korvex::ado {

void RegisterAdoClasses(ClassRegistry& registry) {
  RegisterClass<Connection>(registry, "ADODB.Connection");
  RegisterClass<Recordset>(registry, "ADODB.Recordset");
  RegisterClass<Recordset>(registry, "ADOR.Recordset");
}

}  // namespace korvex::ado
