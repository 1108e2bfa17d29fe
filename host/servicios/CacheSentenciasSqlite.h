#pragma once

#include "ColumnasRecordset.h"

#include <QByteArray>
#include <QCache>
#include <QString>
#include <functional>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;
struct FormaRafagaSqlite;

// The prepared statements of one SQLite connection, kept by the text of their shape (the
// statement with its literals turned into parameters, see SentenciaParametrizada), so that
// texts that differ only in their literals share one. A statement that a result is still
// reading when its shape runs again, as a recursive reader does, runs as a twin of itself,
// prepared once and kept with it.
class CacheSentenciasSqlite
{
public:
    struct Sentencia
    {
        sqlite3_stmt* stmt = nullptr;
        bool soloLectura = false;
        bool enUso = false;  // a RecordsetSqlite is reading it
        std::shared_ptr<const ColumnasRecordset> columnas;
        int repreparaciones = 0;  // SQLite's count of its own preparations when columnas was read
        // The UTF-8 of the bound texts, bound without a copy: the statement's own, because a
        // statement being read still compares rows with them.
        QByteArray textos;
        // The same text prepared again, run while this one is in use; it goes with it.
        std::unique_ptr<Sentencia> gemela;
        // What RafagaSqlite keeps for the shape; made on its first use.
        std::unique_ptr<FormaRafagaSqlite> rafaga;

        ~Sentencia();
        void leerColumnas();
        char* espacioParaTextos(qsizetype bytes)
        {
            if (textos.size() < bytes)
                textos.resize(bytes);
            return textos.data();
        }
    };

    // `antesDeDescartar` runs before a statement may leave the cache: a result still reading
    // from it must first keep the rest of its rows.
    CacheSentenciasSqlite(sqlite3* db, std::function<void()> antesDeDescartar);

    // One statement of its own; null when the text holds only blanks or comments. A text that
    // SQLite refuses, or that holds more than one statement, throws.
    std::unique_ptr<Sentencia> Preparar(const QByteArray& utf8, bool persistente);
    // The shape's statement that no result is reading, prepared and kept on first use; null
    // for a text of blanks and comments. It becomes the last shape.
    Sentencia* DeLaForma(const QString& forma);
    // Whether `forma` is the very text of the last shape run from the cache. When the
    // analyser's last shape is, a text of that shape runs the last statement with its literal
    // bound straight from the text: no analysis, no lookup, nothing allocated.
    bool EsLaUltima(const QString& forma) const { return m_ultima && forma.isSharedWith(m_ultimaForma); }
    Sentencia& LibreDeLaUltima() { return m_ultima->enUso ? libre(*m_ultima) : *m_ultima; }
    // The last shape's statement as cached, whether or not a result is reading it.
    Sentencia& Ultima() { return *m_ultima; }

    int Cantidad() const { return static_cast<int>(m_cache.size()); }
    void Vaciar();

private:
    Sentencia& libre(Sentencia& enCache);

    sqlite3* m_db;
    std::function<void()> m_antesDeDescartar;
    QCache<QString, Sentencia> m_cache;
    QString m_ultimaForma;
    Sentencia* m_ultima = nullptr;
};
