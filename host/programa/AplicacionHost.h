#pragma once

#include <QApplication>

// The host's application object: Qt's own dialogs speak Spanish, and an error that escapes an
// event handler of the component is reported to the user, never a crash.
class AplicacionHost : public QApplication
{
public:
    AplicacionHost(int& argc, char** argv);

    bool notify(QObject* receptor, QEvent* evento) override;

private:
    void reportar(const QString& descripcion);
};
