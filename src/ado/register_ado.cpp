// The data access classes a page creates by name.
#include "ado/register_ado.h"

#include "ado/connection.h"
#include "ado/recordset.h"
#include "ado/stream.h"
#include "core/class_registry.h"

namespace korvex::ado {

void RegisterAdoClasses(ClassRegistry& registry) {
  RegisterClass<Connection>(registry, "ADODB.Connection");
  RegisterClass<Recordset>(registry, "ADODB.Recordset");
  RegisterClass<Recordset>(registry, "ADOR.Recordset");
  RegisterClass<Stream>(registry, "ADODB.Stream");
}

}  // namespace korvex::ado
