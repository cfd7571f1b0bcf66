#include "dialing/Marcaciones.h"

#include "database/Configuracion.h"

#include <cmath>

namespace vesmadur {

std::optional<std::int64_t> ClaveEntrada(const Variante& valor) {
    if (auto entero = valor.Entero())
        return entero;
    if (auto numero = valor.Numero(); numero && std::isfinite(*numero) &&
                                      std::trunc(*numero) == *numero && std::fabs(*numero) < 9.0e15)
        return static_cast<std::int64_t>(*numero);
    return std::nullopt;
}

namespace {

constexpr std::string_view kPrefijoLargaDistancia = "01";
constexpr std::string_view kPrefijosMoviles[] = {"044", "045"};

} // namespace

bool EsMarcacionAntigua(std::string_view telefono) {
    if (telefono.starts_with(kPrefijoLargaDistancia))
        return true;
    for (auto prefijo : kPrefijosMoviles)
        if (telefono.starts_with(prefijo))
            return true;
    return false;
}

bool EsMarcacionAntigua(const Variante& telefono) {
    if (telefono.EsNulo())
        return false;
    if (const auto* texto = telefono.Texto())
        return EsMarcacionAntigua(std::string_view(*texto));
    return EsMarcacionAntigua(std::string_view(telefono.ComoTexto()));
}

std::string AjustarNumero(std::string_view telefono) {
    if (telefono.starts_with(kPrefijoLargaDistancia))
        return std::string(telefono.substr(kPrefijoLargaDistancia.size()));
    for (auto prefijo : kPrefijosMoviles)
        if (telefono.starts_with(prefijo))
            return std::string(telefono.substr(prefijo.size()));
    return std::string(telefono);
}

TablasDePurga LeerTablasDePurga(Database& base) {
    TablasDePurga purga;
    auto filas = base.OpenRecordset(kTablaCatalogo);
    for (; !filas->Eof(); filas->MoveNext()) {
        const auto depurar = filas->Fields(2).Numero();
        if (!depurar || *depurar <= 0)
            continue;
        const Variante numero = filas->Fields(0);
        const auto entero = ClaveEntrada(numero);
        if (!entero) {
            purga.Error =
                "la tabla de ladas '" + numero.ComoTexto() + "' no tiene un numero valido";
            break;
        }
        purga.Tablas.push_back("LD" + std::to_string(*entero));
    }
    filas->Close();
    return purga;
}

std::int32_t ContarMarcaciones(std::unique_ptr<Database>& base, const std::string& rutaConfig) {
    AbrirConfiguracion(base, rutaConfig);
    if (!base)
        return 0;
    std::int32_t cuenta = 0;
    try {
        auto cursor = base->OpenRecordset(kTablaNumeros, dbOpenDynaset);
        while (!cursor->Eof()) {
            if (EsMarcacionAntigua(cursor->Fields(1)))
                ++cuenta;
            cursor->MoveNext();
        }
        cursor->Close();
        CerrarConfiguracion(base);
    } catch (const ErrorMotor&) {
        // A table missing or unreadable: nothing can be counted.
        try {
            CerrarConfiguracion(base);
        } catch (const ErrorMotor&) {
        }
        return 0;
    }
    return cuenta;
}

} // namespace vesmadur
