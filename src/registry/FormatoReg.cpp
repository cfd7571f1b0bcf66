#include "registry/FormatoReg.h"

#include "registry/ConstantesRegistro.h"
#include "registry/Utf8.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <memory>
#include <unordered_map>

namespace vesmadur {

namespace {

constexpr std::string_view Cabecera4 = "REGEDIT4";
constexpr std::string_view Cabecera5 = "Windows Registry Editor Version 5.00";

// UTF-16LE to UTF-8. Strict for a whole file; lenient for value data, where
// a lone surrogate becomes U+FFFD and an odd last byte is kept as it is.
std::optional<std::string> DeUtf16(std::string_view bytes, bool estricto) {
    if (estricto && bytes.size() % 2 != 0)
        return std::nullopt;
    std::string texto;
    texto.reserve(bytes.size());
    const auto unidad = [&bytes](std::size_t i) {
        return static_cast<char32_t>(static_cast<unsigned char>(bytes[i]) |
                                     static_cast<unsigned char>(bytes[i + 1]) << 8);
    };
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        char32_t c = unidad(i);
        if (c >= 0xD800 && c <= 0xDBFF && i + 3 < bytes.size() && unidad(i + 2) >= 0xDC00 &&
            unidad(i + 2) <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unidad(i + 2) - 0xDC00);
            i += 2;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            if (estricto)
                return std::nullopt;
            c = 0xFFFD;
        }
        utf8::Codificar(c, texto);
    }
    if (i < bytes.size())
        texto += bytes[i];
    return texto;
}

std::string_view Recortar(std::string_view s) {
    const auto blanco = " \t\r";
    const auto a = s.find_first_not_of(blanco);
    if (a == std::string_view::npos)
        return {};
    return s.substr(a, s.find_last_not_of(blanco) - a + 1);
}

bool EmpiezaSinMayusculas(std::string_view s, std::string_view prefijo) {
    return s.size() >= prefijo.size() && MismoNombre(s.substr(0, prefijo.size()), prefijo);
}

// A quoted text at s[i] == '"', with the escapes \\ and \" only.
bool LeerEntrecomillado(std::string_view s, std::size_t& i, std::string& texto) {
    for (++i; i < s.size(); ++i) {
        if (s[i] == '"') {
            ++i;
            return true;
        }
        if (s[i] == '\\') {
            if (++i == s.size() || (s[i] != '\\' && s[i] != '"'))
                return false;
        }
        texto += s[i];
    }
    return false;
}

std::optional<std::uint32_t> LeerHex32(std::string_view s) {
    std::uint32_t n = 0;
    if (s.empty() || s.size() > 8)
        return std::nullopt;
    auto [fin, error] = std::from_chars(s.data(), s.data() + s.size(), n, 16);
    if (error != std::errc{} || fin != s.data() + s.size())
        return std::nullopt;
    return n;
}

std::optional<Bytes> LeerListaHex(std::string_view s) {
    Bytes datos;
    if (Recortar(s).empty())
        return datos;
    while (true) {
        const auto coma = s.find(',');
        const auto parte = Recortar(s.substr(0, coma));
        const auto n = parte.size() <= 2 ? LeerHex32(parte) : std::nullopt;
        if (!n)
            return std::nullopt;
        datos.push_back(static_cast<std::uint8_t>(*n));
        if (coma == std::string_view::npos)
            return datos;
        s.remove_prefix(coma + 1);
    }
}

// The data after '=': a string, dword:, hex: or hex(N):.
std::optional<ValorRegistro> LeerDatos(std::string_view s, bool version5) {
    ValorRegistro v;
    if (!s.empty() && s[0] == '"') {
        std::size_t i = 0;
        std::string texto;
        if (!LeerEntrecomillado(s, i, texto) || i != s.size())
            return std::nullopt;
        v.Tipo = REG_SZ;
        v.Datos.assign(texto.begin(), texto.end());
        v.Datos.push_back(0);
        return v;
    }
    if (EmpiezaSinMayusculas(s, "dword:")) {
        const auto n = LeerHex32(s.substr(6));
        if (!n)
            return std::nullopt;
        v.Tipo = REG_DWORD;
        for (int k = 0; k < 4; ++k)
            v.Datos.push_back(static_cast<std::uint8_t>(*n >> (8 * k)));
        return v;
    }
    if (!EmpiezaSinMayusculas(s, "hex"))
        return std::nullopt;
    s.remove_prefix(3);
    v.Tipo = REG_BINARY;
    if (!s.empty() && s[0] == '(') {
        const auto cierre = s.find(')');
        const auto tipo =
            cierre == std::string_view::npos ? std::nullopt : LeerHex32(s.substr(1, cierre - 1));
        if (!tipo)
            return std::nullopt;
        v.Tipo = *tipo;
        s.remove_prefix(cierre + 1);
    }
    if (s.empty() || s[0] != ':')
        return std::nullopt;
    auto datos = LeerListaHex(s.substr(1));
    if (!datos)
        return std::nullopt;
    v.Datos = std::move(*datos);
    const bool texto = v.Tipo == REG_SZ || v.Tipo == REG_EXPAND_SZ || v.Tipo == REG_MULTI_SZ;
    if (version5 && texto) {
        const auto utf8 =
            DeUtf16({reinterpret_cast<const char*>(v.Datos.data()), v.Datos.size()}, false);
        v.Datos.assign(utf8->begin(), utf8->end());
    }
    return v;
}

// The path of a section: a root key's name, then key names.
std::optional<std::vector<std::string>> LeerRuta(std::string_view s) {
    std::vector<std::string> partes;
    while (true) {
        const auto barra = s.find('\\');
        const auto parte = s.substr(0, barra);
        if (parte.empty() || LongitudUtf16(parte) > MaxNombreClave)
            return std::nullopt;
        partes.emplace_back(parte);
        if (partes.size() > MaxProfundidadClave + 1)
            return std::nullopt;
        if (barra == std::string_view::npos)
            break;
        s.remove_prefix(barra + 1);
    }
    auto ruta = RutaDeNombreRaiz(partes[0]);
    if (!ruta)
        return std::nullopt;
    ruta->insert(ruta->end(), partes.begin() + 1, partes.end());
    return ruta;
}

// A key while a file is read. Its subkeys and values are found by folded
// name through hash tables, so that a file reads in time proportional to its
// size however many keys or values one key holds (a sorted vector, as the
// hive keeps them, would shift its tail on every insertion). The hive is
// built from it once, at the end, each key's subkeys sorted once.
struct ClaveLeida {
    std::string Nombre;
    std::unordered_map<std::string, std::unique_ptr<ClaveLeida>> Subclaves;
    // Values in creation order; a removed one stays as a gap (no name).
    std::vector<std::optional<ValorRegistro>> Valores;
    std::unordered_map<std::string, std::size_t> PosicionValor;

    ClaveLeida& CrearSubclave(const std::string& nombre) {
        auto& hija = Subclaves[PlegarNombre(nombre)];
        if (!hija) {
            hija = std::make_unique<ClaveLeida>();
            hija->Nombre = nombre;
        }
        return *hija;
    }
    ClaveLeida* Subclave(const std::string& nombre) {
        const auto it = Subclaves.find(PlegarNombre(nombre));
        return it == Subclaves.end() ? nullptr : it->second.get();
    }
    // As NodoClave::PonerValor and QuitarValor.
    void PonerValor(const std::string& nombre, std::uint32_t tipo, Bytes datos) {
        const auto [it, nuevo] = PosicionValor.try_emplace(PlegarNombre(nombre), Valores.size());
        if (nuevo) {
            Valores.emplace_back(ValorRegistro{nombre, tipo, std::move(datos)});
        } else {
            Valores[it->second]->Tipo = tipo;
            Valores[it->second]->Datos = std::move(datos);
        }
    }
    void QuitarValor(const std::string& nombre) {
        if (const auto it = PosicionValor.find(PlegarNombre(nombre)); it != PosicionValor.end()) {
            Valores[it->second].reset();
            PosicionValor.erase(it);
        }
    }

    NodoClave Nodo() && {
        NodoClave nodo;
        nodo.Nombre = std::move(Nombre);
        for (auto& v : Valores)
            if (v)
                nodo.Valores.push_back(std::move(*v));
        std::vector<std::pair<std::string, std::unique_ptr<ClaveLeida>>> hijas(
            std::make_move_iterator(Subclaves.begin()), std::make_move_iterator(Subclaves.end()));
        Subclaves.clear();
        std::sort(hijas.begin(), hijas.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        nodo.Subclaves.reserve(hijas.size());
        for (auto& [plegado, hija] : hijas)
            nodo.Subclaves.push_back(std::move(*hija).Nodo());
        return nodo;
    }
};

class Lector {
public:
    explicit Lector(std::string_view texto) : texto_(texto) {}

    std::optional<Colmena> Leer() {
        bool cabecera = false;
        while (auto linea = SiguienteLinea()) {
            if (linea->empty())
                continue;
            if (!cabecera) {
                if (*linea != Cabecera4 && *linea != Cabecera5)
                    return std::nullopt;
                version5_ = *linea == Cabecera5;
                cabecera = true;
                continue;
            }
            if ((*linea)[0] == ';')
                continue;
            std::string completa(*linea);
            while (!completa.empty() && completa.back() == '\\' && pos_ < texto_.size()) {
                completa.pop_back();
                completa += *SiguienteLinea();
            }
            // A continuation that led only to blank lines.
            if (completa.empty())
                continue;
            if (!(completa[0] == '[' ? Seccion(completa) : Valor(completa)))
                return std::nullopt;
        }
        if (!cabecera)
            return std::nullopt;
        return std::move(colmena_).Nodo();
    }

private:
    std::optional<std::string_view> SiguienteLinea() {
        if (pos_ >= texto_.size())
            return std::nullopt;
        auto fin = texto_.find('\n', pos_);
        if (fin == std::string_view::npos)
            fin = texto_.size();
        const auto linea = texto_.substr(pos_, fin - pos_);
        pos_ = fin + 1;
        return Recortar(linea);
    }

    bool Seccion(std::string_view linea) {
        actual_ = nullptr;
        if (linea.back() != ']')
            return false;
        auto dentro = linea.substr(1, linea.size() - 2);
        const bool borrar = !dentro.empty() && dentro[0] == '-';
        if (borrar)
            dentro.remove_prefix(1);
        auto ruta = LeerRuta(dentro);
        if (!ruta)
            return false;
        if (borrar) {
            const auto nombre = ruta->back();
            ruta->pop_back();
            ClaveLeida* padre = &colmena_;
            for (std::size_t i = 0; padre && i < ruta->size(); ++i)
                padre = padre->Subclave((*ruta)[i]);
            if (padre)
                padre->Subclaves.erase(PlegarNombre(nombre));
            return true;
        }
        ClaveLeida* k = &colmena_;
        for (const auto& parte : *ruta)
            k = &k->CrearSubclave(parte);
        actual_ = k;
        return true;
    }

    bool Valor(std::string_view linea) {
        if (!actual_)
            return false;
        std::string nombre;
        std::size_t i = 0;
        if (linea[0] == '@') {
            i = 1;
        } else if (linea[0] != '"' || !LeerEntrecomillado(linea, i, nombre) ||
                   LongitudUtf16(nombre) > MaxNombreValor) {
            return false;
        }
        auto resto = Recortar(linea.substr(i));
        if (resto.empty() || resto[0] != '=')
            return false;
        resto = Recortar(resto.substr(1));
        ClaveLeida* k = actual_;
        if (resto == "-") {
            k->QuitarValor(nombre);
            return true;
        }
        auto v = LeerDatos(resto, version5_);
        if (!v)
            return false;
        k->PonerValor(nombre, v->Tipo, std::move(v->Datos));
        return true;
    }

    std::string_view texto_;
    std::size_t pos_ = 0;
    bool version5_ = false;
    ClaveLeida colmena_;
    // The key of the current section; none after a deletion or a bad line.
    ClaveLeida* actual_ = nullptr;
};

void Escapar(std::string_view texto, std::string& salida) {
    salida += '"';
    for (char c : texto) {
        if (c == '\\' || c == '"')
            salida += '\\';
        salida += c;
    }
    salida += '"';
}

// A REG_SZ whose bytes a quoted string gives back exactly: UTF-8 text of
// printable characters followed by its one terminating zero.
bool CabeEnTexto(const ValorRegistro& v) {
    if (v.Tipo != static_cast<std::uint32_t>(REG_SZ) || v.Datos.empty() || v.Datos.back() != 0)
        return false;
    const std::string_view texto(reinterpret_cast<const char*>(v.Datos.data()), v.Datos.size() - 1);
    for (unsigned char c : texto)
        if (c < 0x20 && c != '\t')
            return false;
    return utf8::EsValido(texto);
}

void EscribirHex(const Bytes& datos, std::size_t columna, std::string& salida) {
    static constexpr char digitos[] = "0123456789abcdef";
    for (std::size_t i = 0; i < datos.size(); ++i) {
        const std::size_t ancho = i + 1 < datos.size() ? 3 : 2;
        if (i > 0 && columna + ancho > 78) {
            salida += "\\\n  ";
            columna = 2;
        }
        salida += digitos[datos[i] >> 4];
        salida += digitos[datos[i] & 0xF];
        if (i + 1 < datos.size())
            salida += ',';
        columna += ancho;
    }
}

void EscribirValor(const ValorRegistro& v, std::string& salida) {
    const auto inicio = salida.size();
    if (v.Nombre.empty()) {
        salida += '@';
    } else {
        Escapar(v.Nombre, salida);
    }
    salida += '=';
    if (CabeEnTexto(v)) {
        Escapar({reinterpret_cast<const char*>(v.Datos.data()), v.Datos.size() - 1}, salida);
    } else if (v.Tipo == static_cast<std::uint32_t>(REG_DWORD) && v.Datos.size() == 4) {
        char numero[9];
        const std::uint32_t n = v.Datos[0] | v.Datos[1] << 8 | v.Datos[2] << 16 |
                                static_cast<std::uint32_t>(v.Datos[3]) << 24;
        auto [fin, error] = std::to_chars(numero, numero + 8, n, 16);
        salida += "dword:";
        salida.append(8 - static_cast<std::size_t>(fin - numero), '0');
        salida.append(numero, fin);
    } else {
        if (v.Tipo == static_cast<std::uint32_t>(REG_BINARY)) {
            salida += "hex:";
        } else {
            char tipo[9];
            auto [fin, error] = std::to_chars(tipo, tipo + 8, v.Tipo, 16);
            salida += "hex(";
            salida.append(tipo, fin);
            salida += "):";
        }
        EscribirHex(v.Datos, salida.size() - inicio, salida);
    }
    salida += '\n';
}

void EscribirClave(const NodoClave& k, const std::string& ruta, std::string& salida) {
    salida += "\n[" + ruta + "]\n";
    for (const auto& v : k.Valores)
        EscribirValor(v, salida);
    for (const auto& sub : k.Subclaves)
        EscribirClave(sub, ruta + '\\' + sub.Nombre, salida);
}

} // namespace

std::optional<Colmena> LeerFormatoReg(std::string_view contenido) {
    if (contenido.empty())
        return Colmena{};
    if (contenido.starts_with("\xFF\xFE")) {
        const auto texto = DeUtf16(contenido.substr(2), true);
        if (!texto)
            return std::nullopt;
        return Lector(*texto).Leer();
    }
    if (contenido.starts_with("\xEF\xBB\xBF"))
        contenido.remove_prefix(3);
    return Lector(contenido).Leer();
}

std::string EscribirFormatoReg(const Colmena& colmena) {
    std::string salida(Cabecera4);
    salida += '\n';
    for (const auto& raiz : colmena.Subclaves)
        if (!raiz.Valores.empty() || !raiz.Subclaves.empty())
            EscribirClave(raiz, raiz.Nombre, salida);
    return salida;
}

} // namespace vesmadur
