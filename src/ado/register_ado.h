// Registration of the data access classes a page may create.
#pragma once

namespace korvex {
class ClassRegistry;
}

namespace korvex::ado {
/// "ADODB.Connection", "ADODB.Recordset", "ADOR.Recordset" and "ADODB.Stream".
void RegisterAdoClasses(ClassRegistry& registry);
}  // namespace korvex::ado
