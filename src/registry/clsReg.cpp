#include "registry/clsReg.h"

#include "registry/ConstantesRegistro.h"
#ifdef _WIN32
#include "common/TextoWin32.h"
#endif

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace vesmadur {

namespace {

// A key opened or created by one operation, closed when the operation ends
// on whatever path.
class ClaveAbierta {
public:
    explicit ClaveAbierta(OperacionesRegistro& ops) : ops_(ops) {}
    ClaveAbierta(const ClaveAbierta&) = delete;
    ClaveAbierta& operator=(const ClaveAbierta&) = delete;
    ~ClaveAbierta() { Cerrar(); }

    std::int32_t Abrir(ManejadorClave raiz, const std::string& ruta, std::uint32_t acceso) {
        return Resultado(ops_.AbrirClave(raiz, ruta, 0, acceso, clave_));
    }
    std::int32_t Crear(ManejadorClave raiz, const std::string& ruta) {
        return Resultado(ops_.CrearClave(raiz, ruta, REG_OPTION_NON_VOLATILE,
                                         KEY_DERECHOS_ESCRITURA, clave_, nullptr));
    }
    void Cerrar() {
        if (abierta_)
            ops_.CerrarClave(clave_);
        abierta_ = false;
    }
    ManejadorClave operator*() const { return clave_; }

private:
    std::int32_t Resultado(std::int32_t r) {
        abierta_ = r == ERROR_SUCCESS;
        return r;
    }

    OperacionesRegistro& ops_;
    ManejadorClave clave_ = 0;
    bool abierta_ = false;
};

std::uint32_t InvertirBytes(std::uint32_t n) {
    return (n >> 24) | ((n >> 8) & 0xFF00) | ((n << 8) & 0xFF0000) | (n << 24);
}

// The file name of the running program without its extension.
std::string NombreEjecutable() {
#ifdef _WIN32
    const auto nombre = std::filesystem::path(RutaDelPrograma()).stem();
    return nombre.empty() ? std::string("vesmadur") : Utf8DeAncho(nombre.wstring());
#else
    std::error_code error;
    const auto ruta = std::filesystem::read_symlink("/proc/self/exe", error);
    return error || ruta.stem().empty() ? std::string("vesmadur") : ruta.stem().string();
#endif
}

// Text with a '%' and another '%' at least two characters after it holds an
// environment reference; "%%" alone does not.
bool TieneReferencia(const std::string& s) {
    const auto p = s.find('%');
    return p != std::string::npos && s.find('%', p + 2) != std::string::npos;
}

const std::uint8_t* Octetos(const std::string& s) {
    return reinterpret_cast<const std::uint8_t*>(s.c_str());
}

// How often a read is asked again when the value or the environment grew
// between the size query and the copy.
constexpr int Intentos = 4;

// The type and bytes of a value: its size first, then its data. The value
// may change or vanish between the two calls, so the type and size that count
// are those of the call that copied; a value that grew is asked for again.
// Anything but a full copy is a failure, never a buffer the call did not fill.
std::int32_t LeerValor(OperacionesRegistro& ops, ManejadorClave clave, const std::string& nombre,
                       std::uint32_t& tipo, Bytes& datos) {
    std::uint32_t tamano = 0;
    auto resultado = ops.ConsultarValor(clave, nombre, &tipo, nullptr, &tamano);
    for (int i = 0; i < Intentos && (resultado == ERROR_SUCCESS || resultado == ERROR_MORE_DATA);
         ++i) {
        // Never a null buffer: with one, the call reports a size and copies
        // nothing.
        datos.assign(std::max<std::uint32_t>(tamano, 1), 0);
        resultado = ops.ConsultarValor(clave, nombre, &tipo, datos.data(), &tamano);
        if (resultado == ERROR_SUCCESS && tamano <= datos.size()) {
            datos.resize(tamano);
            return ERROR_SUCCESS;
        }
    }
    return resultado == ERROR_SUCCESS ? ERROR_MORE_DATA : resultado;
}

// The text with its environment references expanded; the text as it is when
// the expansion fails. The environment may change between the size query
// and the copy: the size that counts is the copy's.
std::string Expandido(OperacionesRegistro& ops, const std::string& texto) {
    auto necesario = ops.ExpandirEntorno(texto, nullptr, 0);
    for (int i = 0; i < Intentos && necesario > 0; ++i) {
        std::vector<char> expandido(necesario, '\0');
        const auto copiado = ops.ExpandirEntorno(texto, expandido.data(), necesario);
        if (copiado > 0 && copiado <= necesario)
            return std::string(expandido.data(), copiado - 1);
        necesario = copiado;
    }
    return texto;
}

} // namespace

std::string clsReg::ClaveEnTexto() const {
    return "'" + std::to_string(claseClave_) + "',Section: '" + seccionClave_;
}

bool clsReg::HaySeccionClave() const {
    ClaveAbierta clave(ops_);
    return clave.Abrir(Raiz(), seccionClave_, KEY_QUERY_VALUE) == ERROR_SUCCESS;
}

bool clsReg::CrearClave() {
    ClaveAbierta clave(ops_);
    if (clave.Crear(Raiz(), seccionClave_) != ERROR_SUCCESS)
        throw ErrorRegistro(ErrClaveRegistro, "clsReg.CrearClave",
                            "Fallo al crear la clave de registro: '" + seccionClave_ + "'");
    return true;
}

bool clsReg::BorrarClave() {
    if (ops_.BorrarClave(Raiz(), seccionClave_) != ERROR_SUCCESS)
        throw ErrorRegistro(ErrClaveRegistro, "clsReg.BorrarClave",
                            "Fallo al borrar la clave de registro: " + ClaveEnTexto());
    return true;
}

bool clsReg::BorrarValor() {
    ClaveAbierta clave(ops_);
    if (clave.Abrir(Raiz(), seccionClave_, KEY_DERECHOS_ESCRITURA) != ERROR_SUCCESS)
        throw ErrorRegistro(ErrClaveRegistro, "clsRegistro.BorrarValor",
                            "Fallo al abrir la clave " + ClaveEnTexto() +
                                "' para acceso de borrado.");
    const auto resultado = ops_.BorrarValor(*clave, valorClave_);
    clave.Cerrar();
    if (resultado != ERROR_SUCCESS)
        throw ErrorRegistro(ErrClaveRegistro, "clsRegistro.BorrarValor",
                            "Fallo al borrar la clave de registro: " + ClaveEnTexto() + "',Key: '" +
                                valorClave_ + "'");
    return true;
}

bool clsReg::HayValor() {
    return !valorClave_.empty() && !Valor().EsNulo();
}

Variante clsReg::Valor() {
    ClaveAbierta clave(ops_);
    if (clave.Abrir(Raiz(), seccionClave_, KEY_QUERY_VALUE) != ERROR_SUCCESS)
        return defecto_;
    std::uint32_t tipo = 0;
    Bytes datos;
    if (LeerValor(ops_, *clave, valorClave_, tipo, datos) != ERROR_SUCCESS)
        return defecto_;
    tipoValor_ = static_cast<std::int32_t>(tipo);
    switch (tipoValor_) {
    case REG_SZ:
    case REG_MULTI_SZ:
    case REG_EXPAND_SZ: {
        if (datos.empty())
            return std::string();
        std::string texto(datos.begin(), datos.end() - 1);
        while (!texto.empty() && texto.back() == '\0')
            texto.pop_back();
        return tipoValor_ == REG_EXPAND_SZ ? Expandido(ops_, texto) : texto;
    }
    case REG_DWORD:
    case REG_DWORD_BIG_ENDIAN: {
        // At most four bytes: a longer value does not fit and reads as 0.
        std::array<std::uint8_t, 4> b{};
        if (datos.size() <= b.size())
            std::copy(datos.begin(), datos.end(), b.begin());
        std::uint32_t n = b[0] | b[1] << 8 | b[2] << 16 | static_cast<std::uint32_t>(b[3]) << 24;
        if (tipoValor_ == REG_DWORD_BIG_ENDIAN)
            n = InvertirBytes(n);
        return static_cast<std::int32_t>(n);
    }
    default:
        return datos;
    }
}

void clsReg::Valor(const Variante& vValue) {
    const Variante valor = vValue;
    const auto fallo = [&](const std::string& inicio, const std::string& ante) {
        return inicio + ClaveEnTexto() + "',Key: '" + valorClave_ + ante + valor.ComoTexto() + "'";
    };
    ClaveAbierta clave(ops_);
    if (clave.Crear(Raiz(), seccionClave_) != ERROR_SUCCESS)
        throw ErrorRegistro(ErrClaveRegistro, "clsReg.Valor",
                            fallo("Fallo al poner el valor de registro: ", "' al valor: '"));
    std::int32_t resultado = ERROR_INVALID_DATA;
    switch (tipoValor_) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
        const auto texto = valor.ComoTexto();
        const auto tipo = TieneReferencia(texto) ? REG_EXPAND_SZ : REG_SZ;
        resultado = ops_.PonerValor(*clave, valorClave_, tipo, Octetos(texto),
                                    static_cast<std::uint32_t>(texto.size() + 1));
        break;
    }
    case REG_BINARY: {
        const auto* bytes = valor.Octetos();
        if (!bytes) {
            clave.Cerrar();
            throw ErrorRegistro(ErrClaveRegistro, "", DescripcionGenerica);
        }
        resultado = ops_.PonerValor(*clave, valorClave_, REG_BINARY, bytes->data(),
                                    static_cast<std::uint32_t>(bytes->size()));
        break;
    }
    case REG_DWORD:
    case REG_DWORD_BIG_ENDIAN: {
        // Only 16- and 32-bit integers are numbers of this type; anything
        // else is refused like a type that cannot be written.
        std::optional<std::int32_t> n;
        if (const auto* corto = std::get_if<std::int16_t>(&valor.Valor()))
            n = *corto;
        if (const auto* largo = std::get_if<std::int32_t>(&valor.Valor()))
            n = *largo;
        if (n) {
            const auto u = static_cast<std::uint32_t>(*n);
            const std::array<std::uint8_t, 4> b{
                static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
                static_cast<std::uint8_t>(u >> 16), static_cast<std::uint8_t>(u >> 24)};
            resultado = ops_.PonerValor(*clave, valorClave_, REG_DWORD, b.data(), 4);
        }
        break;
    }
    default:
        break;
    }
    clave.Cerrar();
    if (resultado != ERROR_SUCCESS)
        throw ErrorRegistro(
            ErrPonerValor, "clsReg.Valor",
            fallo("Fallo al poner el valor de registro de la clave: ", "' to value: '"));
}

bool clsReg::EnumerarValores(std::vector<std::string>& sKeyNames, std::int32_t& iKeyCount) {
    iKeyCount = 0;
    sKeyNames.clear();
    ClaveAbierta clave(ops_);
    if (clave.Abrir(Raiz(), seccionClave_, KEY_QUERY_VALUE) != ERROR_SUCCESS)
        return true;
    std::uint32_t largo = 0;
    if (ops_.ConsultarInfoClave(*clave, nullptr, nullptr, nullptr, &largo, nullptr) !=
        ERROR_SUCCESS)
        return true;
    for (std::uint32_t indice = 0;; ++indice) {
        std::vector<char> nombre(largo + 1, '\0');
        std::uint32_t tamano = largo + 1;
        if (ops_.EnumerarValor(*clave, indice, nombre.data(), &tamano) != ERROR_SUCCESS)
            break;
        sKeyNames.emplace_back(nombre.data(), tamano);
        ++iKeyCount;
    }
    return true;
}

bool clsReg::EnumerarSecciones(std::vector<std::string>& sSect, std::int32_t& iSectCount) {
    iSectCount = 0;
    sSect.clear();
    ClaveAbierta clave(ops_);
    try {
        auto resultado = clave.Abrir(Raiz(), seccionClave_, KEY_ENUMERATE_SUB_KEYS);
        for (std::uint32_t indice = 0; resultado == ERROR_SUCCESS; ++indice) {
            std::array<char, 255> nombre{};
            resultado = ops_.EnumerarClave(*clave, indice, nombre.data(), nombre.size());
            if (resultado == ERROR_SUCCESS) {
                sSect.emplace_back(nombre.data(), ::strnlen(nombre.data(), nombre.size()));
                ++iSectCount;
            }
        }
    } catch (const std::exception& e) {
        clave.Cerrar();
        throw ErrorRegistro(ErrEnumerarSecciones,
                            NombreEjecutable() + "cRegistry.EnumerarSecciones", e.what());
    }
    return true;
}

void clsReg::EscrituraDoble(const std::string& t) {
    claseClave_ = HKEY_CLASSES_ROOT;
    Valor(t);
    const auto seccion = seccionClave_;
    claseClave_ = HKEY_LOCAL_MACHINE;
    seccionClave_ = "SOFTWARE\\Classes\\" + seccion;
    Valor(t);
    seccionClave_ = seccion;
}

void clsReg::CreateEXEAssociation(const std::string& sExePath, const std::string& sClassName,
                                  const std::string& sClassDescription,
                                  const std::string& sAssociation, const std::string& sOpenMenuText,
                                  bool bSupportPrint, const std::string& sPrintMenuText,
                                  bool bSupportNew, const std::string& sNewMenuText,
                                  bool bSupportInstall, const std::string& sInstallMenuText,
                                  std::int32_t lDefaultIconIndex) {
    const auto inicio = sExePath.find_first_not_of(' ');
    std::string ruta = inicio == std::string::npos
                           ? std::string()
                           : sExePath.substr(inicio, sExePath.find_last_not_of(' ') - inicio + 1);
    if (!ruta.starts_with('"'))
        ruta.insert(0, 1, '"');
    if (!ruta.ends_with('"'))
        ruta += '"';

    const auto o = [](const std::string& texto, const std::string& porDefecto) {
        return texto.empty() ? porDefecto : texto;
    };
    const auto escribir = [this](const std::string& seccion, const std::string& texto) {
        seccionClave_ = seccion;
        EscrituraDoble(texto);
    };
    const auto verbo = [&](const std::string& nombre, const std::string& texto,
                           const std::string& argumento) {
        escribir(sClassName + "\\shell\\" + nombre, texto);
        escribir(sClassName + "\\shell\\" + nombre + "\\command",
                 ruta + " " + argumento + "\"%1\"");
    };

    seccionClave_ = "." + sAssociation;
    tipoValor_ = REG_SZ;
    valorClave_.clear();
    escribir("." + sAssociation, sClassName);
    escribir(sClassName, sClassDescription);
    verbo("open", o(sOpenMenuText, "&Open"), "");
    if (bSupportPrint)
        verbo("print", o(sPrintMenuText, "&Print"), "/p ");
    if (bSupportInstall)
        verbo("add", o(sInstallMenuText, "&Install " + sAssociation), "/a ");
    if (bSupportNew)
        verbo("new", o(sNewMenuText, "&New"), "/n ");
    if (lDefaultIconIndex > -1)
        escribir(sClassName + "\\DefaultIcon", ruta + "," + std::to_string(lDefaultIconIndex));
}

void clsReg::CreateAdditionalEXEAssociations(const std::string& sClassName,
                                             const std::vector<Variante>& vItems) {
    if (vItems.size() % 3 != 0)
        throw ErrorRegistro(ErrListaAsociaciones, NombreEjecutable() + ".clsReg",
                            "Invalid parameter list passed to CreateAdditionalEXEAssociations - "
                            "expected Name/Text/Command");
    seccionClave_ = sClassName;
    if (!HaySeccionClave())
        throw ErrorRegistro(ErrClaseSinDefinir, NombreEjecutable() + ".clsReg",
                            "Error - attempt to create additional associations before class "
                            "defined.");
    for (std::size_t i = 0; i < vItems.size(); i += 3) {
        const auto verbo = sClassName + "\\shell\\" + vItems[i].ComoTexto();
        const auto escribir = [this](const std::string& seccion, const Variante& texto) {
            tipoValor_ = REG_SZ;
            seccionClave_ = seccion;
            valorClave_.clear();
            try {
                EscrituraDoble(texto.ComoTexto());
            } catch (const ErrorRegistro&) {
                // A failed write is skipped; the next one is still made.
            }
        };
        escribir(verbo, vItems[i + 1]);
        escribir(verbo + "\\command", vItems[i + 2]);
    }
}

} // namespace vesmadur
