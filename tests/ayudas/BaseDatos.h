#pragma once

// Databases for the tests: generated ones opened as the program opens them,
// their rows, and second processes on them (a forked copy using the engine,
// and the maintainer's `sqlcipher` shell).

#include "ayudas/Archivos.h"
#include "ayudas/Proceso.h"
#include "database/Configuracion.h"
#include "database/DBEngine.h"
#include "database/VigiaConfirmaciones.h"
#include "generador/GeneradorInstalacion.h"

#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

namespace vesmadur::prueba {

namespace fs = std::filesystem;

// A generated configuration database at `carpeta`/tablas.orv.
inline ResumenGenerado Generar(const CarpetaTemporal& carpeta, std::int32_t entradas) {
    return GenerarBaseConfiguracion(carpeta / "tablas.orv", {.Entradas = entradas, .TablasLD = 3});
}

inline std::unique_ptr<Database> AbrirComoPrograma(const fs::path& archivo) {
    return DBEngine::Instancia().Workspaces(0).OpenDatabase(archivo.string(), true, false,
                                                            kConexionConfiguracion);
}

// Every row of `tabla` by its first column: its second as text, empty when
// Null (by default, each entry's number in "Numeros de lada").
using Numeros = std::map<std::int64_t, std::optional<std::string>>;

inline Numeros LeerNumeros(Database& base, const std::string& tabla = kTablaNumeros) {
    Numeros filas;
    for (auto rs = base.OpenRecordset(tabla); !rs->Eof(); rs->MoveNext())
        filas[*rs->Fields(0).Entero()] =
            rs->Fields(1).EsNulo() ? std::nullopt : std::optional(rs->Fields(1).ComoTexto());
    return filas;
}

// The same of the database at `ruta`; throws when it does not open.
inline Numeros LeerNumeros(const std::string& ruta, const std::string& tabla = kTablaNumeros) {
    const auto base = AbrirComoPrograma(ruta);
    if (!base)
        throw std::runtime_error("no se pudo abrir " + ruta);
    return LeerNumeros(*base, tabla);
}

// A forked copy of this process using the engine as the program does (so
// only while this process holds no database): opens `ruta`, runs `sentencia`
// if any until a commit holds it, says "listo" and holds the database until
// its input closes.
inline std::function<int()> Retener(const std::string& ruta, const std::string& sentencia = "") {
    return [=] {
        std::unique_ptr<Database> base;
        AbrirConfiguracion(base, ruta);
        static bool confirmada;
        confirmada = sentencia.empty();
        VigilarConfirmaciones([](MomentoConfirmacion m, long long) {
            confirmada = confirmada || m == MomentoConfirmacion::Despues;
        });
        while (base && !confirmada)
            base->Execute(sentencia);
        std::puts(base ? "listo" : "fallo");
        std::fflush(stdout);
        for (char c; ::read(0, &c, 1) > 0;) {
        }
        return 0;
    };
}

// Starts a Proceso on `p` with `guion` as its input and waits for its "listo".
template <class P> std::shared_ptr<Proceso> Listo(const P& p, const std::string& guion = "") {
    auto otro = std::make_shared<Proceso>(p);
    otro->Escribir(guion);
    if (otro->Linea() != "listo")
        throw std::runtime_error("el otro proceso no esta listo");
    return otro;
}

// The maintainer's shell on `archivo`, for a Proceso to run.
inline std::function<int()> Shell(const fs::path& archivo) {
    return [ruta = archivo.string()] {
        ::execl(VESMADUR_SHELL, VESMADUR_SHELL, "-batch", ruta.c_str(), nullptr);
        return 127;
    };
}

// Runs the shell on `archivo` with the script as its input (after the
// configuration key when `conClave`); gives what it printed.
inline std::string EjecutarShell(const fs::path& archivo, const std::string& guion,
                                 bool conClave = true) {
    Proceso shell(Shell(archivo));
    shell.Escribir((conClave ? "PRAGMA key='KVTR5316';\n" : "") + guion);
    shell.CerrarEntrada();
    return shell.Leer();
}

} // namespace vesmadur::prueba
