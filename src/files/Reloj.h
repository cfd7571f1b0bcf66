#pragma once

#include <chrono>
#include <string>

namespace vesmadur {

// The local date and time, to the second. Backups are named with it; tests
// give their own clock to fix the moment.
class Reloj {
public:
    virtual ~Reloj() = default;
    virtual std::chrono::local_seconds Ahora() const = 0;
};

// The machine's clock in the machine's time zone.
class RelojSistema final : public Reloj {
public:
    std::chrono::local_seconds Ahora() const override;
};

// The stamp "yyyymmdd-hhmmss" of a local moment: 15 characters, the hour on
// the 24-hour clock, every field zero-padded.
std::string SelloTiempo(std::chrono::local_seconds momento);

} // namespace vesmadur
