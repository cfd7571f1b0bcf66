#pragma once

#include <string>
#include <utility>

namespace vesmadur {

// The outcome of an operation that changes files: success, or a failure with
// a description a person understands (shown verbatim by the restore, and
// given to logs and the command line where the window keeps its own words).
struct ResultadoArchivo {
    bool Correcto = true;
    std::string Descripcion;

    static ResultadoArchivo Exito() { return {}; }
    static ResultadoArchivo Fallo(std::string descripcion) {
        return {false, std::move(descripcion)};
    }
    explicit operator bool() const { return Correcto; }
};

} // namespace vesmadur
