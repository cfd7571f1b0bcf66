#include "database/Conexion.h"
#include "database/Database.h"

#include <algorithm>
#include <limits>
#include <sqlcipher/sqlite3.h>
#include <strings.h>

namespace vesmadur {

namespace {

// Rows read ahead of the cursor in one query; a visit usually finds its row
// already read, and changed rows are read again one by one.
constexpr int kFilasPorBloque = 256;

struct Fila {
    bool Vigente = true;
    bool Existe = true;
    std::vector<Variante> Valores;
};

std::string ComoIdentificador(const std::string& nombre) {
    std::string texto = "\"";
    for (char c : nombre) {
        texto += c;
        if (c == '"')
            texto += '"';
    }
    return texto + "\"";
}

// Copies one value of a row into `valor`, in the storage of a text it held.
void LeerValor(sqlite3_value* dato, Variante& valor) {
    switch (sqlite3_value_type(dato)) {
    case SQLITE_INTEGER:
        valor = Variante(static_cast<std::int64_t>(sqlite3_value_int64(dato)));
        break;
    case SQLITE_FLOAT:
        valor = Variante(sqlite3_value_double(dato));
        break;
    case SQLITE_TEXT: {
        const auto* texto = reinterpret_cast<const char*>(sqlite3_value_text(dato));
        valor.PonerTexto({texto, static_cast<std::size_t>(sqlite3_value_bytes(dato))});
        break;
    }
    case SQLITE_BLOB: {
        const auto* datos = static_cast<const std::uint8_t*>(sqlite3_value_blob(dato));
        const auto largo = static_cast<std::size_t>(sqlite3_value_bytes(dato));
        valor = Variante(datos ? Bytes(datos, datos + largo) : Bytes{});
        break;
    }
    default:
        valor = Variante(Nulo{});
    }
}

// Reads the current row of `orden` into `fila`, in the storage of the values
// it held (a walk reads every row of a table): result column `desde + k`
// holds table column `columnas[k]`, or column k when `columnas` is null.
void LeerFila(sqlite3_stmt* orden, int desde, const std::vector<int>* columnas, int total,
              Fila& fila) {
    fila.Vigente = fila.Existe = true;
    fila.Valores.resize(static_cast<std::size_t>(total));
    const int leidas = sqlite3_column_count(orden) - desde;
    for (int k = 0; k < leidas; ++k) {
        const int c = columnas ? (*columnas)[static_cast<std::size_t>(k)] : k;
        LeerValor(sqlite3_column_value(orden, desde + k), fila.Valores[static_cast<std::size_t>(c)]);
    }
}

void FilaAusente(Fila& fila) {
    fila.Vigente = true;
    fila.Existe = false;
}

} // namespace

struct Recordset::Estado {
    std::shared_ptr<Conexion> Duena;
    std::string Tabla;
    int Columnas = 0;
    bool Cerrado = false;

    // The keys taken so far, in key order, and whether all are taken.
    std::vector<std::int64_t> Claves;
    bool Completo = false;
    std::size_t Pos = 0;

    // Values of the rows Claves[Inicio] .. Claves[Inicio + Ventana.size() - 1].
    std::size_t Inicio = 0;
    std::vector<Fila> Ventana;
    // Rows of earlier windows whose storage the next ones reuse.
    std::vector<Fila> Sobrantes;

    SentenciaPrestada Bloque;     // rows from a key on: their key, then the Leidas columns
    SentenciaPrestada Una;        // one row by key, every column
    SentenciaPrestada SoloClaves; // keys from a key on

    // The columns asked for so far, the only ones a block reads: a walk
    // that looks at two columns of a wide table decodes those two.
    std::vector<std::string> Nombres;
    std::vector<int> Leidas;

    Estado() = default;
    Estado(const Estado&) = delete;
    Estado& operator=(const Estado&) = delete;
    ~Estado() { Liberar(); }

    void Liberar() {
        Bloque.Devolver();
        Una.Devolver();
        SoloClaves.Devolver();
        Ventana.clear();
        Sobrantes.clear();
        if (Duena) {
            auto& lista = Duena->Cursores;
            lista.erase(std::remove(lista.begin(), lista.end(), this), lista.end());
        }
        Cerrado = true;
    }

    void Verificar() const {
        if (Cerrado || !Duena || !Duena->Abierta())
            throw ErrorMotor("Object invalid or no longer set.");
    }

    [[noreturn]] void Fallo(sqlite3_stmt* orden) const {
        const std::string error = DescripcionError(Duena->Base.Base);
        sqlite3_reset(orden);
        throw ErrorMotor(error);
    }

    bool EnVentana(std::size_t i) const { return i >= Inicio && i < Inicio + Ventana.size(); }

    // The first key not yet taken, or nothing when the key space is used up.
    std::optional<std::int64_t> SiguienteClave() const {
        if (Claves.empty())
            return std::numeric_limits<std::int64_t>::min();
        if (Claves.back() == std::numeric_limits<std::int64_t>::max())
            return std::nullopt;
        return Claves.back() + 1;
    }

    // Reads a block of rows starting at key index `desde`. Keys present in
    // Claves are matched against the rows found: a missing one was deleted.
    // At the end of the known keys, before full population, the rows found
    // are new keys. Rows inserted after their place was populated are not
    // part of this recordset and are passed over.
    void Llenar(std::size_t desde) {
        std::int64_t primera = 0;
        if (desde < Claves.size()) {
            primera = Claves[desde];
        } else {
            const auto siguiente = Completo ? std::nullopt : SiguienteClave();
            if (!siguiente) {
                Completo = true;
                return;
            }
            primera = *siguiente;
        }
        Reciclar();
        Inicio = desde;
        std::size_t i = desde;
        int leidas = 0;
        if (sqlite3_bind_int64(Bloque.Get(), 1, primera) != SQLITE_OK ||
            sqlite3_bind_int(Bloque.Get(), 2, kFilasPorBloque) != SQLITE_OK)
            Fallo(Bloque.Get());
        for (;;) {
            const int rc = sqlite3_step(Bloque.Get());
            if (rc == SQLITE_DONE)
                break;
            if (rc != SQLITE_ROW)
                Fallo(Bloque.Get());
            ++leidas;
            const std::int64_t clave = sqlite3_column_int64(Bloque.Get(), 0);
            while (i < Claves.size() && Claves[i] < clave) {
                FilaAusente(NuevaFila());
                ++i;
            }
            if (i < Claves.size()) {
                if (Claves[i] == clave) {
                    LeerFila(Bloque.Get(), 1, &Leidas, Columnas, NuevaFila());
                    ++i;
                }
            } else if (!Completo) {
                Claves.push_back(clave);
                LeerFila(Bloque.Get(), 1, &Leidas, Columnas, NuevaFila());
                ++i;
            }
        }
        sqlite3_reset(Bloque.Get());
        if (leidas < kFilasPorBloque) {
            // The table ended inside this block: every key left was deleted.
            for (; i < Claves.size(); ++i)
                FilaAusente(NuevaFila());
            Completo = true;
        }
    }

    // Blocks read `columna` from now on: the window is read again with it.
    // False when the column was read already (the window stands).
    bool Pedir(int columna) {
        if (std::find(Leidas.begin(), Leidas.end(), columna) != Leidas.end())
            return false;
        Leidas.push_back(columna);
        if (!Bloque.Tomar(*Duena, TextoBloque()))
            throw ErrorMotor(DescripcionError(Duena->Base.Base));
        Reciclar(); // the window is read again, with the column
        return true;
    }

    // The window's rows become spares.
    void Reciclar() {
        for (auto& fila : Ventana)
            Sobrantes.push_back(std::move(fila));
        Ventana.clear();
    }

    std::string TextoBloque() const {
        std::string texto = "SELECT rowid";
        for (const int c : Leidas)
            texto += ", " + ComoIdentificador(Nombres[static_cast<std::size_t>(c)]);
        return texto + " FROM " + ComoIdentificador(Tabla) +
               " WHERE rowid >= ?1 ORDER BY rowid LIMIT ?2";
    }

    // A row added to the window, in a spare row's storage when there is one.
    Fila& NuevaFila() {
        if (Sobrantes.empty())
            return Ventana.emplace_back();
        Ventana.push_back(std::move(Sobrantes.back()));
        Sobrantes.pop_back();
        return Ventana.back();
    }

    // Takes every key not taken yet.
    void Poblar() {
        if (Completo)
            return;
        const auto siguiente = SiguienteClave();
        if (siguiente) {
            if (sqlite3_bind_int64(SoloClaves.Get(), 1, *siguiente) != SQLITE_OK)
                Fallo(SoloClaves.Get());
            int rc;
            while ((rc = sqlite3_step(SoloClaves.Get())) == SQLITE_ROW)
                Claves.push_back(sqlite3_column_int64(SoloClaves.Get(), 0));
            if (rc != SQLITE_DONE)
                Fallo(SoloClaves.Get());
            sqlite3_reset(SoloClaves.Get());
        }
        Completo = true;
    }

    // After a move: at the end of the known keys, the next block is taken.
    void TrasMover() {
        if (Pos >= Claves.size() && !Completo)
            Llenar(Pos);
    }

    Fila& Actual() {
        Verificar();
        if (Pos >= Claves.size())
            throw ErrorMotor("No current record.");
        if (!EnVentana(Pos))
            Llenar(Pos);
        Fila& fila = Ventana[Pos - Inicio];
        if (!fila.Vigente) {
            if (sqlite3_bind_int64(Una.Get(), 1, Claves[Pos]) != SQLITE_OK)
                Fallo(Una.Get());
            const int rc = sqlite3_step(Una.Get());
            if (rc == SQLITE_ROW)
                LeerFila(Una.Get(), 0, nullptr, Columnas, fila);
            else if (rc == SQLITE_DONE)
                FilaAusente(fila);
            else
                Fallo(Una.Get());
            sqlite3_reset(Una.Get());
        }
        return fila;
    }
};

std::unique_ptr<Recordset::Estado> NuevoCursor(const std::shared_ptr<Conexion>& conexion,
                                               const std::string& tabla) {
    sqlite3* base = conexion->Base.Base;
    auto cursor = std::make_unique<Recordset::Estado>();
    cursor->Duena = conexion;

    // The table's name as stored, found in any letter case.
    SentenciaPrestada buscar(*conexion, "SELECT name FROM sqlite_master WHERE type = 'table' AND "
                                        "name = ?1 COLLATE NOCASE");
    if (!buscar.Get() || sqlite3_bind_text(buscar.Get(), 1, tabla.c_str(),
                                           static_cast<int>(tabla.size()), SQLITE_TRANSIENT) != SQLITE_OK)
        throw ErrorMotor(DescripcionError(base));
    const int rc = sqlite3_step(buscar.Get());
    if (rc == SQLITE_ROW)
        cursor->Tabla = reinterpret_cast<const char*>(sqlite3_column_text(buscar.Get(), 0));
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        throw ErrorMotor(DescripcionError(base));
    buscar.Devolver();
    if (rc != SQLITE_ROW)
        throw ErrorMotor("The database engine cannot find the input table or query '" + tabla +
                         "'.");

    const std::string nombre = ComoIdentificador(cursor->Tabla);
    const std::string textos[] = {
        cursor->TextoBloque(),
        "SELECT * FROM " + nombre + " WHERE rowid = ?1",
        "SELECT rowid FROM " + nombre + " WHERE rowid >= ?1 ORDER BY rowid",
    };
    SentenciaPrestada* destinos[] = {&cursor->Bloque, &cursor->Una, &cursor->SoloClaves};
    for (int i = 0; i < 3; ++i)
        if (!destinos[i]->Tomar(*conexion, textos[i]))
            throw ErrorMotor(DescripcionError(base));
    cursor->Columnas = sqlite3_column_count(cursor->Una.Get());
    for (int c = 0; c < cursor->Columnas; ++c)
        cursor->Nombres.emplace_back(sqlite3_column_name(cursor->Una.Get(), c));

    conexion->Cursores.push_back(cursor.get());
    cursor->Llenar(0);
    return cursor;
}

void AvisarCambioFila(Recordset::Estado& cursor, bool actualizada, const char* tabla,
                      std::int64_t clave) {
    if (cursor.Ventana.empty() || strcasecmp(tabla, cursor.Tabla.c_str()) != 0)
        return;
    const auto ini = cursor.Claves.begin() + static_cast<std::ptrdiff_t>(cursor.Inicio);
    const auto fin = ini + static_cast<std::ptrdiff_t>(cursor.Ventana.size());
    const auto it = std::lower_bound(ini, fin, clave);
    if (it != fin && *it == clave) {
        cursor.Ventana[static_cast<std::size_t>(it - ini)].Vigente = false;
        return;
    }
    // An update is reported under the row's key after the change. A key the
    // cursor never took means the row moved to a new key, away from one it
    // may hold: the values read ahead are dropped and read again.
    if (actualizada && !std::binary_search(cursor.Claves.begin(), cursor.Claves.end(), clave))
        cursor.Ventana.clear();
}

void OlvidarValores(Recordset::Estado& cursor) {
    cursor.Ventana.clear();
}

void CerrarCursor(Recordset::Estado& cursor) {
    // The database is closing and clears its own list.
    cursor.Duena.reset();
    cursor.Liberar();
}

// Kept here, where the cursor's state is a complete type.
std::unique_ptr<Recordset> Database::OpenRecordset(const std::string& tabla, int tipo) {
    if (!conexion_->Abierta())
        throw ErrorMotor("Object invalid or no longer set.");
    if (tipo != dbOpenDynaset)
        throw ErrorMotor("Invalid argument.");
    return std::unique_ptr<Recordset>(new Recordset(NuevoCursor(conexion_, tabla)));
}

std::int64_t Database::ContarFilas(const std::string& tabla, const std::string& columna,
                                   std::int64_t valor) {
    if (!conexion_->Abierta())
        throw ErrorMotor("Object invalid or no longer set.");
    sqlite3* base = conexion_->Base.Base;
    SentenciaPrestada contar(*conexion_, "SELECT count(*) FROM " + ComoIdentificador(tabla) +
                                             " WHERE " + ComoIdentificador(columna) + " = ?1");
    if (!contar.Get() || sqlite3_bind_int64(contar.Get(), 1, valor) != SQLITE_OK ||
        sqlite3_step(contar.Get()) != SQLITE_ROW)
        throw ErrorMotor(DescripcionError(base));
    return sqlite3_column_int64(contar.Get(), 0);
}

std::vector<std::int64_t> Database::NumerosRepetidos(const std::string& tabla,
                                                     const std::string& columna) {
    if (!conexion_->Abierta())
        throw ErrorMotor("Object invalid or no longer set.");
    sqlite3* base = conexion_->Base.Base;
    const std::string c = ComoIdentificador(columna);
    SentenciaPrestada buscar(*conexion_,
                             "SELECT " + c + " FROM " + ComoIdentificador(tabla) + " WHERE typeof(" +
                                 c + ") IN ('integer', 'real') GROUP BY " + c +
                                 " HAVING count(*) > 1 ORDER BY " + c,
                             false);
    if (!buscar.Get())
        throw ErrorMotor(DescripcionError(base));
    std::vector<std::int64_t> numeros;
    int rc;
    while ((rc = sqlite3_step(buscar.Get())) == SQLITE_ROW) {
        const double valor = sqlite3_column_double(buscar.Get(), 0);
        if (valor == static_cast<double>(sqlite3_column_int64(buscar.Get(), 0)))
            numeros.push_back(sqlite3_column_int64(buscar.Get(), 0));
    }
    if (rc != SQLITE_DONE)
        throw ErrorMotor(DescripcionError(base));
    return numeros;
}

// --- Recordset ----------------------------------------------------------------

Recordset::Recordset(std::unique_ptr<Estado> estado) : estado_(std::move(estado)) {}

Recordset::~Recordset() = default;

bool Recordset::Eof() const {
    estado_->Verificar();
    return estado_->Pos >= estado_->Claves.size();
}

void Recordset::MoveNext() {
    estado_->Verificar();
    if (estado_->Pos >= estado_->Claves.size())
        throw ErrorMotor("No current record.");
    ++estado_->Pos;
    estado_->TrasMover();
}

void Recordset::MoveLast(int) {
    estado_->Verificar();
    estado_->Poblar();
    if (!estado_->Claves.empty())
        estado_->Pos = estado_->Claves.size() - 1;
}

void Recordset::MoveFirst() {
    estado_->Verificar();
    estado_->Pos = 0;
    estado_->TrasMover();
}

float Recordset::PercentPosition() const {
    estado_->Verificar();
    const auto total = estado_->Claves.size();
    if (total == 0)
        return 0.0f;
    if (estado_->Pos >= total)
        return 100.0f;
    const auto tramo = estado_->Completo ? total - 1 : total;
    if (tramo == 0)
        return 0.0f;
    return static_cast<float>(100.0 * static_cast<double>(estado_->Pos) /
                              static_cast<double>(tramo));
}

Variante Recordset::Fields(int indice) {
    const Fila* fila = &estado_->Actual();
    if (indice < 0 || indice >= estado_->Columnas)
        throw ErrorMotor("Item not found in this collection.");
    // The row is found again only when asking for the column dropped it.
    if (estado_->Pedir(indice))
        fila = &estado_->Actual();
    if (!fila->Existe)
        return Variante(Nulo{});
    const auto i = static_cast<std::size_t>(indice);
    return i < fila->Valores.size() ? fila->Valores[i] : Variante(Nulo{});
}

bool Recordset::FilaBorrada() {
    return !estado_->Actual().Existe;
}

void Recordset::Close() {
    if (!estado_->Cerrado)
        estado_->Liberar();
}

} // namespace vesmadur
