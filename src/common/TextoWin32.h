#pragma once

// Text across the Windows boundary. The program keeps every text in UTF-8;
// the wide (UTF-16) calls and the ANSI calls (in the active code page) get
// and give their own encodings through these. Windows only.

#include <string>
#include <string_view>

namespace vesmadur {

std::wstring Ancho(std::string_view utf8);
std::string Utf8DeAncho(std::wstring_view ancho);
// Between UTF-8 and the active code page. A text that does not convert
// (bytes that are not valid in the encoding it is read in) stays as it is.
std::string AnsiDeUtf8(std::string_view utf8);
std::string Utf8DeAnsi(std::string_view ansi);

// The full path of the running program's file; empty when Windows does not
// give it.
std::wstring RutaDelPrograma();

} // namespace vesmadur
