#pragma once

// vesmadur-cli started as a process on the machine of an InstalacionPrueba.

#include "InstalacionPrueba.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <fcntl.h>
#include <memory>
#include <string>
#include <vector>

namespace vesmadur::prueba {

struct Corrida {
    int Codigo;
    std::string Salida, Errores;
    QJsonObject Json() const {
        return QJsonDocument::fromJson(QByteArray::fromStdString(Salida)).object();
    }
};

// vesmadur-cli with `argumentos`, started on the machine of `instalacion`
// (its registry file, shared folder and lock); its errors go to `errores`.
// Killed by SIGALRM (exit code -14) if it has not ended after five minutes.
inline std::unique_ptr<Proceso> Lanzar(const InstalacionPrueba& instalacion,
                                std::vector<std::string> argumentos, const std::string& errores) {
    const fs::path raiz = fs::path(instalacion.Carpeta()).parent_path();
    return std::make_unique<Proceso>([=]() mutable {
        ::setenv("VESMADUR_REGISTRO", (raiz / "registro.reg").c_str(), 1);
        ::setenv("VESMADUR_DATOS_COMUNES", (raiz / "comun").c_str(), 1);
        ::setenv("VESMADUR_BLOQUEO", (raiz / "vesmadur.lock").c_str(), 1);
        ::dup2(::open(errores.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
        ::alarm(300); // a program that hangs ends, and the test says so

        std::vector<char*> argv{const_cast<char*>(VESMADUR_CLI)};
        for (auto& a : argumentos)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(VESMADUR_CLI, argv.data());
        return 127;
    });
}

// The same, run to its end with `entrada` as its input.
inline Corrida Cli(const InstalacionPrueba& instalacion, std::vector<std::string> argumentos,
            const std::string& entrada = "") {
    const std::string errores = fs::path(instalacion.Carpeta()).parent_path() / "errores.txt";
    const auto cli = Lanzar(instalacion, std::move(argumentos), errores);
    cli->Escribir(entrada);
    cli->CerrarEntrada();
    Corrida corrida{0, cli->Leer(), ""};
    corrida.Codigo = cli->Esperar();
    corrida.Errores = LeerBytes(errores);
    return corrida;
}

} // namespace vesmadur::prueba
