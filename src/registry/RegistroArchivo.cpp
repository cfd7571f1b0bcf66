#include "registry/RegistroArchivo.h"

#include "registry/ConstantesRegistro.h"
#include "registry/FormatoReg.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace vesmadur {

namespace {

constexpr std::uint32_t TodoAcceso = 0xFFFFFFFF;

std::int32_t CodigoDeErrno(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        return ERROR_ACCESS_DENIED;
    case ENOSPC:
    case EDQUOT:
        return ERROR_DISK_FULL;
    default:
        return ERROR_REGISTRY_IO_FAILED;
    }
}

// A file descriptor closed on every path.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int Fd() const { return fd_; }
    // Closes now and reports whether the close succeeded.
    bool Cerrar() {
        const int fd = std::exchange(fd_, -1);
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

bool EscribirTodo(int fd, std::string_view texto) {
    while (!texto.empty()) {
        const auto n = ::write(fd, texto.data(), texto.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        texto.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool NombreValido(std::string_view nombre, std::size_t maximo) {
    return nombre.find_first_of(std::string_view("\0\r\n", 3)) == std::string_view::npos &&
           LongitudUtf16(nombre) <= maximo;
}

bool EsClaveProtegida(const std::vector<std::string>& ruta) {
    static const auto clases = *RutaDeRaiz(HKEY_CLASSES_ROOT);
    if (ruta.size() > clases.size())
        return false;
    return std::equal(ruta.begin(), ruta.end(), clases.begin(),
                      [](const auto& a, const auto& b) { return MismoNombre(a, b); }) ||
           ruta.size() <= 1;
}

std::optional<std::string> VariableEntorno(std::string_view nombre) {
    if (nombre.empty() || nombre.find('=') != std::string_view::npos)
        return std::nullopt;
    if (const char* v = std::getenv(std::string(nombre).c_str()))
        return v;
    // Windows names are case-insensitive: %temp% finds TEMP.
    for (char** e = environ; e && *e; ++e) {
        const std::string_view entrada(*e);
        const auto igual = entrada.find('=');
        if (igual == nombre.size() &&
            std::equal(nombre.begin(), nombre.end(), entrada.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) ==
                       std::tolower(static_cast<unsigned char>(b));
            }))
            return std::string(entrada.substr(igual + 1));
    }
    return std::nullopt;
}

// %NAME% replaced for variables that exist. An unknown reference is kept
// without its closing '%', which may open the next reference, as Windows does.
std::string Expandir(std::string_view s) {
    std::string r;
    std::size_t i = 0;
    while (i < s.size()) {
        if (s[i] != '%') {
            r += s[i++];
            continue;
        }
        const auto cierre = s.find('%', i + 1);
        if (cierre == std::string_view::npos) {
            r += s.substr(i);
            break;
        }
        if (auto valor = VariableEntorno(s.substr(i + 1, cierre - i - 1))) {
            r += *valor;
            i = cierre + 1;
        } else {
            r += s.substr(i, cierre - i);
            i = cierre;
        }
    }
    return r;
}

} // namespace

RegistroArchivo::Identidad RegistroArchivo::IdentidadDe(const struct stat& st) {
    const auto nanosegundos = [](const timespec& t) {
        return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
    };
    return {true,
            static_cast<std::uint64_t>(st.st_dev),
            static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::uint64_t>(st.st_size),
            nanosegundos(st.st_mtim),
            nanosegundos(st.st_ctim)};
}

RegistroArchivo::RegistroArchivo(std::filesystem::path hive) : hive_(std::move(hive)) {}

std::filesystem::path RegistroArchivo::RutaPredeterminada() {
    const char* ruta = std::getenv("VESMADUR_REGISTRO");
    if (ruta && *ruta)
        return ruta;
    return "/etc/vesmadur/registro.reg";
}

std::int32_t RegistroArchivo::Resolver(ManejadorClave clave, const std::string& ruta,
                                       Destino& destino) const {
    const auto corto = static_cast<std::int32_t>(clave);
    if (auto raiz = corto == clave ? RutaDeRaiz(corto) : std::nullopt) {
        destino.Base = std::move(*raiz);
        destino.Acceso = TodoAcceso;
    } else if (auto it = abiertas_.find(clave); it != abiertas_.end()) {
        destino.Base = it->second.Completa;
        destino.Acceso = it->second.Acceso;
    } else {
        return ERROR_INVALID_HANDLE;
    }
    destino.Completa = destino.Base;
    if (ruta.empty())
        return ERROR_SUCCESS;
    if (ruta[0] == '\\')
        return ERROR_BAD_PATHNAME;
    // Repeated and trailing separators name no key of their own.
    std::string_view resto(ruta);
    while (!resto.empty()) {
        const auto barra = resto.find('\\');
        if (const auto parte = resto.substr(0, barra); !parte.empty()) {
            destino.Completa.emplace_back(parte);
            if (destino.Completa.size() > MaxProfundidadClave + 1)
                return ERROR_BAD_PATHNAME;
        }
        resto.remove_prefix(barra == std::string_view::npos ? resto.size() : barra + 1);
    }
    return ERROR_SUCCESS;
}

std::int32_t RegistroArchivo::Nodo(ManejadorClave clave, std::uint32_t acceso,
                                   const NodoClave*& nodo, Ruta_* ruta) {
    Destino d;
    if (auto r = Resolver(clave, {}, d))
        return r;
    if ((d.Acceso & acceso) != acceso)
        return ERROR_ACCESS_DENIED;
    nodo = Actual().Buscar(d.Base);
    if (!nodo)
        return ERROR_KEY_DELETED;
    if (ruta)
        *ruta = std::move(d.Base);
    return ERROR_SUCCESS;
}

ManejadorClave RegistroArchivo::Abrir(Ruta_ ruta, std::uint32_t acceso) {
    const auto clave = siguiente_++;
    abiertas_[clave] = Destino{{}, std::move(ruta), acceso};
    return clave;
}

RegistroArchivo::Lectura RegistroArchivo::LeerArchivo() const {
    Lectura l;
    AsegurarClavesBase(l.Claves);
    // Not blocking: a FIFO would block the open until something wrote to it.
    Descriptor fd(::open(hive_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st {};
    if (fd.Fd() < 0) {
        if (errno != ENOENT)
            l.Codigo = CodigoDeErrno(errno);
        return l;
    }
    if (::fstat(fd.Fd(), &st) != 0) {
        l.Codigo = CodigoDeErrno(errno);
        return l;
    }
    l.De = IdentidadDe(st);
    if (!S_ISREG(st.st_mode)) {
        l.Codigo = ERROR_REGISTRY_IO_FAILED;
        return l;
    }
    std::string contenido;
    char bloque[65536];
    while (true) {
        const auto n = ::read(fd.Fd(), bloque, sizeof bloque);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            l.Codigo = CodigoDeErrno(errno);
            return l;
        }
        if (n == 0)
            break;
        contenido.append(bloque, static_cast<std::size_t>(n));
    }
    if (auto claves = LeerFormatoReg(contenido)) {
        l.Claves = std::move(*claves);
        AsegurarClavesBase(l.Claves);
    } else {
        l.Codigo = ERROR_BADDB;
    }
    return l;
}

const Colmena& RegistroArchivo::Actual() {
    struct stat st {};
    Identidad ahora;
    if (::stat(hive_.c_str(), &st) == 0)
        ahora = IdentidadDe(st);
    if (!cache_ || cache_->De != ahora)
        cache_ = LeerArchivo();
    return cache_->Claves;
}

std::filesystem::path RegistroArchivo::RutaReal() const {
    std::error_code error;
    auto real = std::filesystem::weakly_canonical(hive_, error);
    return error ? hive_ : real;
}

std::int32_t RegistroArchivo::Guardar(const Colmena& claves, Identidad& identidad) const {
    const auto real = RutaReal();
    const auto carpeta = real.has_parent_path() ? real.parent_path() : std::filesystem::path(".");
    std::string temporal = (carpeta / ("." + real.filename().string() + ".XXXXXX")).string();
    Descriptor fd(::mkostemp(temporal.data(), O_CLOEXEC));
    if (fd.Fd() < 0)
        return CodigoDeErrno(errno);
    struct stat st {};
    const mode_t modo = ::stat(hive_.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    const bool escrito =
        ::fchmod(fd.Fd(), modo) == 0 && EscribirTodo(fd.Fd(), EscribirFormatoReg(claves)) &&
        ::fsync(fd.Fd()) == 0 && fd.Cerrar() && ::rename(temporal.c_str(), real.c_str()) == 0;
    if (!escrito) {
        const int error = errno;
        ::unlink(temporal.c_str());
        return CodigoDeErrno(error);
    }
    // The new hive is in place: flushing the folder's entry is best effort,
    // and a folder that cannot be opened for it does not undo the write.
    Descriptor dir(::open(carpeta.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Fd() >= 0)
        ::fsync(dir.Fd());
    if (::stat(hive_.c_str(), &st) == 0)
        identidad = IdentidadDe(st);
    return ERROR_SUCCESS;
}

template <class Cambio> std::int32_t RegistroArchivo::Modificar(Cambio&& cambio) {
    Descriptor cerrojo(
        ::open((RutaReal().string() + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (cerrojo.Fd() < 0)
        return CodigoDeErrno(errno);
    while (::flock(cerrojo.Fd(), LOCK_EX) != 0)
        if (errno != EINTR)
            return CodigoDeErrno(errno);
    auto lectura = LeerArchivo();
    if (lectura.Codigo != ERROR_SUCCESS) {
        const auto codigo = lectura.Codigo;
        cache_ = std::move(lectura);
        return codigo;
    }
    bool cambiado = false;
    auto resultado = cambio(lectura.Claves, cambiado);
    if (resultado == ERROR_SUCCESS && cambiado) {
        resultado = Guardar(lectura.Claves, lectura.De);
        if (resultado != ERROR_SUCCESS)
            return resultado;
    }
    cache_ = std::move(lectura);
    return resultado;
}

std::int32_t RegistroArchivo::AbrirClave(ManejadorClave raiz, const std::string& ruta,
                                         std::uint32_t, std::uint32_t acceso,
                                         ManejadorClave& clave) {
    std::lock_guard guarda(mutex_);
    Destino d;
    if (auto r = Resolver(raiz, ruta, d))
        return r;
    const auto& claves = Actual();
    if (!claves.Buscar(d.Base))
        return ERROR_KEY_DELETED;
    if (!claves.Buscar(d.Completa))
        return ERROR_FILE_NOT_FOUND;
    clave = Abrir(std::move(d.Completa), acceso);
    return ERROR_SUCCESS;
}

std::int32_t RegistroArchivo::CrearClave(ManejadorClave raiz, const std::string& ruta,
                                         std::uint32_t, std::uint32_t acceso, ManejadorClave& clave,
                                         std::uint32_t* disposicion) {
    std::lock_guard guarda(mutex_);
    Destino d;
    if (auto r = Resolver(raiz, ruta, d))
        return r;
    for (auto i = d.Base.size(); i < d.Completa.size(); ++i)
        if (!NombreValido(d.Completa[i], MaxNombreClave))
            return ERROR_INVALID_PARAMETER;
    const auto& actual = Actual();
    if (!actual.Buscar(d.Base))
        return ERROR_KEY_DELETED;
    bool creada = false;
    if (!actual.Buscar(d.Completa)) {
        const auto r = Modificar([&](Colmena& claves, bool& cambiado) {
            NodoClave* k = claves.Buscar(d.Base);
            if (!k)
                return ERROR_KEY_DELETED;
            for (auto i = d.Base.size(); i < d.Completa.size(); ++i) {
                cambiado = cambiado || !k->Subclave(d.Completa[i]);
                k = &k->CrearSubclave(d.Completa[i]);
            }
            creada = cambiado;
            return ERROR_SUCCESS;
        });
        if (r != ERROR_SUCCESS)
            return r;
    }
    if (disposicion)
        *disposicion = creada ? 1 : 2;
    clave = Abrir(std::move(d.Completa), acceso);
    return ERROR_SUCCESS;
}

std::int32_t RegistroArchivo::CerrarClave(ManejadorClave clave) {
    std::lock_guard guarda(mutex_);
    const auto corto = static_cast<std::int32_t>(clave);
    if (corto == clave && RutaDeRaiz(corto))
        return ERROR_SUCCESS;
    return abiertas_.erase(clave) == 1 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

std::int32_t RegistroArchivo::ConsultarValor(ManejadorClave clave, const std::string& nombre,
                                             std::uint32_t* tipo, std::uint8_t* datos,
                                             std::uint32_t* tamano) {
    std::lock_guard guarda(mutex_);
    const NodoClave* k = nullptr;
    if (auto r = Nodo(clave, KEY_QUERY_VALUE, k))
        return r;
    const auto* v = k->Valor(nombre);
    if (!v)
        return ERROR_FILE_NOT_FOUND;
    if (datos && !tamano)
        return ERROR_INVALID_PARAMETER;
    const auto necesario = static_cast<std::uint32_t>(v->Datos.size());
    if (tipo)
        *tipo = v->Tipo;
    if (datos && *tamano < necesario) {
        *tamano = necesario;
        return ERROR_MORE_DATA;
    }
    if (datos)
        std::copy(v->Datos.begin(), v->Datos.end(), datos);
    if (tamano)
        *tamano = necesario;
    return ERROR_SUCCESS;
}

std::int32_t RegistroArchivo::PonerValor(ManejadorClave clave, const std::string& nombre,
                                         std::uint32_t tipo, const std::uint8_t* datos,
                                         std::uint32_t tamano) {
    std::lock_guard guarda(mutex_);
    const NodoClave* k = nullptr;
    Ruta_ ruta;
    if (auto r = Nodo(clave, KEY_SET_VALUE, k, &ruta))
        return r;
    if ((!datos && tamano > 0) || !NombreValido(nombre, MaxNombreValor))
        return ERROR_INVALID_PARAMETER;
    const bool texto = tipo == REG_SZ || tipo == REG_EXPAND_SZ || tipo == REG_MULTI_SZ;
    if (texto && tamano > 0 && datos[tamano - 1] != 0 && datos[tamano] == 0)
        ++tamano;
    Bytes nuevos(datos, datos + tamano);
    if (const auto* v = k->Valor(nombre); v && v->Tipo == tipo && v->Datos == nuevos)
        return ERROR_SUCCESS;
    return Modificar([&](Colmena& claves, bool& cambiado) {
        NodoClave* nodo = claves.Buscar(ruta);
        if (!nodo)
            return ERROR_KEY_DELETED;
        nodo->PonerValor(nombre, tipo, std::move(nuevos));
        cambiado = true;
        return ERROR_SUCCESS;
    });
}

std::int32_t RegistroArchivo::BorrarClave(ManejadorClave raiz, const std::string& ruta) {
    std::lock_guard guarda(mutex_);
    Destino d;
    if (auto r = Resolver(raiz, ruta, d))
        return r;
    if (EsClaveProtegida(d.Completa))
        return ERROR_ACCESS_DENIED;
    const auto& actual = Actual();
    if (!actual.Buscar(d.Base))
        return ERROR_KEY_DELETED;
    if (!actual.Buscar(d.Completa))
        return ERROR_FILE_NOT_FOUND;
    return Modificar([&](Colmena& claves, bool& cambiado) {
        auto padre = d.Completa;
        padre.pop_back();
        NodoClave* p = claves.Buscar(padre);
        const NodoClave* k = p ? p->Subclave(d.Completa.back()) : nullptr;
        if (!k)
            return ERROR_FILE_NOT_FOUND;
        if (!k->Subclaves.empty())
            return ERROR_ACCESS_DENIED;
        cambiado = p->QuitarSubclave(d.Completa.back());
        return ERROR_SUCCESS;
    });
}

std::int32_t RegistroArchivo::BorrarValor(ManejadorClave clave, const std::string& nombre) {
    std::lock_guard guarda(mutex_);
    const NodoClave* k = nullptr;
    Ruta_ ruta;
    if (auto r = Nodo(clave, KEY_SET_VALUE, k, &ruta))
        return r;
    if (!k->Valor(nombre))
        return ERROR_FILE_NOT_FOUND;
    return Modificar([&](Colmena& claves, bool& cambiado) {
        NodoClave* nodo = claves.Buscar(ruta);
        if (!nodo)
            return ERROR_KEY_DELETED;
        cambiado = nodo->QuitarValor(nombre);
        return cambiado ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
}

std::int32_t RegistroArchivo::EnumerarClave(ManejadorClave clave, std::uint32_t indice,
                                            char* nombre, std::uint32_t capacidad) {
    std::lock_guard guarda(mutex_);
    const NodoClave* k = nullptr;
    if (auto r = Nodo(clave, KEY_ENUMERATE_SUB_KEYS, k))
        return r;
    if (indice >= k->Subclaves.size())
        return ERROR_NO_MORE_ITEMS;
    if (!nombre)
        return ERROR_INVALID_PARAMETER;
    return CopiarNombre(k->Subclaves[indice].Nombre, nombre, capacidad) ? ERROR_SUCCESS
                                                                        : ERROR_MORE_DATA;
}

std::int32_t RegistroArchivo::EnumerarValor(ManejadorClave clave, std::uint32_t indice,
                                            char* nombre, std::uint32_t* tamano) {
    std::lock_guard guarda(mutex_);
    const NodoClave* k = nullptr;
    if (auto r = Nodo(clave, KEY_QUERY_VALUE, k))
        return r;
    if (indice >= k->Valores.size())
        return ERROR_NO_MORE_ITEMS;
    if (!nombre || !tamano)
        return ERROR_INVALID_PARAMETER;
    const auto& texto = k->Valores[indice].Nombre;
    if (!CopiarNombre(texto, nombre, *tamano))
        return ERROR_MORE_DATA;
    *tamano = static_cast<std::uint32_t>(texto.size());
    return ERROR_SUCCESS;
}

std::int32_t RegistroArchivo::ConsultarInfoClave(ManejadorClave clave, std::uint32_t* subclaves,
                                                 std::uint32_t* maxNombreSubclave,
                                                 std::uint32_t* valores,
                                                 std::uint32_t* maxNombreValor,
                                                 std::uint32_t* maxDatos) {
    std::lock_guard guarda(mutex_);
    const NodoClave* k = nullptr;
    if (auto r = Nodo(clave, KEY_QUERY_VALUE, k))
        return r;
    std::size_t maxSub = 0, maxNombre = 0, maxBytes = 0;
    for (const auto& s : k->Subclaves)
        maxSub = std::max(maxSub, s.Nombre.size());
    for (const auto& v : k->Valores) {
        maxNombre = std::max(maxNombre, v.Nombre.size());
        maxBytes = std::max(maxBytes, v.Datos.size());
    }
    const auto poner = [](std::uint32_t* destino, std::size_t n) {
        if (destino)
            *destino = static_cast<std::uint32_t>(n);
    };
    poner(subclaves, k->Subclaves.size());
    poner(maxNombreSubclave, maxSub);
    poner(valores, k->Valores.size());
    poner(maxNombreValor, maxNombre);
    poner(maxDatos, maxBytes);
    return ERROR_SUCCESS;
}

std::uint32_t RegistroArchivo::ExpandirEntorno(const std::string& origen, char* destino,
                                               std::uint32_t capacidad) {
    const auto texto = Expandir(std::string_view(origen.c_str()));
    const auto necesario = static_cast<std::uint32_t>(texto.size() + 1);
    if (destino && capacidad >= necesario)
        std::memcpy(destino, texto.c_str(), necesario);
    return necesario;
}

} // namespace vesmadur
