#pragma once

// The registry tests' own helpers: rows that print as their name, raw values
// in and out of a hive, a registry that counts the keys left open and can
// fail or change between two calls, and a hive in a fresh folder.
#include "ayudas/Archivos.h"
#include "registry/ConstantesRegistro.h"
#include "registry/RegistroArchivo.h"
#include "registry/clsReg.h"

#include <functional>
#include <gtest/gtest.h>
#include <ostream>
#include <set>
#include <string>
#include <utility>

namespace vesmadur {

// A value in a failure message: its kind and its text.
inline void PrintTo(const Variante& v, std::ostream* os) {
    *os << "kind " << v.Valor().index() << " " << ::testing::PrintToString(v.ComoTexto());
}

namespace prueba {

using namespace std::string_literals;
using V = std::vector<std::string>;
constexpr auto HKLM = HKEY_LOCAL_MACHINE;

// A row of a table: it prints as its name, and its test is named after it.
struct Fila {
    const char* Nombre;
    friend std::ostream& operator<<(std::ostream& os, const Fila& f) { return os << f.Nombre; }
};
inline constexpr auto PorNombre = [](const auto& i) { return std::string(i.param.Nombre); };

inline Bytes B(std::string_view texto) {
    return Bytes(texto.begin(), texto.end());
}

// A key path `niveles` levels deep: "a\a\...".
inline std::string Niveles(std::size_t niveles) {
    std::string ruta = "a";
    for (std::size_t i = 1; i < niveles; ++i)
        ruta += "\\a";
    return ruta;
}

struct Crudo {
    std::int32_t Resultado = 0;
    std::uint32_t Tipo = 0;
    Bytes Datos;
};

// Passes every call on to a real registry and keeps the keys that are open,
// so a test can tell that none stays open. A test may make PonerValor fail,
// or run something once before a call: before EnumerarClave, before the
// first call that copies a value's data or an expanded text into a buffer.
class RegistroContado final : public OperacionesRegistro {
public:
    explicit RegistroContado(OperacionesRegistro& real) : real_(real) {}

    std::set<ManejadorClave> Abiertas;
    int Aperturas = 0;
    std::int32_t FalloPonerValor = 0; // returned instead of storing
    std::function<void()> AntesDeEnumerarClave, AntesDeLeer, AntesDeExpandir;

    using R = std::int32_t;
    using M = ManejadorClave;
    using U = std::uint32_t;
    using S = const std::string&;
    R AbrirClave(M r, S ruta, U o, U a, M& k) override {
        return Anotar(real_.AbrirClave(r, ruta, o, a, k), k);
    }
    R CrearClave(M r, S ruta, U o, U a, M& k, U* d) override {
        return Anotar(real_.CrearClave(r, ruta, o, a, k, d), k);
    }
    R CerrarClave(M k) override {
        Abiertas.erase(k);
        return real_.CerrarClave(k);
    }
    R ConsultarValor(M k, S n, U* t, std::uint8_t* d, U* s) override {
        return real_.ConsultarValor(k, n, t, Antes(d, AntesDeLeer), s);
    }
    R PonerValor(M k, S n, U t, const std::uint8_t* d, U s) override {
        return FalloPonerValor ? FalloPonerValor : real_.PonerValor(k, n, t, d, s);
    }
    R BorrarClave(M r, S ruta) override { return real_.BorrarClave(r, ruta); }
    R BorrarValor(M k, S n) override { return real_.BorrarValor(k, n); }
    R EnumerarClave(M k, U i, char* n, U c) override {
        return real_.EnumerarClave(k, i, Antes(n, AntesDeEnumerarClave), c);
    }
    R EnumerarValor(M k, U i, char* n, U* s) override { return real_.EnumerarValor(k, i, n, s); }
    R ConsultarInfoClave(M k, U* a, U* b, U* c, U* d, U* e) override {
        return real_.ConsultarInfoClave(k, a, b, c, d, e);
    }
    U ExpandirEntorno(S o, char* d, U c) override {
        return real_.ExpandirEntorno(o, Antes(d, AntesDeExpandir), c);
    }

private:
    // Runs `gancho` once, when the call gets a buffer; gives the buffer back.
    template <class T> static T* Antes(T* buffer, std::function<void()>& gancho) {
        if (buffer && gancho)
            std::exchange(gancho, nullptr)();
        return buffer;
    }
    // `k` by reference: it is read after the call that fills it.
    R Anotar(R resultado, const M& k) {
        if (resultado == 0) {
            Abiertas.insert(k);
            ++Aperturas;
        }
        return resultado;
    }

    OperacionesRegistro& real_;
};

// A hive in a fresh folder, clsReg's calls counted on the way to it. Poner
// and Leer go through a registry of their own on the same file, so what
// clsReg reads or writes also goes through the file and its format.
struct Banco {
    CarpetaTemporal Carpeta;
    RegistroArchivo Ops{Hive()};
    RegistroContado Contado{Ops};
    clsReg Reg{Contado};

    std::string Hive() const { return Carpeta / "registro.reg"; }
    // Stores a value with exactly these bytes under HKEY_LOCAL_MACHINE.
    void Poner(const std::string& seccion, const std::string& nombre, std::uint32_t tipo,
               const Bytes& datos) {
        RegistroArchivo otro(Hive());
        ManejadorClave k = 0;
        ASSERT_EQ(otro.CrearClave(HKLM, seccion, 0, KEY_DERECHOS_ESCRITURA, k, nullptr), 0);
        EXPECT_EQ(otro.PonerValor(k, nombre, tipo, datos.data(), std::uint32_t(datos.size())), 0);
    }
    // The type and bytes of a value as stored.
    Crudo Leer(std::int32_t raiz, const std::string& seccion, const std::string& nombre = "") {
        RegistroArchivo otro(Hive());
        Crudo c;
        ManejadorClave k = 0;
        std::uint32_t tamano = 4096;
        c.Datos.resize(tamano);
        if ((c.Resultado = otro.AbrirClave(raiz, seccion, 0, KEY_QUERY_VALUE, k)) == 0)
            c.Resultado = otro.ConsultarValor(k, nombre, &c.Tipo, c.Datos.data(), &tamano);
        c.Datos.resize(c.Resultado == 0 ? tamano : 0);
        return c;
    }
    // Points Reg at a key and value.
    clsReg& En(const std::string& seccion, const std::string& valor = "",
               std::int32_t raiz = HKLM) {
        Reg.ClaseClave(raiz);
        Reg.SeccionClave(seccion);
        Reg.ValorClave(valor);
        return Reg;
    }
    // The subkey or value names of a key, as clsReg lists them.
    V Subclaves(std::int32_t raiz, const std::string& seccion) {
        return Listar(&clsReg::EnumerarSecciones, raiz, seccion);
    }
    V Valores(const std::string& seccion) {
        return Listar(&clsReg::EnumerarValores, HKLM, seccion);
    }
    V Listar(bool (clsReg::*enumerar)(V&, std::int32_t&), std::int32_t raiz, const std::string& s) {
        clsReg reg(Contado);
        reg.ClaseClave(raiz);
        reg.SeccionClave(s);
        V nombres;
        std::int32_t cuenta = 0;
        (reg.*enumerar)(nombres, cuenta);
        return nombres;
    }
};

// A test over a Banco that fails when clsReg leaves a key open.
template <class Base = ::testing::Test> class ConBanco : public Base {
protected:
    void TearDown() override { EXPECT_TRUE(b_.Contado.Abiertas.empty()) << "a key stayed open"; }
    Banco b_;
};

} // namespace prueba
} // namespace vesmadur
