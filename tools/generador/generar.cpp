// vesmadur-generar: writes a demo installation folder with an encrypted
// configuration database (config/tablas.orv) full of dialing entries.

#include "generador/GeneradorInstalacion.h"

#include <charconv>
#include <cstring>
#include <iostream>
#include <string>

namespace {

void Uso() {
    std::cerr << "Uso: vesmadur-generar CARPETA [--entradas N] [--antiguas FRACCION]\n"
                 "         [--prefijos FRACCION] [--nulas FRACCION] [--tablas N]\n"
                 "         [--referencias POR_ENTRADA] [--semilla N]\n"
                 "Escribe CARPETA/config/tablas.orv; nunca reemplaza un archivo existente.\n";
}

template <typename T> bool Leer(const char* texto, T& valor) {
    const char* fin = texto + std::strlen(texto);
    const auto [pos, error] = std::from_chars(texto, fin, valor);
    return error == std::errc{} && pos == fin;
}

} // namespace

int main(int argc, char** argv) {
    vesmadur::OpcionesGenerador opciones;
    std::string carpeta;
    for (int i = 1; i < argc; ++i) {
        const std::string nombre = argv[i];
        if (nombre.rfind("--", 0) != 0) {
            if (!carpeta.empty()) {
                Uso();
                return 2;
            }
            carpeta = nombre;
            continue;
        }
        if (i + 1 >= argc) {
            Uso();
            return 2;
        }
        const char* valor = argv[++i];
        bool bien = false;
        if (nombre == "--entradas")
            bien = Leer(valor, opciones.Entradas);
        else if (nombre == "--antiguas")
            bien = Leer(valor, opciones.ParteAntigua);
        else if (nombre == "--prefijos")
            bien = Leer(valor, opciones.ParteSoloPrefijo);
        else if (nombre == "--nulas")
            bien = Leer(valor, opciones.ParteNula);
        else if (nombre == "--tablas")
            bien = Leer(valor, opciones.TablasLD);
        else if (nombre == "--referencias")
            bien = Leer(valor, opciones.ReferenciasPorEntrada);
        else if (nombre == "--semilla")
            bien = Leer(valor, opciones.Semilla);
        if (!bien) {
            std::cerr << "Opcion no valida: " << nombre << ' ' << valor << '\n';
            Uso();
            return 2;
        }
    }
    if (carpeta.empty()) {
        Uso();
        return 2;
    }
    try {
        const auto resumen = vesmadur::GenerarInstalacion(carpeta, opciones);
        std::cout << "Configuracion: " << resumen.RutaConfig.string() << '\n'
                  << "Entradas: " << resumen.Entradas << '\n'
                  << "Marcaciones antiguas: " << resumen.Antiguas << '\n'
                  << "Solo prefijo: " << resumen.SoloPrefijo << '\n'
                  << "Nulas: " << resumen.Nulas << '\n'
                  << "Tablas LD: " << resumen.Tablas.size() << '\n'
                  << "Referencias: " << resumen.Referencias << '\n';
    } catch (const std::exception& e) {
        std::cerr << "Error: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
