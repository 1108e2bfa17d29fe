#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

class VentanaForma;

// What the three forms of the component have in common, in the manner of the forms runtime
// they were designed for: the form object lives on while its window comes and goes (Load
// builds the window and its controls, Unload discards them); a modal show waits until the
// window is hidden; closing through the window system asks the form first (query-unload with
// its unload mode); with key preview the form sees every key before its controls do.
// Padre and Transaccion are properties, so that a child form reads its parent's Transaccion
// by name, whatever kind of object the parent is.
class FormaBase : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QObject* Padre READ Padre WRITE setPadre)
    Q_PROPERTY(QString Transaccion READ Transaccion)

public:
    enum ModoDescarga { vbFormControlMenu = 0, vbFormCode = 1, vbAppWindows = 2, vbAppTaskManager = 3 };
    enum EstiloMostrar { vbModeless = 0, vbModal = 1 };

    ~FormaBase() override;

    QObject* Padre() const;
    void setPadre(QObject* valor);
    // The parent's Transaccion, read by name and passed through ObtenerTransaccion. Throws
    // when Padre is not set or has no such property.
    QString Transaccion() const;

    bool Cargado() const { return m_ventana != nullptr; }
    Q_INVOKABLE void Load();
    // Asks the form (query-unload, mode vbFormCode) and, unless it refuses, discards the
    // window and every control; the form object and its members live on.
    Q_INVOKABLE void Unload();
    // Loads the form if needed and shows it. Modal: returns once the window is hidden
    // (or unloaded); `propietario` owns the window meanwhile.
    Q_INVOKABLE void Show(int estilo = vbModeless, QWidget* propietario = nullptr);
    Q_INVOKABLE void Hide();

    // The window, loading the form on first reference as the forms runtime does.
    Q_INVOKABLE QWidget* Ventana();
    // The window handle handed to Mensaje; 0 while the form is not loaded.
    qintptr hWnd() const;

    // Inner size of the window in twips.
    double ScaleWidth() const;
    double ScaleHeight() const;

    // A form handed to a host stays in use until the host unloads it; so does every window
    // of a form until it is gone. The component may be unloaded only when none is in use.
    void Entregar();
    static long FormasEnUso();

protected:
    explicit FormaBase(const QString& nombre);

    // Creates the controls of the form on `ventana`, each named by its objectName.
    virtual void ConstruirVentana(QWidget* ventana) = 0;
    virtual void Form_Load() {}
    virtual void Form_Activate() {}
    virtual void Form_Resize() {}
    virtual void Form_QueryUnload(bool& cancel, int modoDescarga);
    virtual void Form_Unload() {}
    // Called for every key pressed anywhere in the window while KeyPreview is on.
    virtual void Form_KeyDown(int& codigoTecla, int mayusculas);

    void setKeyPreview(bool activo) { m_keyPreview = activo; }

private:
    friend class VentanaForma;
    void cerrarPorElSistema(bool& cancelar);
    void descartarVentana();

    void devolver();

    QPointer<QObject> m_padre;
    VentanaForma* m_ventana = nullptr;
    bool m_keyPreview = false;
    bool m_entregada = false;
};

// The shared default instance of a form, created on first reference.
template <class F>
class FormaPredeterminada : public FormaBase
{
public:
    static F& Instancia()
    {
        if (!s_instancia)
            s_instancia = new F;
        return *s_instancia;
    }
    static bool Existe() { return s_instancia != nullptr; }
    // Ends the instance with its window (the component is being unloaded, or a test starts
    // afresh).
    static void Destruir()
    {
        delete s_instancia;
        s_instancia = nullptr;
    }

protected:
    using FormaBase::FormaBase;

private:
    static inline F* s_instancia = nullptr;
};
