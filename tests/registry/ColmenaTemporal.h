#pragma once

#include "registry/ConstantesRegistro.h"
#include "registry/RegistroArchivo.h"
#include "registry/clsReg.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <utility>

namespace vesmadur::prueba {

using namespace std::string_literals;

// A fresh folder for one test's hive file, removed afterwards.
class CarpetaTemporal {
public:
    CarpetaTemporal() { std::filesystem::create_directories(ruta_); }
    CarpetaTemporal(const CarpetaTemporal&) = delete;
    ~CarpetaTemporal() { std::filesystem::remove_all(ruta_, error_); }

    const std::filesystem::path& Ruta() const { return ruta_; }
    std::filesystem::path Hive() const { return ruta_ / "registro.reg"; }

private:
    std::filesystem::path ruta_ = std::filesystem::temp_directory_path() /
                                  ("vesmadur-registro-" + std::to_string(std::random_device{}()) +
                                   std::to_string(std::random_device{}()));
    std::error_code error_;
};

inline std::string LeerBytes(const std::filesystem::path& ruta) {
    std::ifstream f(ruta, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

inline void EscribirBytes(const std::filesystem::path& ruta, const std::string& bytes) {
    std::ofstream(ruta, std::ios::binary | std::ios::trunc) << bytes;
}

inline Bytes B(std::initializer_list<int> octetos) {
    Bytes b;
    for (int o : octetos)
        b.push_back(static_cast<std::uint8_t>(o));
    return b;
}

inline Bytes B(std::string_view texto) {
    return Bytes(texto.begin(), texto.end());
}

// Stores a value with exactly these bytes, creating its key.
inline void PonerCrudo(OperacionesRegistro& ops, std::int32_t raiz, const std::string& seccion,
                       const std::string& nombre, std::uint32_t tipo, const Bytes& datos) {
    ManejadorClave clave = 0;
    ASSERT_EQ(ops.CrearClave(raiz, seccion, 0, KEY_DERECHOS_ESCRITURA, clave, nullptr), 0);
    EXPECT_EQ(ops.PonerValor(clave, nombre, tipo, datos.data(), std::uint32_t(datos.size())), 0);
    ops.CerrarClave(clave);
}

struct Crudo {
    std::int32_t Resultado = 0;
    std::uint32_t Tipo = 0;
    Bytes Datos;
};

// The type and bytes of a value as stored.
inline Crudo LeerCrudo(OperacionesRegistro& ops, std::int32_t raiz, const std::string& seccion,
                       const std::string& nombre) {
    Crudo c;
    ManejadorClave clave = 0;
    if ((c.Resultado = ops.AbrirClave(raiz, seccion, 0, KEY_QUERY_VALUE, clave)) != 0)
        return c;
    std::uint32_t tamano = 0;
    c.Resultado = ops.ConsultarValor(clave, nombre, &c.Tipo, nullptr, &tamano);
    c.Datos.resize(tamano);
    if (c.Resultado == 0)
        c.Resultado = ops.ConsultarValor(clave, nombre, nullptr, c.Datos.data(), &tamano);
    ops.CerrarClave(clave);
    return c;
}

// A clsReg pointed at a root, section and value name.
inline clsReg Apuntado(OperacionesRegistro& ops, std::int32_t raiz, const std::string& seccion,
                       const std::string& valor = "") {
    clsReg reg(ops);
    reg.ClaseClave(raiz);
    reg.SeccionClave(seccion);
    reg.ValorClave(valor);
    return reg;
}

// What `accion` raised; a failure when it raised nothing.
template <class Accion> ErrorRegistro Capturar(Accion&& accion) {
    try {
        accion();
    } catch (const ErrorRegistro& e) {
        return e;
    }
    ADD_FAILURE() << "nothing raised";
    return {0, "", ""};
}

// Passes every call on to a real registry and keeps the keys that are open,
// so a test can tell that none stays open; a test may make one call fail.
class RegistroContado final : public OperacionesRegistro {
public:
    explicit RegistroContado(OperacionesRegistro& real) : real_(real) {}

    std::set<ManejadorClave> Abiertas;
    int Aperturas = 0;
    std::int32_t FalloPonerValor = 0;           // returned instead of storing
    std::function<void()> AntesDeEnumerarClave; // may throw
    // Each runs once, before the first call that copies a value's data or an
    // expanded text into a buffer: the registry or the environment may
    // change between a caller's size query and that call.
    std::function<void()> AntesDeLeer, AntesDeExpandir;

    std::int32_t AbrirClave(ManejadorClave r, const std::string& ruta, std::uint32_t o,
                            std::uint32_t a, ManejadorClave& k) override {
        return Anotar(real_.AbrirClave(r, ruta, o, a, k), k);
    }
    std::int32_t CrearClave(ManejadorClave r, const std::string& ruta, std::uint32_t o,
                            std::uint32_t a, ManejadorClave& k, std::uint32_t* d) override {
        return Anotar(real_.CrearClave(r, ruta, o, a, k, d), k);
    }
    std::int32_t CerrarClave(ManejadorClave k) override {
        Abiertas.erase(k);
        return real_.CerrarClave(k);
    }
    std::int32_t ConsultarValor(ManejadorClave k, const std::string& n, std::uint32_t* t,
                                std::uint8_t* d, std::uint32_t* s) override {
        if (d)
            UnaVez(AntesDeLeer);
        return real_.ConsultarValor(k, n, t, d, s);
    }
    std::int32_t PonerValor(ManejadorClave k, const std::string& n, std::uint32_t t,
                            const std::uint8_t* d, std::uint32_t s) override {
        return FalloPonerValor ? FalloPonerValor : real_.PonerValor(k, n, t, d, s);
    }
    std::int32_t BorrarClave(ManejadorClave r, const std::string& ruta) override {
        return real_.BorrarClave(r, ruta);
    }
    std::int32_t BorrarValor(ManejadorClave k, const std::string& n) override {
        return real_.BorrarValor(k, n);
    }
    std::int32_t EnumerarClave(ManejadorClave k, std::uint32_t i, char* n,
                               std::uint32_t c) override {
        if (AntesDeEnumerarClave)
            AntesDeEnumerarClave();
        return real_.EnumerarClave(k, i, n, c);
    }
    std::int32_t EnumerarValor(ManejadorClave k, std::uint32_t i, char* n,
                               std::uint32_t* s) override {
        return real_.EnumerarValor(k, i, n, s);
    }
    std::int32_t ConsultarInfoClave(ManejadorClave k, std::uint32_t* a, std::uint32_t* b,
                                    std::uint32_t* c, std::uint32_t* d, std::uint32_t* e) override {
        return real_.ConsultarInfoClave(k, a, b, c, d, e);
    }
    std::uint32_t ExpandirEntorno(const std::string& o, char* d, std::uint32_t c) override {
        if (d)
            UnaVez(AntesDeExpandir);
        return real_.ExpandirEntorno(o, d, c);
    }

private:
    static void UnaVez(std::function<void()>& f) {
        if (f)
            std::exchange(f, nullptr)();
    }
    // `k` by reference: it is read after the call that fills it.
    std::int32_t Anotar(std::int32_t resultado, const ManejadorClave& k) {
        if (resultado == 0) {
            Abiertas.insert(k);
            ++Aperturas;
        }
        return resultado;
    }

    OperacionesRegistro& real_;
};

// A hive in a fresh folder, clsReg's calls counted on the way to it.
struct Banco {
    CarpetaTemporal Carpeta;
    RegistroArchivo Ops{Carpeta.Hive()};
    RegistroContado Contado{Ops};
    clsReg Reg{Contado};

    Crudo Leer(std::int32_t raiz, const std::string& seccion, const std::string& nombre = "") {
        return LeerCrudo(Ops, raiz, seccion, nombre);
    }
    void Poner(const std::string& seccion, const std::string& nombre, std::uint32_t tipo,
               const Bytes& datos) {
        PonerCrudo(Ops, HKEY_LOCAL_MACHINE, seccion, nombre, tipo, datos);
    }
    // Points Reg at a key and value.
    clsReg& En(const std::string& seccion, const std::string& valor = "",
               std::int32_t raiz = HKEY_LOCAL_MACHINE) {
        Reg.ClaseClave(raiz);
        Reg.SeccionClave(seccion);
        Reg.ValorClave(valor);
        return Reg;
    }
    // The subkey names of a key, as clsReg lists them.
    std::vector<std::string> Subclaves(std::int32_t raiz, const std::string& seccion) {
        auto reg = Apuntado(Contado, raiz, seccion);
        std::vector<std::string> nombres;
        std::int32_t cuenta = 0;
        reg.EnumerarSecciones(nombres, cuenta);
        return nombres;
    }
    // The value names of a key under HKEY_LOCAL_MACHINE, as clsReg lists them.
    std::vector<std::string> Valores(const std::string& seccion) {
        std::vector<std::string> nombres;
        std::int32_t cuenta = 0;
        Apuntado(Contado, HKEY_LOCAL_MACHINE, seccion).EnumerarValores(nombres, cuenta);
        return nombres;
    }
};

// A test over a Banco that fails when clsReg leaves a key open.
template <class Base = ::testing::Test> class ConBanco : public Base {
protected:
    void TearDown() override { EXPECT_TRUE(b_.Contado.Abiertas.empty()) << "a key stayed open"; }
    Banco b_;
};

} // namespace vesmadur::prueba
