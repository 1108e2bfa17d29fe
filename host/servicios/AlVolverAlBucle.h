#pragma once

#include <functional>
#include <memory>

class QObject;

// Runs an action once control returns to the event loop, however often it was asked for in
// between: what a connection keeps for a run of statements (a read transaction, rows fetched
// ahead) must end when the user can act again, so that the next action sees what others
// committed meanwhile.
class AlVolverAlBucle
{
public:
    explicit AlVolverAlBucle(std::function<void()> accion);
    ~AlVolverAlBucle();
    AlVolverAlBucle(const AlVolverAlBucle&) = delete;
    AlVolverAlBucle& operator=(const AlVolverAlBucle&) = delete;

    // False where no event loop of this thread can run the action (no application object, no
    // event dispatcher, or a thread other than the one that made this object): the caller
    // must then not keep anything that only the event loop would end.
    bool Programar();

private:
    std::function<void()> m_accion;
    std::unique_ptr<QObject> m_contexto;  // owns the pending call; deleting it cancels the call
    bool m_programado = false;
};
