#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vesmadur::cli {

// A JSON text built in order: objects and arrays opened and closed by the
// caller, members and elements separated here. Texts are escaped as JSON
// requires; bytes that are not valid UTF-8 pass as they are.
class Json {
public:
    Json& Objeto() { return Abrir('{'); }
    Json& Lista() { return Abrir('['); }
    Json& Fin(char cierre) {
        texto_ += cierre;
        primero_ = false;
        return *this;
    }
    Json& Clave(std::string_view nombre) {
        Separar();
        Texto(nombre);
        texto_ += ':';
        primero_ = true; // the value follows without a comma
        return *this;
    }
    Json& Valor(std::string_view valor) {
        Separar();
        Texto(valor);
        return *this;
    }
    Json& Valor(const char* valor) { return Valor(std::string_view(valor)); }
    Json& Valor(std::int64_t valor) {
        Separar();
        texto_ += std::to_string(valor);
        return *this;
    }
    Json& Valor(int valor) { return Valor(std::int64_t{valor}); }
    Json& Valor(bool valor) {
        Separar();
        texto_ += valor ? "true" : "false";
        return *this;
    }
    Json& Nulo() {
        Separar();
        texto_ += "null";
        return *this;
    }
    template <typename T> Json& Miembro(std::string_view nombre, const T& valor) {
        return Clave(nombre).Valor(valor);
    }
    const std::string& Texto() const { return texto_; }

private:
    Json& Abrir(char apertura) {
        Separar();
        texto_ += apertura;
        primero_ = true;
        return *this;
    }
    void Separar() {
        if (!primero_ && !texto_.empty())
            texto_ += ',';
        primero_ = false;
    }
    void Texto(std::string_view valor) {
        texto_ += '"';
        for (unsigned char c : valor) {
            if (c == '"' || c == '\\') {
                texto_ += '\\';
                texto_ += static_cast<char>(c);
            } else if (c < 0x20) {
                static const char cifras[] = "0123456789abcdef";
                texto_ += "\\u00";
                texto_ += cifras[c >> 4];
                texto_ += cifras[c & 15];
            } else {
                texto_ += static_cast<char>(c);
            }
        }
        texto_ += '"';
    }

    std::string texto_;
    bool primero_ = true;
};

} // namespace vesmadur::cli
