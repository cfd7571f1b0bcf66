#include "database/DBEngine.h"

#include "database/CadenaConexion.h"
#include "database/Conexion.h"

namespace vesmadur {

std::unique_ptr<Database> Workspace::OpenDatabase(const std::string& ruta, bool exclusivo,
                                                  bool soloLectura, const std::string& conexion) {
    try {
        const auto opciones = InterpretarConexion(conexion);
        if (!opciones)
            return nullptr;
        ModoApertura modo;
        modo.Exclusivo = exclusivo;
        modo.SoloLectura = soloLectura;
        auto abierta = std::make_shared<Conexion>();
        abierta->Base = AbrirBaseCifrada(ruta, opciones->Clave, modo);
        if (!abierta->Abierta())
            return nullptr;
        abierta->Ruta = ruta;
        return std::unique_ptr<Database>(new Database(std::move(abierta)));
    } catch (...) {
        return nullptr;
    }
}

DBEngine& DBEngine::Instancia() {
    static DBEngine motor;
    return motor;
}

Workspace& DBEngine::Workspaces(int indice) {
    if (indice != 0)
        throw ErrorMotor("Item not found in this collection.");
    return predeterminado_;
}

} // namespace vesmadur
