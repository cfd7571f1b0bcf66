#include "dialing/AjusteMarcaciones.h"

#include "database/Configuracion.h"
#include "dialing/Marcaciones.h"

#include <optional>
#include <unordered_set>

namespace vesmadur {

namespace {

constexpr std::string_view FinLinea = "\r\n";

class Ajuste {
public:
    Ajuste(std::unique_ptr<Database>& base, const DatosAjuste& datos, InformeAjuste& informe)
        : base_(base), datos_(datos), informe_(informe) {}

    ResultadoAjuste Correr() {
        informe_.Reemplazar(std::string("Directorio: ") + std::string(FinLinea) + "    " +
                            datos_.DirInstalacion + std::string(FinLinea));
        informe_.Agregar(FinLinea);
        informe_.Agregar("Marcaciones detectadas a procesar: " +
                         std::to_string(datos_.MarcacionesDetectadas));
        informe_.Agregar(FinLinea);
        informe_.Agregar(FinLinea);

        Linea("Respaldando configuracion...");
        const ResultadoArchivo respaldo = datos_.Respaldar
                                              ? datos_.Respaldar()
                                              : ResultadoArchivo::Fallo("no hay como respaldar");
        resultado_.Respaldada = respaldo.Correcto;
        if (!resultado_.Respaldada) {
            resultado_.MotivoRespaldo = respaldo.Descripcion;
            Linea("Error al RESPALDAR la configuracion!");
            return Terminar();
        }

        Linea("Abriendo configuracion...");
        AbrirConfiguracion(base_, datos_.RutaConfig);
        if (!base_) {
            Linea("Error al ABRIR la configuracion!");
            return Terminar();
        }
        resultado_.Abierta = true;

        Linea("Leyendo marcaciones...");
        std::unique_ptr<Recordset> numeros;
        try {
            numeros = base_->OpenRecordset(kTablaNumeros);
            numeros->MoveLast();
            numeros->MoveFirst();
            // A key two entries share addresses both: rewriting one would
            // rewrite the other too, so neither is touched.
            const auto repetidas = base_->NumerosRepetidos(kTablaNumeros, "lnId");
            repetidas_.insert(repetidas.begin(), repetidas.end());
            Recorrer(*numeros);
            resultado_.Completa = true;
        } catch (const ErrorMotor& error) {
            // The walk stops where the engine failed; what was committed
            // stays, and so does the backup.
            Linea("Error al AJUSTAR las marcaciones: " + error.Descripcion());
        }
        if (numeros) {
            try {
                numeros->Close();
            } catch (const ErrorMotor&) {
                // Released all the same; the failure was reported above or
                // changes nothing that was committed.
            }
        }
        Linea("Marcaciones ajustadas: " + std::to_string(resultado_.Ajustadas) + " de " +
              std::to_string(resultado_.FilasLeidas));

        try {
            CerrarConfiguracion(base_);
        } catch (const ErrorMotor& error) {
            resultado_.Completa = false;
            Linea("Error al AJUSTAR las marcaciones: " + error.Descripcion());
        }
        Linea("Configuracion cerrada.");
        return Terminar();
    }

private:
    void Recorrer(Recordset& numeros) {
        while (!numeros.Eof()) {
            Ajustar(numeros);
            if (resultado_.FilasLeidas % 5 == 0) {
                float fraccion = numeros.PercentPosition() / 100.0f;
                if (fraccion < 0)
                    fraccion = 0;
                if (fraccion > 1)
                    fraccion = 1;
                informe_.DibujarProgreso(fraccion);
                informe_.ProcesarEventos();
            }
            numeros.MoveNext();
            ++resultado_.FilasLeidas;
        }
        informe_.DibujarProgreso(1.0f);
    }

    void Ajustar(Recordset& numeros) {
        const Variante telefono = numeros.Fields(1);
        // A Null number (also a row deleted behind the cursor) is not
        // old-style: it is neither rewritten nor deleted.
        if (telefono.EsNulo())
            return;
        const std::string actual = telefono.ComoTexto();
        const std::string nuevo = AjustarNumero(actual);
        if (nuevo == actual)
            return;

        // An entry whose key is not a number, or is another entry's too,
        // cannot be addressed safely.
        const auto lnId = ClaveEntrada(numeros.Fields(0));
        if (!lnId || repetidas_.count(*lnId))
            return;

        if (!nuevo.empty()) {
            base_->Execute(SentenciaActualizar(nuevo, *lnId));
        } else {
            BorrarReferencias(*lnId);
            base_->Execute("DELETE * FROM [Numeros de lada] WHERE lnId = " + std::to_string(*lnId));
        }
        ++resultado_.Ajustadas;
        informe_.Cambiado(*lnId, actual, nuevo);
    }

    // Deletes the entry's rows from every table the catalogue lists for
    // purging, in catalogue order, reading the catalogue for each entry.
    void BorrarReferencias(std::int64_t lnId) {
        const auto purga = LeerTablasDePurga(*base_);
        for (const auto& tabla : purga.Tablas)
            base_->Execute("DELETE * FROM " + tabla + " WHERE idLada = " + std::to_string(lnId));
        if (!purga.Error.empty())
            throw ErrorMotor(purga.Error);
    }

    ResultadoAjuste Terminar() {
        Linea("Proceso de ajuste finalizado.");
        informe_.Agregar(FinLinea);
        informe_.Agregar("Presiona el boton <" + informe_.CaptionCerrar() + "> para terminar.");
        return resultado_;
    }

    void Linea(const std::string& mensaje) {
        informe_.Agregar(mensaje);
        informe_.Agregar(FinLinea);
    }

    std::unique_ptr<Database>& base_;
    const DatosAjuste& datos_;
    InformeAjuste& informe_;
    ResultadoAjuste resultado_;
    std::unordered_set<std::int64_t> repetidas_;
};

} // namespace

std::string SentenciaActualizar(std::string_view numero, std::int64_t lnId) {
    std::string sentencia = "UPDATE [Numeros de lada] SET telefono = '";
    for (char c : numero) {
        sentencia += c;
        if (c == '\'')
            sentencia += '\'';
    }
    sentencia += "' WHERE lnId = " + std::to_string(lnId);
    return sentencia;
}

ResultadoAjuste AjustarMarcaciones(std::unique_ptr<Database>& base, const DatosAjuste& datos,
                                   InformeAjuste& informe) {
    return Ajuste(base, datos, informe).Correr();
}

} // namespace vesmadur
