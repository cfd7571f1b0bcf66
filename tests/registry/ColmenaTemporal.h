#pragma once

// The registry tests' helpers: rows that print as their name, and a hive in a
// fresh folder reached through a registry that counts the keys left open.
#include "ayudas/Archivos.h"
#include "registry/ConstantesRegistro.h"
#include "registry/RegistroArchivo.h"
#include "registry/clsReg.h"

#include <functional>
#include <gtest/gtest.h>
#include <set>

namespace vesmadur {

inline void PrintTo(const Variante& v, std::ostream* os) {
    *os << "kind " << v.Valor().index() << " " << ::testing::PrintToString(v.ComoTexto());
}

namespace prueba {

using namespace std::string_literals;
using V = std::vector<std::string>;
using Guardado = std::pair<std::uint32_t, std::string>; // a value's type and bytes
constexpr auto HKLM = HKEY_LOCAL_MACHINE;
constexpr auto HKCR = HKEY_CLASSES_ROOT;

struct Fila {
    const char* Nombre;
    friend std::ostream& operator<<(std::ostream& os, const Fila& f) { return os << f.Nombre; }
};
inline constexpr auto PorNombre = [](const auto& i) { return std::string(i.param.Nombre); };

// A key path `niveles` levels deep: "a\a\...".
inline std::string Niveles(std::size_t niveles) {
    std::string ruta = "a";
    while (--niveles > 0)
        ruta += "\\a";
    return ruta;
}

// Passes every call on to a real registry and keeps the keys open. A test may
// make PonerValor fail, or run something once before a call gets a buffer.
class RegistroContado final : public OperacionesRegistro {
public:
    explicit RegistroContado(OperacionesRegistro& real) : o_(real) {}
    std::set<ManejadorClave> Abiertas;
    int Aperturas = 0;
    std::int32_t FalloPonerValor = 0; // returned instead of storing
    std::function<void()> AntesDeEnumerarClave, AntesDeLeer, AntesDeExpandir;
    // clang-format off
    using R = std::int32_t; using M = ManejadorClave;
    using U = std::uint32_t; using S = const std::string&;
    R AbrirClave(M r, S s, U o, U a, M& k) override {
        return Anota(o_.AbrirClave(r, s, o, a, k), k); }
    R CrearClave(M r, S s, U o, U a, M& k, U* d) override {
        return Anota(o_.CrearClave(r, s, o, a, k, d), k); }
    R CerrarClave(M k) override { return Abiertas.erase(k), o_.CerrarClave(k); }
    R ConsultarValor(M k, S n, U* t, std::uint8_t* d, U* s) override {
        return o_.ConsultarValor(k, n, t, Antes(d, AntesDeLeer), s); }
    R PonerValor(M k, S n, U t, const std::uint8_t* d, U s) override {
        return FalloPonerValor ? FalloPonerValor : o_.PonerValor(k, n, t, d, s); }
    R BorrarClave(M r, S s) override { return o_.BorrarClave(r, s); }
    R BorrarValor(M k, S n) override { return o_.BorrarValor(k, n); }
    R EnumerarClave(M k, U i, char* n, U c) override {
        return o_.EnumerarClave(k, i, Antes(n, AntesDeEnumerarClave), c); }
    R EnumerarValor(M k, U i, char* n, U* s) override { return o_.EnumerarValor(k, i, n, s); }
    R ConsultarInfoClave(M k, U* a, U* b, U* c, U* d, U* e) override {
        return o_.ConsultarInfoClave(k, a, b, c, d, e); }
    U ExpandirEntorno(S s, char* d, U c) override {
        return o_.ExpandirEntorno(s, Antes(d, AntesDeExpandir), c); }
    // clang-format on

private:
    template <class T> static T* Antes(T* buffer, std::function<void()>& gancho) {
        if (buffer && gancho)
            std::exchange(gancho, nullptr)();
        return buffer;
    }
    R Anota(R resultado, const M& k) { // `k` is read after the call fills it
        if (resultado == 0)
            Abiertas.insert(k), ++Aperturas;
        return resultado;
    }
    OperacionesRegistro& o_;
};

// clsReg over a hive in a fresh folder; the test fails when a key stays open.
// Poner and Leer use a registry of their own, so what clsReg reads or writes
// also goes through the file and its format.
struct Banco {
    CarpetaTemporal Carpeta;
    RegistroArchivo Ops{Hive()};
    RegistroContado Contado{Ops};
    clsReg Reg{Contado};

    ~Banco() { EXPECT_TRUE(Contado.Abiertas.empty()) << "a key stayed open"; }
    std::string Hive() const { return Carpeta / "registro.reg"; }
    // Stores a value with exactly these bytes under HKEY_LOCAL_MACHINE.
    void Poner(const std::string& seccion, const std::string& nombre, std::uint32_t tipo,
               const std::string& datos) {
        RegistroArchivo otro(Hive());
        ManejadorClave k = 0;
        const auto* b = reinterpret_cast<const std::uint8_t*>(datos.data());
        ASSERT_EQ(otro.CrearClave(HKLM, seccion, 0, KEY_DERECHOS_ESCRITURA, k, nullptr), 0);
        EXPECT_EQ(otro.PonerValor(k, nombre, tipo, b, std::uint32_t(datos.size())), 0);
    }
    // {0, ""} when the value cannot be read.
    Guardado Leer(std::int32_t raiz, const std::string& seccion, const std::string& nombre = "") {
        RegistroArchivo otro(Hive());
        ManejadorClave k = 0;
        std::uint32_t tipo = 0, tamano = 4096;
        Bytes datos(tamano);
        if (otro.AbrirClave(raiz, seccion, 0, KEY_QUERY_VALUE, k) ||
            otro.ConsultarValor(k, nombre, &tipo, datos.data(), &tamano))
            return {};
        return {tipo, std::string(datos.begin(), datos.begin() + tamano)};
    }
    clsReg& En(const std::string& seccion, const std::string& valor = "", std::int32_t r = HKLM) {
        Reg.ClaseClave(r);
        Reg.SeccionClave(seccion);
        Reg.ValorClave(valor);
        return Reg;
    }
    // The subkey names of a key (with `valores`, its value names), as clsReg lists them.
    V Listar(std::int32_t raiz, const std::string& seccion, bool valores = false) {
        V nombres;
        std::int32_t cuenta = 0;
        auto& reg = En(seccion, "", raiz);
        valores ? reg.EnumerarValores(nombres, cuenta) : reg.EnumerarSecciones(nombres, cuenta);
        return nombres;
    }
};

template <class Base = ::testing::Test> struct ConBanco : Base { Banco b_; };

} // namespace prueba
} // namespace vesmadur
