#include "common/TextoWin32.h"

#include <windows.h>

namespace vesmadur {

namespace {

// The UTF-16 form of `texto` read in `pagina`; empty when it does not convert.
std::wstring AUtf16(std::string_view texto, UINT pagina, DWORD banderas) {
    if (texto.empty())
        return {};
    const int largo = static_cast<int>(texto.size());
    const int anchos = MultiByteToWideChar(pagina, banderas, texto.data(), largo, nullptr, 0);
    if (anchos <= 0)
        return {};
    std::wstring ancho(static_cast<std::size_t>(anchos), L'\0');
    MultiByteToWideChar(pagina, banderas, texto.data(), largo, ancho.data(), anchos);
    return ancho;
}

// The text of `ancho` in `pagina`; empty when it does not convert, or when a
// character has no exact form in a code page (no look-alike, no '?').
std::string DeUtf16(std::wstring_view ancho, UINT pagina) {
    if (ancho.empty())
        return {};
    const int largo = static_cast<int>(ancho.size());
    const bool utf8 = pagina == CP_UTF8;
    const DWORD banderas = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL sustituido = FALSE;
    const int bytes = WideCharToMultiByte(pagina, banderas, ancho.data(), largo, nullptr, 0,
                                          nullptr, utf8 ? nullptr : &sustituido);
    if (bytes <= 0 || sustituido)
        return {};
    std::string texto(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(pagina, banderas, ancho.data(), largo, texto.data(), bytes, nullptr,
                        nullptr);
    return texto;
}

std::string Convertir(std::string_view texto, UINT desde, UINT hacia) {
    const std::wstring ancho = AUtf16(texto, desde, MB_ERR_INVALID_CHARS);
    if (ancho.empty())
        return std::string(texto);
    const std::string convertido = DeUtf16(ancho, hacia);
    return convertido.empty() ? std::string(texto) : convertido;
}

} // namespace

std::wstring Ancho(std::string_view utf8) {
    return AUtf16(utf8, CP_UTF8, 0);
}

std::string Utf8DeAncho(std::wstring_view ancho) {
    return DeUtf16(ancho, CP_UTF8);
}

std::string AnsiDeUtf8(std::string_view utf8) {
    return Convertir(utf8, CP_UTF8, CP_ACP);
}

std::string Utf8DeAnsi(std::string_view ansi) {
    return Convertir(ansi, CP_ACP, CP_UTF8);
}

std::wstring RutaDelPrograma() {
    std::wstring ruta(32768, L'\0');
    const DWORD largo = GetModuleFileNameW(nullptr, ruta.data(), static_cast<DWORD>(ruta.size()));
    ruta.resize(largo < ruta.size() ? largo : 0);
    return ruta;
}

} // namespace vesmadur
