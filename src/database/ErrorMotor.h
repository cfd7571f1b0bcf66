#pragma once

#include <stdexcept>
#include <string>

namespace vesmadur {

// A failure of a database operation after the open (statement, cursor,
// close). It carries the engine's own description, which callers show to
// the operator after their own words.
class ErrorMotor : public std::runtime_error {
public:
    explicit ErrorMotor(const std::string& descripcion) : std::runtime_error(descripcion) {}
    std::string Descripcion() const { return what(); }
};

} // namespace vesmadur
