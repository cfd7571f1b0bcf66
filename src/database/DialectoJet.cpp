#include "database/DialectoJet.h"

#include "database/ErrorMotor.h"
#include "database/TextoSql.h"

#include <algorithm>

namespace vesmadur {

namespace {

using letras::EsBlanco;

// The characters that mean something to the translation; runs of others
// are copied as they are.
constexpr bool EsSenal(char c) {
    return c == '\'' || c == '"' || c == '[' || c == ';' || c == '-' || c == '/';
}

// `palabra` (in capitals) at `pos`, in any letter case, as a whole word.
bool PalabraEn(const std::string& texto, std::size_t pos, std::string_view palabra) {
    const std::size_t fin = pos + palabra.size();
    return fin <= texto.size() &&
           letras::EsPalabra(std::string_view(texto).substr(pos, palabra.size()), palabra) &&
           (fin == texto.size() ||
            !(letras::EsLetra(texto[fin]) || letras::EsCifra(texto[fin]) || texto[fin] == '_'));
}

std::size_t SaltarBlancos(const std::string& texto, std::size_t pos) {
    while (pos < texto.size() && EsBlanco(texto[pos]))
        ++pos;
    return pos;
}

// Jet writes "DELETE * FROM t"; SQLite knows only "DELETE FROM t". The star
// is dropped only in that exact place at the start of the statement: the
// text without it is written to `sin` and given, or else `jet` itself.
const std::string& SinAsteriscoDeBorrado(const std::string& jet, std::string& sin) {
    std::size_t pos = SaltarBlancos(jet, 0);
    if (!PalabraEn(jet, pos, "DELETE"))
        return jet;
    const std::size_t trasDelete = pos + 6;
    pos = SaltarBlancos(jet, trasDelete);
    if (pos >= jet.size() || jet[pos] != '*')
        return jet;
    const std::size_t trasAsterisco = SaltarBlancos(jet, pos + 1);
    if (!PalabraEn(jet, trasAsterisco, "FROM"))
        return jet;
    sin = jet.substr(0, trasDelete) + " " + jet.substr(trasAsterisco);
    return sin;
}

} // namespace

void TraducirDialecto(const std::string& original, std::string& sql) {
    std::string sinAsterisco;
    const std::string& jet = SinAsteriscoDeBorrado(original, sinAsterisco);
    sql.clear();
    sql.reserve(jet.size() + 8);
    std::size_t i = 0;
    bool terminada = false;
    while (i < jet.size()) {
        const char c = jet[i];
        if (terminada && !EsBlanco(c) && c != ';')
            throw ErrorMotor("Characters found after end of SQL statement.");
        if (c == '\'') {
            // A literal: copied as it is up to its closing quote.
            const std::size_t fin = letras::FinCitado(jet, i, '\'');
            if (fin == std::string::npos)
                throw ErrorMotor("Syntax error in string in query expression.");
            sql.append(jet, i, fin - i);
            i = fin;
        } else if (c == '"') {
            // A Jet literal in double quotes: the same text in single quotes.
            sql += '\'';
            ++i;
            for (;;) {
                if (i >= jet.size())
                    throw ErrorMotor("Syntax error in string in query expression.");
                const char d = jet[i];
                if (d == '"') {
                    if (i + 1 < jet.size() && jet[i + 1] == '"') {
                        sql += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                sql += d;
                if (d == '\'')
                    sql += '\'';
                ++i;
            }
            sql += '\'';
        } else if (c == '[') {
            // A bracketed name stays bracketed: the library reads it as a
            // name and never, as it may a double-quoted one that matches no
            // column, as a text.
            sql += '[';
            ++i;
            for (;;) {
                if (i >= jet.size())
                    throw ErrorMotor("Invalid bracketing of name.");
                const char d = jet[i];
                if (d == ']') {
                    ++i;
                    break;
                }
                if (d == '[')
                    throw ErrorMotor("Invalid bracketing of name.");
                sql += d;
                ++i;
            }
            sql += ']';
        } else if ((c == '-' && i + 1 < jet.size() && jet[i + 1] == '-') ||
                   (c == '/' && i + 1 < jet.size() && jet[i + 1] == '*')) {
            throw ErrorMotor("Syntax error in query expression.");
        } else if (c == ';') {
            terminada = true;
            ++i;
        } else if (terminada) {
            sql += c;
            ++i;
        } else {
            // Up to the next character that means something here, at once.
            std::size_t fin = i + 1;
            while (fin < jet.size() && !EsSenal(jet[fin]))
                ++fin;
            sql.append(jet, i, fin - i);
            i = fin;
        }
    }
}

} // namespace vesmadur
