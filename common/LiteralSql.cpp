#include "LiteralSql.h"

namespace LiteralSql {

qsizetype Cierre(QStringView sql, qsizetype apertura, QString* valor)
{
    qsizetype desde = apertura + 1;
    for (;;) {
        const qsizetype comilla = sql.indexOf(u'\'', desde);
        if (comilla < 0)
            return -1;
        const bool doble = comilla + 1 < sql.size() && sql[comilla + 1] == u'\'';
        if (valor)
            valor->append(sql.sliced(desde, comilla + (doble ? 1 : 0) - desde));
        if (!doble)
            return comilla;
        desde = comilla + 2;
    }
}

}  // namespace LiteralSql
