#pragma once

#include "backup/Reloj.h"

#include <chrono>

namespace vesmadur::prueba {

// A clock that shows the moment the test sets.
class RelojFijo : public Reloj {
public:
    explicit RelojFijo(std::chrono::local_seconds momento) : Momento(momento) {}
    std::chrono::local_seconds Ahora() const override { return Momento; }
    std::chrono::local_seconds Momento;
};

// A local moment from its calendar fields.
inline std::chrono::local_seconds Momento(int anio, unsigned mes, unsigned dia, int hora,
                                          int minuto, int segundo) {
    using namespace std::chrono;
    return local_days(year(anio) / month(mes) / day(dia)) + hours(hora) + minutes(minuto) +
           seconds(segundo);
}

} // namespace vesmadur::prueba
