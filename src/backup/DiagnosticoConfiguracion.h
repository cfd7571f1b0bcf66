#pragma once

#include <string>

namespace vesmadur {

// Why the configuration database at a path does or does not open with the
// product's key, for the command line (the window shows 0 and says nothing).
struct DiagnosticoConfiguracion {
    enum class Estado {
        Abre,
        Falta,       // nothing at the path
        NoEsArchivo, // a folder, a device, a pipe
        Retenida,    // another program holds it
        Restos,      // a journal or log of an interrupted session lies beside it
        SinCifrar,   // an SQLite database without encryption: not the configuration
        NoEsBase,    // its size cannot be that of a database
        OtraClave,   // encrypted with another key, or not a database at all
        SinTabla,    // opens, but has no "Numeros de lada"
    };
    Estado Clase = Estado::Abre;
    std::string Descripcion; // empty when it opens
};

// Opens the database at `ruta` for reading only, keeping writers out as the
// program's own opens do, and when that fails looks at the file to tell the
// reasons apart. A wrong key and a foreign file of a database's size cannot
// be told apart: the engine sees random bytes either way, and says so.
DiagnosticoConfiguracion DiagnosticarConfiguracion(const std::string& ruta);

} // namespace vesmadur
