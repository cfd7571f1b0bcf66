#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace vesmadur {

// True for the exact name of a backup: "tablas", eight decimal digits, "-",
// six decimal digits, ".resp", nothing before or after, letter case as given.
bool EsNombreRespaldo(std::string_view nombre);

// The 15-character stamp "yyyymmdd-hhmmss" of a name EsNombreRespaldo admits.
std::string SelloDeRespaldo(std::string_view nombre);

// The path of the backup with stamp `sello` in `directorio`, which ends in a
// separator.
std::string RutaDeRespaldo(const std::string& directorio, const std::string& sello);

// A moment as the chooser shows it, "yyyy-Mmm-dd hh:mm:ss" in local time: the
// year, the abbreviated month name, the day, the hour on the 24-hour clock.
// The month name comes from the C library's time locale named `localidad`;
// the empty name, as everywhere on Linux, takes it from the environment
// (LC_ALL, then LC_TIME, then LANG). A locale that is not installed gives the
// C locale's English names. On Windows the name is the matching Windows
// locale's ("es_MX.UTF-8" is "es-MX"), and the empty name the user's.
std::string FechaRespaldo(std::chrono::system_clock::time_point momento,
                          const char* localidad = "");

// One backup file of a folder: its stamp and the moment the file was created.
struct ArchivoRespaldo {
    std::string Sello;
    std::chrono::system_clock::time_point FechaCreacion;
};

// The backups of the folder `directorio` in the order the folder lists its
// files (no sorting). Other files are skipped; a missing folder has none.
std::vector<ArchivoRespaldo> RespaldosDeCarpeta(const std::string& directorio);

} // namespace vesmadur
