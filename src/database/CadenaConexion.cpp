#include "database/CadenaConexion.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace vesmadur {

namespace {

std::string Mayusculas(std::string texto) {
    std::transform(texto.begin(), texto.end(), texto.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return texto;
}

std::string SinBlancos(const std::string& texto) {
    const auto ini = texto.find_first_not_of(" \t");
    if (ini == std::string::npos)
        return {};
    const auto fin = texto.find_last_not_of(" \t");
    return texto.substr(ini, fin - ini + 1);
}

std::optional<unsigned> Numero(const std::string& texto, bool hexadecimal) {
    std::string cifras = SinBlancos(texto);
    int base = 10;
    if (hexadecimal && cifras.size() > 2 && cifras[0] == '0' &&
        (cifras[1] == 'x' || cifras[1] == 'X')) {
        cifras = cifras.substr(2);
        base = 16;
    }
    if (cifras.empty())
        return std::nullopt;
    unsigned valor = 0;
    const auto [fin, error] =
        std::from_chars(cifras.data(), cifras.data() + cifras.size(), valor, base);
    if (error != std::errc{} || fin != cifras.data() + cifras.size())
        return std::nullopt;
    return valor;
}

} // namespace

std::optional<OpcionesConexion> InterpretarConexion(const std::string& texto) {
    OpcionesConexion opciones;
    bool hayClave = false;
    std::size_t ini = 0;
    bool primero = true;
    while (ini <= texto.size()) {
        auto fin = texto.find(';', ini);
        if (fin == std::string::npos)
            fin = texto.size();
        const std::string segmento = texto.substr(ini, fin - ini);
        ini = fin + 1;
        const bool eraPrimero = primero;
        primero = false;
        if (SinBlancos(segmento).empty())
            continue;

        const auto igual = segmento.find('=');
        if (igual == std::string::npos) {
            if (eraPrimero && Mayusculas(SinBlancos(segmento)) == "MS ACCESS")
                continue;
            return std::nullopt;
        }
        const std::string nombre = Mayusculas(SinBlancos(segmento.substr(0, igual)));
        const std::string valor = segmento.substr(igual + 1);
        if (nombre == "PWD") {
            if (hayClave)
                return std::nullopt;
            // The password is taken exactly as written, blanks included.
            opciones.Clave = valor;
            hayClave = true;
        } else if (nombre == "LANGID" || nombre == "CP" || nombre == "COUNTRY") {
            auto& destino = nombre == "LANGID" ? opciones.Idioma
                            : nombre == "CP"   ? opciones.PaginaCodigos
                                               : opciones.Pais;
            if (destino)
                return std::nullopt;
            destino = Numero(valor, nombre == "LANGID");
            if (!destino)
                return std::nullopt;
        } else {
            return std::nullopt;
        }
    }
    return opciones;
}

} // namespace vesmadur
