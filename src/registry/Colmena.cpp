#include "registry/Colmena.h"

#include "registry/ConstantesRegistro.h"
#include "registry/Utf8.h"

#include <algorithm>
#include <array>

namespace vesmadur {

namespace {

char32_t Mayuscula(char32_t c) {
    if (c >= 'a' && c <= 'z')
        return c - 0x20;
    if (c < 0xE0)
        return c;
    if (c <= 0xFE)
        return c == 0xF7 ? c : c - 0x20;
    if (c == 0xFF)
        return 0x178;
    if (c >= 0x100 && c <= 0x17F) {
        if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F)
            return c;
        const bool imparMayuscula = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (imparMayuscula)
            return (c & 1) == 0 ? c - 1 : c;
        return (c & 1) == 1 ? c - 1 : c;
    }
    if (c == 0x3C2)
        return 0x3A3;
    if ((c >= 0x3B1 && c <= 0x3C9) || (c >= 0x430 && c <= 0x44F))
        return c - 0x20;
    if (c >= 0x450 && c <= 0x45F)
        return c - 0x50;
    return c;
}

template <class Nodo>
auto BuscarSubclave(Nodo& nodo, std::string_view nombre) -> decltype(&nodo.Subclaves[0]) {
    const auto plegado = PlegarNombre(nombre);
    auto it = std::lower_bound(
        nodo.Subclaves.begin(), nodo.Subclaves.end(), plegado,
        [](const NodoClave& k, const std::string& p) { return PlegarNombre(k.Nombre) < p; });
    return it != nodo.Subclaves.end() && PlegarNombre(it->Nombre) == plegado ? &*it : nullptr;
}

template <class Nodo>
auto BuscarValor(Nodo& nodo, std::string_view nombre) -> decltype(&nodo.Valores[0]) {
    for (auto& v : nodo.Valores)
        if (MismoNombre(v.Nombre, nombre))
            return &v;
    return nullptr;
}

} // namespace

std::string PlegarNombre(std::string_view nombre) {
    std::string plegado;
    plegado.reserve(nombre.size());
    for (std::size_t i = 0; i < nombre.size();) {
        if (auto c = utf8::Decodificar(nombre, i)) {
            utf8::Codificar(Mayuscula(*c), plegado);
        } else {
            plegado += nombre[i++];
        }
    }
    return plegado;
}

bool MismoNombre(std::string_view a, std::string_view b) {
    return PlegarNombre(a) == PlegarNombre(b);
}

bool NombreAntes(std::string_view a, std::string_view b) {
    return PlegarNombre(a) < PlegarNombre(b);
}

std::size_t LongitudUtf16(std::string_view nombre) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < nombre.size();) {
        auto c = utf8::Decodificar(nombre, i);
        if (!c)
            ++i;
        n += c && *c > 0xFFFF ? 2 : 1;
    }
    return n;
}

NodoClave* NodoClave::Subclave(std::string_view nombre) {
    return BuscarSubclave(*this, nombre);
}
const NodoClave* NodoClave::Subclave(std::string_view nombre) const {
    return BuscarSubclave(*this, nombre);
}

NodoClave& NodoClave::CrearSubclave(std::string_view nombre) {
    if (auto* existente = Subclave(nombre))
        return *existente;
    auto it = std::lower_bound(
        Subclaves.begin(), Subclaves.end(), nombre,
        [](const NodoClave& k, std::string_view n) { return NombreAntes(k.Nombre, n); });
    NodoClave nuevo;
    nuevo.Nombre = std::string(nombre);
    return *Subclaves.insert(it, std::move(nuevo));
}

bool NodoClave::QuitarSubclave(std::string_view nombre) {
    auto* k = Subclave(nombre);
    if (!k)
        return false;
    Subclaves.erase(Subclaves.begin() + (k - Subclaves.data()));
    return true;
}

ValorRegistro* NodoClave::Valor(std::string_view nombre) {
    return BuscarValor(*this, nombre);
}
const ValorRegistro* NodoClave::Valor(std::string_view nombre) const {
    return BuscarValor(*this, nombre);
}

void NodoClave::PonerValor(std::string_view nombre, std::uint32_t tipo, Bytes datos) {
    if (auto* v = Valor(nombre)) {
        v->Tipo = tipo;
        v->Datos = std::move(datos);
    } else {
        Valores.push_back({std::string(nombre), tipo, std::move(datos)});
    }
}

bool NodoClave::QuitarValor(std::string_view nombre) {
    auto* v = Valor(nombre);
    if (!v)
        return false;
    Valores.erase(Valores.begin() + (v - Valores.data()));
    return true;
}

NodoClave* NodoClave::Buscar(const std::vector<std::string>& ruta) {
    NodoClave* k = this;
    for (const auto& parte : ruta)
        if (!(k = k->Subclave(parte)))
            return nullptr;
    return k;
}

const NodoClave* NodoClave::Buscar(const std::vector<std::string>& ruta) const {
    return const_cast<NodoClave*>(this)->Buscar(ruta);
}

namespace {

struct Raiz {
    std::int32_t Manejador;
    std::string_view Nombre;
};

constexpr std::array<Raiz, 4> Raices{{
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_USERS, "HKEY_USERS"},
    {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG"},
}};

std::vector<std::string> RutaClases() {
    return {"HKEY_LOCAL_MACHINE", "SOFTWARE", "Classes"};
}

} // namespace

std::optional<std::vector<std::string>> RutaDeRaiz(std::int32_t raiz) {
    if (raiz == HKEY_CLASSES_ROOT)
        return RutaClases();
    for (const auto& r : Raices)
        if (r.Manejador == raiz)
            return std::vector<std::string>{std::string(r.Nombre)};
    return std::nullopt;
}

std::optional<std::vector<std::string>> RutaDeNombreRaiz(std::string_view nombre) {
    if (MismoNombre(nombre, "HKEY_CLASSES_ROOT"))
        return RutaClases();
    for (const auto& r : Raices)
        if (MismoNombre(nombre, r.Nombre))
            return std::vector<std::string>{std::string(r.Nombre)};
    return std::nullopt;
}

void AsegurarClavesBase(Colmena& colmena) {
    for (const auto& r : Raices)
        colmena.CrearSubclave(r.Nombre);
    NodoClave* k = &colmena;
    for (const auto& parte : RutaClases())
        k = &k->CrearSubclave(parte);
}

} // namespace vesmadur
