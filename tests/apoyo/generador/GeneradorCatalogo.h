#pragma once

#include <QString>
#include <vector>

class Connection;

// A catalogue of account groups of any size, the same one every time for the same size, for
// measuring the screen against large tables. Its shape is that of a real chart: at the top a
// few headings with letter keys (ACT, PAS, CAP, RES, each with one sub-heading) beside groups
// of the chart with numeric keys; below them groups with six-digit keys, about ten children
// each, at most five levels deep, whose codes are their parent's code plus "." and their
// place. So every picture of the tree occurs: headings and top-level groups (3), groups under
// a heading (2) and groups under a group (4).
//
// Keys are numbered level by level, so one parent's children have consecutive keys and the
// database returns them in the order they were made.
class GeneradorCatalogo
{
public:
    struct Grupo
    {
        QString clave;
        QString descripcion;
        QString codigo;
        QString padre;
        int nivel = 0;
    };

    static constexpr int kProfundidadMaxima = 5;

    explicit GeneradorCatalogo(int grupos);

    const std::vector<Grupo>& Grupos() const { return m_grupos; }

    // Inserts every group with bound values in one transaction on `conexion` (rolled back
    // if any insert fails). The table must exist and hold none of these keys.
    void Escribir(Connection& conexion) const;

private:
    struct Pendiente;

    void AgregarRaices(std::vector<Pendiente>& cola);
    void AgregarHijos(const Pendiente& padre, std::vector<Pendiente>& cola);
    Pendiente Agregar(Grupo grupo, int profundidad, bool esTitulo);
    QString SiguienteClaveNumerica();
    int Azar(int menor, int mayor);

    int m_objetivo;
    std::vector<Grupo> m_grupos;
    int m_siguienteNumero = 1;
    int m_siguienteCodigoRaiz = 1;
    quint64 m_semilla = 614;
};
