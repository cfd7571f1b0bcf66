#include "backup/CatalogoRespaldos.h"

#include "files/SistemaArchivos.h"

#include <clocale>
#include <ctime>
#ifdef _WIN32
#include "common/TextoWin32.h"

#include <windows.h>
#else
#include <langinfo.h>
#include <locale.h>
#endif

namespace vesmadur {

namespace {

constexpr std::string_view kInicio = "tablas";
constexpr std::string_view kFin = ".resp";
// "yyyymmdd-hhmmss": where the hyphen stands, and the stamp's length.
constexpr std::size_t kGuion = 8;
constexpr std::size_t kLargoSello = 15;

bool EsDigito(char c) {
    return c >= '0' && c <= '9';
}

#ifdef _WIN32
// The abbreviated name of month `mes` (0 to 11) in the Windows locale that
// `localidad` names ("es_MX.UTF-8" is "es-MX"), the user's when it is empty;
// English when Windows knows no such locale.
std::string MesAbreviado(int mes, const char* localidad) {
    std::string nombre(localidad);
    nombre = nombre.substr(0, nombre.find('.'));
    for (char& c : nombre)
        c = c == '_' ? '-' : c;
    const std::wstring ancho = Ancho(nombre);
    wchar_t mesAncho[80] = {};
    if (GetLocaleInfoEx(nombre.empty() ? LOCALE_NAME_USER_DEFAULT : ancho.c_str(),
                        LOCALE_SABBREVMONTHNAME1 + static_cast<LCTYPE>(mes), mesAncho, 80) > 0)
        return Utf8DeAncho(mesAncho);
    static constexpr const char* Ingles[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    return Ingles[mes];
}
#else
// The time locale of the month names, made once: the name the caller gives,
// or the C locale when that one is not installed.
locale_t LocalidadTiempo(const char* nombre) {
    locale_t localidad = ::newlocale(LC_TIME_MASK, nombre, static_cast<locale_t>(0));
    return localidad ? localidad : ::newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(0));
}

std::string MesAbreviado(int mes, const char* localidad) {
    // The environment's locale is read once; a locale named by the caller
    // each time (tests).
    static const locale_t delEntorno = LocalidadTiempo("");
    const bool propia = *localidad != '\0';
    const locale_t tiempo = propia ? LocalidadTiempo(localidad) : delEntorno;
    const std::string nombre = tiempo ? ::nl_langinfo_l(ABMON_1 + mes, tiempo) : "";
    if (propia && tiempo)
        ::freelocale(tiempo);
    return nombre;
}
#endif

} // namespace

bool EsNombreRespaldo(std::string_view nombre) {
    if (nombre.size() != kInicio.size() + kLargoSello + kFin.size() ||
        !nombre.starts_with(kInicio) || !nombre.ends_with(kFin))
        return false;
    const auto sello = nombre.substr(kInicio.size(), kLargoSello);
    for (std::size_t i = 0; i < sello.size(); ++i)
        if (i == kGuion ? sello[i] != '-' : !EsDigito(sello[i]))
            return false;
    return true;
}

std::string SelloDeRespaldo(std::string_view nombre) {
    return std::string(nombre.substr(kInicio.size(), kLargoSello));
}

std::string RutaDeRespaldo(const std::string& directorio, const std::string& sello) {
    return directorio + std::string(kInicio) + sello + std::string(kFin);
}

std::string FechaRespaldo(std::chrono::system_clock::time_point momento, const char* localidad) {
    const std::time_t segundos = std::chrono::system_clock::to_time_t(momento);
    std::tm local{};
    ::localtime_r(&segundos, &local);
    const std::string mes = MesAbreviado(local.tm_mon, localidad);
    char texto[64];
    std::snprintf(texto, sizeof texto, "%04d-%s-%02d %02d:%02d:%02d", local.tm_year + 1900,
                  mes.c_str(), local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return texto;
}

std::vector<ArchivoRespaldo> RespaldosDeCarpeta(const std::string& directorio) {
    std::vector<ArchivoRespaldo> respaldos;
    const auto carpeta = SistemaArchivos().GetFolder(directorio);
    if (!carpeta)
        return respaldos;
    for (const auto& archivo : carpeta->Files())
        if (EsNombreRespaldo(archivo.Name()))
            respaldos.push_back({SelloDeRespaldo(archivo.Name()), archivo.DateCreated()});
    return respaldos;
}

} // namespace vesmadur
