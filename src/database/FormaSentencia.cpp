#include "database/FormaSentencia.h"

#include "database/TextoSql.h"

#include <charconv>

namespace vesmadur {

namespace {

using letras::EsCifra;
using letras::EsPalabra;
using letras::FinCitado;

// What starts a name or keyword, and what goes on in one, as the library reads them.
bool EsInicioDeNombre(char c) {
    return letras::EsLetra(c) || c == '_' || static_cast<unsigned char>(c) >= 0x80;
}

bool EsDeNombre(char c) {
    return EsInicioDeNombre(c) || EsCifra(c) || c == '$';
}

// What may stand in a run of blanks and operators: nothing that starts a
// name, a number, a quoted run, a parameter or a comment.
bool EsDeOperador(char c) {
    switch (c) {
    case '\0': case '\'': case '"': case '`': case '[': case '?': case ':': case '@': case '$':
    case '#': case '-': case '/': case '.':
        return false;
    default:
        return !EsInicioDeNombre(c) && !EsCifra(c);
    }
}

} // namespace

bool LeerForma(std::string_view sql, FormaSentencia& forma) {
    forma.Texto.clear();
    forma.Literales.clear();
    bool primera = true;
    std::size_t i = 0;
    while (i < sql.size()) {
        const char c = sql[i];
        const char siguiente = i + 1 < sql.size() ? sql[i + 1] : '\0';
        if (c == '\0' || c == '?' || c == ':' || c == '@' || c == '$' || c == '#' ||
            (c == '-' && siguiente == '-') || (c == '/' && siguiente == '*'))
            return false;
        if (c == '\'' || c == '"' || c == '`' || c == '[') {
            const std::size_t fin = FinCitado(sql, i, c == '[' ? ']' : c);
            if (fin == std::string_view::npos)
                return false;
            if (c == '\'') {
                // The text between the quotes, a doubled quote made single.
                auto& texto = std::get<std::string>(
                    forma.Literales.emplace_back(std::in_place_type<std::string>));
                for (std::size_t j = i + 1; j < fin;) {
                    const std::size_t comilla = sql.find('\'', j);
                    texto.append(sql.substr(j, comilla + (comilla + 1 < fin) - j));
                    j = comilla + 2;
                }
                forma.Texto += '?';
            } else {
                forma.Texto.append(sql.substr(i, fin - i));
            }
            i = fin;
            continue;
        }
        if (EsInicioDeNombre(c)) {
            std::size_t fin = i;
            while (fin < sql.size() && EsDeNombre(sql[fin]))
                ++fin;
            const std::string_view palabra = sql.substr(i, fin - i);
            if (primera && !EsPalabra(palabra, "INSERT") && !EsPalabra(palabra, "UPDATE") &&
                !EsPalabra(palabra, "DELETE"))
                return false;
            if (EsPalabra(palabra, "ORDER") || EsPalabra(palabra, "GROUP"))
                return false;
            primera = false;
            // x'0A1B' is a blob: it stays in the text.
            if (EsPalabra(palabra, "X") && fin < sql.size() && sql[fin] == '\'') {
                fin = FinCitado(sql, fin, '\'');
                if (fin == std::string_view::npos)
                    return false;
            }
            forma.Texto.append(sql.substr(i, fin - i));
            i = fin;
            continue;
        }
        if (EsCifra(c) || (c == '.' && EsCifra(siguiente))) {
            // A number runs on through digits, letters, points and the sign
            // of an exponent; only a run of bare digits is an integer.
            std::size_t fin = i;
            bool soloDigitos = true;
            while (fin < sql.size() &&
                   (EsDeNombre(sql[fin]) || sql[fin] == '.' ||
                    ((sql[fin] == '+' || sql[fin] == '-') &&
                     (sql[fin - 1] == 'e' || sql[fin - 1] == 'E')))) {
                soloDigitos = soloDigitos && EsCifra(sql[fin]);
                ++fin;
            }
            std::int64_t entero = 0;
            const auto [final, error] = std::from_chars(sql.data() + i, sql.data() + fin, entero);
            if (soloDigitos && error == std::errc() && final == sql.data() + fin) {
                forma.Literales.emplace_back(entero);
                forma.Texto += '?';
            } else {
                forma.Texto.append(sql.substr(i, fin - i));
            }
            i = fin;
            continue;
        }
        // Blanks and operators, up to the next character that may start
        // something else, as they are.
        std::size_t fin = i + 1;
        while (fin < sql.size() && EsDeOperador(sql[fin]))
            ++fin;
        forma.Texto.append(sql.substr(i, fin - i));
        i = fin;
    }
    return !primera;
}

} // namespace vesmadur
