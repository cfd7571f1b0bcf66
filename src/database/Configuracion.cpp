#include "database/Configuracion.h"

#include "database/DBEngine.h"

namespace vesmadur {

void AbrirConfiguracion(std::unique_ptr<Database>& base, const std::string& rutaConfig) {
    if (base) {
        try {
            CerrarConfiguracion(base);
        } catch (const ErrorMotor&) {
            // The old handle is released all the same; the open goes on.
        }
    }
    base = DBEngine::Instancia().Workspaces(0).OpenDatabase(rutaConfig, true, false,
                                                            kConexionConfiguracion);
}

void CerrarConfiguracion(std::unique_ptr<Database>& base) {
    if (!base)
        return;
    auto cerrando = std::move(base);
    base.reset();
    cerrando->Close();
}

} // namespace vesmadur
