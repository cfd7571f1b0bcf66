// The test helpers that need Windows' own calls.
#include "ayudas/Archivos.h"
#include "ayudas/Proceso.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace vesmadur::prueba {

// Wine's ntdll exports its version; Windows' does not.
bool BajoWine() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

Proceso::Proceso(const std::string& lineaDeOrdenes) {
    SECURITY_ATTRIBUTES heredable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE lectura = nullptr, escritura = nullptr;
    if (!CreatePipe(&lectura, &escritura, &heredable, 0))
        throw std::runtime_error("CreatePipe");
    SetHandleInformation(lectura, HANDLE_FLAG_INHERIT, 0);
    const HANDLE nada = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    &heredable, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA inicio{};
    inicio.cb = sizeof inicio;
    inicio.dwFlags = STARTF_USESTDHANDLES;
    inicio.hStdInput = nada;
    inicio.hStdOutput = inicio.hStdError = escritura;
    PROCESS_INFORMATION info{};
    std::string linea = lineaDeOrdenes;
    const bool creado = CreateProcessA(nullptr, linea.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                       nullptr, &inicio, &info);
    CloseHandle(escritura);
    CloseHandle(nada);
    if (!creado) {
        CloseHandle(lectura);
        throw std::runtime_error("CreateProcess: " + lineaDeOrdenes);
    }
    CloseHandle(info.hThread);
    proceso_ = info.hProcess;
    salida_ = _fdopen(_open_osfhandle(reinterpret_cast<intptr_t>(lectura), _O_RDONLY), "r");
}

Proceso::~Proceso() {
    Matar();
    if (salida_)
        std::fclose(salida_);
}

std::string Proceso::Linea() {
    char linea[4096];
    std::string texto = salida_ && std::fgets(linea, sizeof linea, salida_) ? linea : "";
    while (!texto.empty() && (texto.back() == '\n' || texto.back() == '\r'))
        texto.pop_back();
    return texto;
}

int Proceso::Esperar() {
    if (!proceso_)
        return -1;
    WaitForSingleObject(proceso_, INFINITE);
    DWORD codigo = 0;
    GetExitCodeProcess(proceso_, &codigo);
    CloseHandle(proceso_);
    proceso_ = nullptr;
    return static_cast<int>(codigo);
}

int Proceso::Matar() {
    if (proceso_)
        TerminateProcess(proceso_, 137);
    return Esperar();
}

} // namespace vesmadur::prueba
