#pragma once

#include "registry/Colmena.h"

#include <optional>
#include <string>
#include <string_view>

namespace vesmadur {

// Reads the text of a .reg file: "REGEDIT4" (UTF-8, an optional UTF-8
// byte-order mark) or "Windows Registry Editor Version 5.00" (UTF-16LE with
// its byte-order mark, or UTF-8), CRLF or LF line ends, ';' comments,
// "\"-continued hex lines, "[-key]" and "name"=- deletions. In version 5.00
// files the hex(1), hex(2) and hex(7) data are UTF-16LE and are converted to
// UTF-8, the text the ANSI registry calls see. An empty text is an empty
// hive. Anything else that does not follow the format makes the whole text
// unreadable: the result is empty.
std::optional<Colmena> LeerFormatoReg(std::string_view contenido);

// Writes the hive as a "REGEDIT4" file in UTF-8 with LF line ends: every key
// as a section (a root key only when it holds something), subkeys in registry order, values in
// creation order. Data that a quoted string or dword: cannot carry byte for
// byte is written as hex(N):, so reading the text back gives the same hive.
std::string EscribirFormatoReg(const Colmena& colmena);

} // namespace vesmadur
