#include "files/Reloj.h"

#include <cstdio>
#include <ctime>

namespace vesmadur {

std::chrono::local_seconds RelojSistema::Ahora() const {
    std::time_t ahora = std::time(nullptr);
    std::tm local{};
    localtime_r(&ahora, &local);
    using namespace std::chrono;
    auto dia =
        year_month_day(year(local.tm_year + 1900), month(static_cast<unsigned>(local.tm_mon + 1)),
                       day(static_cast<unsigned>(local.tm_mday)));
    return local_days(dia) + hours(local.tm_hour) + minutes(local.tm_min) +
           seconds(local.tm_sec > 59 ? 59 : local.tm_sec);
}

std::string SelloTiempo(std::chrono::local_seconds momento) {
    using namespace std::chrono;
    auto dia = floor<days>(momento);
    year_month_day fecha(dia);
    hh_mm_ss hora(momento - dia);
    char texto[32];
    std::snprintf(texto, sizeof texto, "%04d%02u%02u-%02d%02d%02d", static_cast<int>(fecha.year()),
                  static_cast<unsigned>(fecha.month()), static_cast<unsigned>(fecha.day()),
                  static_cast<int>(hora.hours().count()), static_cast<int>(hora.minutes().count()),
                  static_cast<int>(hora.seconds().count()));
    return texto;
}

} // namespace vesmadur
