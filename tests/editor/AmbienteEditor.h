#pragma once

// What the editor's tests share: a fresh real database with the component's services on it,
// the editor opened as the catalogue's New and Edit open it, and the dialog driven modally
// from a timer with a watchdog, so that a broken test fails instead of hanging.

#include "BaseDePrueba.h"
#include "FormaBase.h"
#include "Publico.h"
#include "frmCATAddCuCo.h"
#include "txtKES.h"

#include <QApplication>
#include <QJsonArray>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <functional>
#include <memory>

class AmbienteEditor
{
public:
    explicit AmbienteEditor(BaseDePrueba::Motor motor = BaseDePrueba::Motor::SQLite)
        : base(motor)
    {
        // The component's start-up routine, with the services the process carries.
        Publico::Main();
        txtKES::EstablecerConexion(base.Conexion());
        Publico::sFormatoClave = QStringLiteral("000000");
        Publico::sSQL.clear();
    }

    ~AmbienteEditor()
    {
        if (frmCATAddCuCo::Existe())
            frmCATAddCuCo::Instancia().Unload();
        txtKES::EstablecerConexion(nullptr);
    }

    frmCATAddCuCo& editor() { return frmCATAddCuCo::Instancia(); }

    // As the New command: load, the parent key, the automatic key.
    frmCATAddCuCo& AbrirNuevo(const QString& padre)
    {
        frmCATAddCuCo& e = editor();
        e.Load();
        e.txtPadre()->setText(padre);
        e.ClaveAutomatica();
        return e;
    }

    // As the Edit command: load, the stored row into the boxes (the level after the code),
    // the key box locked, enabled and out of the tab order.
    frmCATAddCuCo& AbrirEdicion(const QString& clave)
    {
        frmCATAddCuCo& e = editor();
        e.Load();
        const QString where = QStringLiteral(" FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = ?");
        e.txtClave()->setText(clave);
        e.txtPadre()->setText(base.Valor(QStringLiteral("SELECT Gcc_Padre") + where, {clave}).toString());
        e.txtDescripcion()->setText(base.Valor(QStringLiteral("SELECT Gcc_Descripcion") + where, {clave}).toString());
        e.txtCodigo()->setText(base.Valor(QStringLiteral("SELECT Gcc_Codigo") + where, {clave}).toString());
        e.txtNivel()->setText(base.Valor(QStringLiteral("SELECT Gcc_Nivel") + where, {clave}).toString());
        e.txtClave()->setEnabled(true);
        e.txtClave()->setLocked(true);
        e.txtClave()->setTabStop(false);
        return e;
    }

    // Shows the editor modally and runs `pasos` inside its modal loop once the window is
    // active. Returns whether the dialog was still shown after the steps (it is then hidden
    // by the test, so the modal show returns).
    bool Conducir(const std::function<void(frmCATAddCuCo&)>& pasos)
    {
        frmCATAddCuCo& e = editor();
        bool seguiaAbierto = false;
        bool corrio = false;
        QTimer::singleShot(0, [&] {
            QWidget* ventana = e.Ventana();
            if (!QTest::qWaitForWindowActive(ventana))
                qWarning("the editor never became the active window");
            pasos(e);
            corrio = true;
            if (e.Cargado() && e.Ventana()->isVisible()) {
                seguiaAbierto = true;
                e.Hide();
            }
        });
        QTimer perro;
        perro.setSingleShot(true);
        QObject::connect(&perro, &QTimer::timeout, [&] {
            qWarning("watchdog: the editor was still shown; hiding it");
            e.Hide();
        });
        perro.start(15000);
        e.Show(FormaBase::vbModal, nullptr);
        perro.stop();
        if (!corrio)
            qWarning("the steps did not run inside the modal show");
        return seguiaAbierto;
    }

    // Types into a box as a user does: the box takes the focus (the one it leaves ends its
    // edit), its text is selected and replaced by the keys.
    static void Escribir(QLineEdit* caja, const QString& texto)
    {
        caja->setFocus(Qt::MouseFocusReason);
        caja->selectAll();
        if (texto.isEmpty())
            QTest::keyClick(caja, Qt::Key_Backspace);
        else
            QTest::keyClicks(caja, texto);
    }

    // Clicks a button of the editor's toolbar: "B1" (Aceptar) or "B2" (Cancelar).
    static void Pulsar(frmCATAddCuCo& e, const char* boton)
    {
        QToolButton* b = e.Controles1()->Boton(QLatin1String(boton));
        QVERIFY(b);
        QVERIFY(b->isVisible());
        QTest::mouseClick(b, Qt::LeftButton);
    }

    qlonglong Grupos() { return base.ContarFilas(QStringLiteral("Grupo_Cuenta_Contable")); }

    QVariant Columna(const QString& clave, const QString& columna)
    {
        return base.Valor(QStringLiteral("SELECT %1 FROM Grupo_Cuenta_Contable WHERE Gcc_Cve_Grupo_Cuenta_Contable = ?")
                              .arg(columna),
                          {clave});
    }

    // The statements the component ran on its connection that change data (the text box's
    // own lookups and the checks' reads are left out).
    QStringList Escrituras() const
    {
        QStringList escrituras;
        for (const QString& sql : base.Sentencias())
            if (!sql.startsWith(QLatin1String("SELECT"), Qt::CaseInsensitive))
                escrituras << sql;
        return escrituras;
    }

    // The results of one traced service call, oldest first.
    QStringList Resultados(const QString& llamada) const
    {
        QStringList resultados;
        for (const QJsonObject& linea : base.TrazaDe(llamada))
            resultados << linea.value(QStringLiteral("resultado")).toVariant().toString();
        return resultados;
    }

    BaseDePrueba base;
};

// The one recorded message, compared field by field.
#define COMPROBAR_MENSAJE(ambiente, eTexto, eEstilo, eTitulo, eId)                                   \
    do {                                                                                             \
        const auto mensajes_ = (ambiente).base.Mensajes();                                           \
        QCOMPARE(mensajes_.size(), 1);                                                               \
        QCOMPARE(mensajes_.first().texto, QString(eTexto));                                          \
        QCOMPARE(mensajes_.first().estilo, long(eEstilo));                                           \
        QCOMPARE(mensajes_.first().titulo, QString(eTitulo));                                        \
        QCOMPARE(mensajes_.first().proyecto, QStringLiteral("TQ614"));                               \
        QCOMPARE(mensajes_.first().idError, QString(eId));                                           \
        QCOMPARE(mensajes_.first().ventana, (ambiente).editor().hWnd());                             \
    } while (false)
