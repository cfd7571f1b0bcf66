#include "database/ArchivosRetenidos.h"

#include <map>
#include <mutex>

namespace vesmadur {

namespace {

struct Retencion {
    int Compartidas = 0;
    bool Exclusiva = false;
};

std::mutex cerrojo;
std::map<IdArchivo, Retencion>& Retenciones() {
    static std::map<IdArchivo, Retencion> mapa;
    return mapa;
}

} // namespace

bool RetenerArchivo(IdArchivo id, bool exclusivo) {
    std::lock_guard guardia(cerrojo);
    auto& mapa = Retenciones();
    const auto it = mapa.find(id);
    if (it != mapa.end() && (it->second.Exclusiva || exclusivo))
        return false;
    auto& r = mapa[id];
    if (exclusivo)
        r.Exclusiva = true;
    else
        ++r.Compartidas;
    return true;
}

void SoltarArchivo(IdArchivo id, bool exclusivo) {
    std::lock_guard guardia(cerrojo);
    auto& mapa = Retenciones();
    const auto it = mapa.find(id);
    if (it == mapa.end())
        return;
    if (exclusivo)
        it->second.Exclusiva = false;
    else if (it->second.Compartidas > 0)
        --it->second.Compartidas;
    if (!it->second.Exclusiva && it->second.Compartidas == 0)
        mapa.erase(it);
}

} // namespace vesmadur
