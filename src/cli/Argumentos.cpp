#include "cli/Argumentos.h"

#include "cli/OrdenesCli.h"

#include <QCommandLineParser>
#include <QStringList>
#include <ostream>
#include <set>

namespace vesmadur::cli {

namespace {

const char* const kAyuda =
    "Uso: vesmadur-cli ORDEN [OPCIONES]\n"
    "\n"
    "Ajusta las marcaciones de la configuracion de Orvanto a la marcacion de 2019\n"
    "(quita los prefijos 01, 044 y 045) sin ventana.\n"
    "\n"
    "Ordenes:\n"
    "  estado               edicion, carpeta, marcaciones por ajustar y accion que aplica\n"
    "  revisar              lista cada cambio que haria el ajuste, sin cambiar nada\n"
    "  ajustar              respalda la configuracion y ajusta las marcaciones\n"
    "  respaldos            lista los respaldos de la carpeta de configuracion\n"
    "  restaurar RESPALDO   pone un respaldo (sello o ruta) en lugar de la configuracion\n"
    "  borrar RESPALDO      borra un respaldo (sello o ruta)\n"
    "\n"
    "Opciones:\n"
    "  --carpeta DIR        usa DIR como instalacion cuando no hay ninguna (modo de prueba)\n"
    "  --json               resultado legible por maquina en la salida estandar\n"
    "  --si                 no pregunta: responde que si\n"
    "  --registro ARCHIVO   (ajustar) escribe cada cambio hecho en ARCHIVO, en CSV\n"
    "  --help, --version\n"
    "\n"
    "Codigos de salida: 0 hecho, 1 nada que hacer, 2 sin instalacion,\n"
    "3 rechazado (base abierta por otro programa, respaldo rechazado, otra copia),\n"
    "4 fallo, 64 uso incorrecto.\n";

std::string Texto(const QString& q) {
    return q.toStdString();
}

// The panel's lines use the window's line ends; the terminal wants its own.
} // namespace

std::optional<Opciones> LeerArgumentos(const std::vector<std::string>& argumentos,
                                       std::ostream& salida, std::ostream& errores, int& codigo) {
    QCommandLineParser lector;
    lector.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption carpeta(QStringLiteral("carpeta"), {}, QStringLiteral("DIR"));
    const QCommandLineOption registro(QStringLiteral("registro"), {}, QStringLiteral("ARCHIVO"));
    const QCommandLineOption json(QStringLiteral("json")), si(QStringLiteral("si"));
    const QCommandLineOption ayuda(QStringLiteral("help")), version(QStringLiteral("version"));
    lector.addOptions({carpeta, registro, json, si, ayuda, version});
    QStringList lista{QStringLiteral("vesmadur-cli")};
    for (const auto& a : argumentos)
        lista << QString::fromStdString(a);
    codigo = kUsoIncorrecto;
    if (!lector.parse(lista)) {
        errores << "vesmadur-cli: " << Texto(lector.errorText()) << "\n" << kAyuda;
        return std::nullopt;
    }
    if (lector.isSet(ayuda) || lector.isSet(version)) {
        salida << (lector.isSet(ayuda) ? kAyuda : "vesmadur-cli " VESMADUR_VERSION "\n");
        codigo = kExito;
        return std::nullopt;
    }
    Opciones o;
    const QStringList resto = lector.positionalArguments();
    o.Orden = resto.isEmpty() ? "" : Texto(resto.front());
    const bool conArgumento = o.Orden == "restaurar" || o.Orden == "borrar";
    const std::set<std::string> ordenes{"estado",    "revisar",   "ajustar",
                                        "respaldos", "restaurar", "borrar"};
    if (!ordenes.count(o.Orden) || resto.size() != (conArgumento ? 2 : 1)) {
        errores << "vesmadur-cli: "
                << (o.Orden.empty()           ? "falta la orden"
                    : !ordenes.count(o.Orden) ? "orden desconocida: " + o.Orden
                    : conArgumento            ? o.Orden + " necesita un RESPALDO"
                                              : o.Orden + " no lleva argumentos")
                << "\n"
                << kAyuda;
        return std::nullopt;
    }
    if (conArgumento)
        o.Argumento = Texto(resto[1]);
    o.Carpeta = Texto(lector.value(carpeta));
    o.Registro = Texto(lector.value(registro));
    o.Json = lector.isSet(json);
    o.Si = lector.isSet(si);
    return o;
}

} // namespace vesmadur::cli
