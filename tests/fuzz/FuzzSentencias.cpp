// The statement dialect and the shape reader, which both work in storage a
// session keeps from one statement to the next: each gives the same answer
// in fresh storage and in storage left over from another statement. A text
// the dialect refuses is refused the same way in both.
#include "database/DialectoJet.h"
#include "database/ErrorMotor.h"
#include "database/FormaSentencia.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t tamano) {
    using namespace vesmadur;
    const std::string jet(reinterpret_cast<const char*>(datos), tamano);
    static std::string usado = "DELETE * FROM [x] WHERE a = 'b'";
    static FormaSentencia formaUsada;

    const auto traducir = [&jet](std::string& sql) -> std::string {
        try {
            TraducirDialecto(jet, sql);
            return {};
        } catch (const ErrorMotor& error) {
            return "refused: " + error.Descripcion();
        }
    };
    std::string nuevo;
    const std::string rechazo = traducir(nuevo);
    if (traducir(usado) != rechazo)
        std::abort();
    if (!rechazo.empty()) {
        usado = "UPDATE [y] SET z = 1";
        return 0;
    }
    if (nuevo != usado)
        std::abort();

    FormaSentencia forma;
    const bool leida = LeerForma(nuevo, forma);
    if (LeerForma(nuevo, formaUsada) != leida)
        std::abort();
    if (leida && (forma.Texto != formaUsada.Texto || forma.Literales != formaUsada.Literales))
        std::abort();
    return 0;
}
