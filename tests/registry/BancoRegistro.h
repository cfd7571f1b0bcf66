#pragma once

// The registry bench of the clsReg suites: a registry that starts empty, a
// counting pass-through over it, and the names every table uses.

#include "ayudas/Archivos.h"
#include "registry/ConstantesRegistro.h"
#include "registry/clsReg.h"
#ifdef _WIN32
#include "RaicesDePrueba.h"
#include "registry/RegistroWin32.h"
#else
#include "registry/RegistroArchivo.h"
#endif

#include <functional>
#include <gtest/gtest.h>
#include <memory>
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
constexpr auto PorNombre = [](const auto& i) { return std::string(i.param.Nombre); };

// A key path `n` levels deep: "a\a\...".
inline std::string Niveles(int n) {
    return n > 1 ? Niveles(n - 1) + "\\a" : "a";
}

// Passes every call on to a real registry and keeps the keys open. A test may make
// PonerValor fail, or run something once before a value or an expansion is copied.
class RegistroContado final : public OperacionesRegistro {
public:
    explicit RegistroContado(OperacionesRegistro& real) : o_(real) {}
    std::set<ManejadorClave> Abiertas;
    int Aperturas = 0;
    std::int32_t FalloPonerValor = 0; // returned instead of storing
    std::function<void()> AntesDeLeer, AntesDeExpandir;
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
    R EnumerarClave(M k, U i, char* n, U c) override { return o_.EnumerarClave(k, i, n, c); }
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

// clsReg over a registry that starts empty, failing the test when a key stays
// open: a hive in a fresh folder, or on Windows the real registry with its
// roots redirected to fresh keys. Poner and Leer use a registry of their own
// (on Linux, values go through the file).
struct Banco {
    CarpetaTemporal Carpeta;
#ifdef _WIN32
    RaicesDePrueba Raices;
    RegistroWin32 Ops;
    static std::unique_ptr<OperacionesRegistro> Otro() {
        return std::make_unique<RegistroWin32>();
    }
#else
    RegistroArchivo Ops{Hive()};
    std::unique_ptr<OperacionesRegistro> Otro() const {
        return std::make_unique<RegistroArchivo>(Hive());
    }
    std::string Hive() const {
        return Carpeta / "registro.reg";
    }
#endif
    RegistroContado Contado{Ops};
    clsReg Reg{Contado};

    ~Banco() {
        EXPECT_TRUE(Contado.Abiertas.empty()) << "a key stayed open";
    }
    // Stores a value of these bytes under HKEY_LOCAL_MACHINE, the byte
    // `detras` right after them (a zero there ends a text that lacks one).
    void Poner(const std::string& seccion, const std::string& nombre, std::uint32_t tipo,
               const std::string& datos, char detras = '\0') {
        const auto otro = Otro();
        ManejadorClave k = 0;
        const std::string conDetras = datos + detras;
        const auto* b = reinterpret_cast<const std::uint8_t*>(conDetras.data());
        ASSERT_EQ(otro->CrearClave(HKLM, seccion, 0, KEY_DERECHOS_ESCRITURA, k, nullptr), 0);
        EXPECT_EQ(otro->PonerValor(k, nombre, tipo, b, std::uint32_t(datos.size())), 0);
        otro->CerrarClave(k);
    }
    // {0, ""} when the value cannot be read.
    Guardado Leer(std::int32_t raiz, const std::string& seccion, const std::string& nombre = "") {
        const auto otro = Otro();
        ManejadorClave k = 0;
        std::uint32_t tipo = 0, tamano = 4096;
        Bytes datos(tamano);
        if (otro->AbrirClave(raiz, seccion, 0, KEY_QUERY_VALUE, k))
            return {};
        const bool leido = otro->ConsultarValor(k, nombre, &tipo, datos.data(), &tamano) == 0;
        otro->CerrarClave(k);
        return leido ? Guardado{tipo, std::string(datos.begin(), datos.begin() + tamano)}
                     : Guardado{};
    }
    clsReg& En(const std::string& seccion, const std::string& valor = "", std::int32_t r = HKLM) {
        return Reg.ClaseClave(r), Reg.SeccionClave(seccion), Reg.ValorClave(valor), Reg;
    }
    // The subkey names of a key (with `valores`, its value names), as clsReg
    // lists them: into a list it empties first, with their count.
    V Listar(std::int32_t raiz, const std::string& seccion, bool valores = false) {
        V nombres{"viejo"};
        std::int32_t cuenta = 7;
        auto& reg = En(seccion, "", raiz);
        valores ? reg.EnumerarValores(nombres, cuenta) : reg.EnumerarSecciones(nombres, cuenta);
        EXPECT_EQ(cuenta, std::int32_t(nombres.size()));
        return nombres;
    }
};

template <class Base = ::testing::Test> struct ConBanco : Base { Banco b_; };
using ClsReg = ConBanco<>;

// UTF-16LE with its byte-order mark, as regedit exports.
inline std::string Utf16(std::u16string_view texto) {
    return "\xFF\xFE"s + std::string(reinterpret_cast<const char*>(texto.data()), texto.size() * 2);
}

inline const std::string Clases =
    "REGEDIT4\n\n[HKEY_LOCAL_MACHINE]\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\n\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes]\n\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\.orv]\n";

} // namespace prueba
} // namespace vesmadur
