#include "cli/InformeTerminal.h"

namespace vesmadur::cli {

std::string SinRetornos(std::string_view texto) {
    std::string limpio;
    for (char c : texto)
        if (c != '\r')
            limpio += c;
    return limpio;
}

} // namespace vesmadur::cli
