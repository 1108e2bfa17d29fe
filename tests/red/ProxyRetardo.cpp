#include "ProxyRetardo.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <netdb.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <unistd.h>

namespace {

using Reloj = std::chrono::steady_clock;

// One direction of a relayed connection: what was read from `desde`, each chunk due one delay
// after it arrived, waiting for `hacia`. An empty chunk stands for the end of the stream.
struct Sentido
{
    int desde, hacia;
    std::mutex mutex;
    std::condition_variable cambio;
    std::deque<std::pair<Reloj::time_point, std::vector<char>>> cola;
};

}  // namespace

// A client's connection and the proxy's own to the server. Each direction has a thread that
// reads and one that delivers, so that a chunk read during another's delay keeps its own time.
struct ProxyRetardo::Par
{
    Par(int cliente, int servidor)
        : subida{cliente, servidor}
        , bajada{servidor, cliente}
    {}
    Sentido subida, bajada;  // client -> server, server -> client
    std::atomic<bool> servidorHablo{true};
    std::vector<std::thread> hilos;
};

ProxyRetardo::ProxyRetardo(const std::string& servidor, int puerto, double retardoMs)
    : m_retardoUs(static_cast<long long>(retardoMs * 1000))
{
    addrinfo pista{};
    pista.ai_socktype = SOCK_STREAM;
    addrinfo* direcciones = nullptr;
    if (getaddrinfo(servidor.c_str(), std::to_string(puerto).c_str(), &pista, &direcciones) != 0 || !direcciones)
        throw std::runtime_error("ProxyRetardo: no se encontró el servidor " + servidor);
    std::memcpy(&m_destino, direcciones->ai_addr, direcciones->ai_addrlen);
    m_largoDestino = direcciones->ai_addrlen;
    freeaddrinfo(direcciones);

    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t largo = sizeof local;
    m_escucha = socket(AF_INET, SOCK_STREAM, 0);
    if (m_escucha < 0 || bind(m_escucha, reinterpret_cast<sockaddr*>(&local), largo) != 0 || listen(m_escucha, 16) != 0
        || getsockname(m_escucha, reinterpret_cast<sockaddr*>(&local), &largo) != 0) {
        const std::string error = std::strerror(errno);
        close(m_escucha);
        throw std::runtime_error("ProxyRetardo: no se pudo escuchar: " + error);
    }
    m_puerto = ntohs(local.sin_port);
    m_aceptador = std::thread([this] { aceptar(); });
}

ProxyRetardo::~ProxyRetardo()
{
    m_parar = true;
    m_aceptador.join();
    close(m_escucha);
    for (auto& par : m_pares) {
        for (Sentido* s : {&par->subida, &par->bajada}) {
            shutdown(s->desde, SHUT_RDWR);  // ends its reads and its writes
            std::lock_guard candado(s->mutex);
            s->cambio.notify_all();
        }
    }
    for (auto& par : m_pares) {
        for (std::thread& hilo : par->hilos)
            hilo.join();
        close(par->subida.desde);
        close(par->subida.hacia);
    }
}

void ProxyRetardo::aceptar()
{
    for (pollfd escucha{m_escucha, POLLIN, 0}; !m_parar;) {
        if (poll(&escucha, 1, 50) <= 0)  // the stop flag is looked at this often
            continue;
        const int cliente = accept(m_escucha, nullptr, nullptr);
        const int servidor = socket(m_destino.ss_family, SOCK_STREAM, 0);
        if (cliente < 0 || servidor < 0
            || connect(servidor, reinterpret_cast<sockaddr*>(&m_destino), m_largoDestino) != 0) {
            close(cliente);
            close(servidor);
            continue;
        }
        const int uno = 1;
        for (int fd : {cliente, servidor})
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &uno, sizeof uno);
        Par& par = *m_pares.emplace_back(std::make_unique<Par>(cliente, servidor));
        for (bool subida : {true, false}) {
            par.hilos.emplace_back([this, &par, subida] { leer(par, subida); });
            par.hilos.emplace_back([this, &par, subida] { entregar(par, subida); });
        }
    }
}

void ProxyRetardo::leer(Par& par, bool subida)
{
    Sentido& s = subida ? par.subida : par.bajada;
    std::vector<char> bufer(64 * 1024);
    for (ssize_t n = 1; n > 0;) {
        while ((n = recv(s.desde, bufer.data(), bufer.size(), 0)) < 0 && errno == EINTR) {
        }
        if (n > 0 && subida && par.servidorHablo.exchange(false))
            ++m_idasYVueltas;
        else if (n > 0 && !subida)
            par.servidorHablo = true;
        std::lock_guard candado(s.mutex);
        s.cola.emplace_back(Reloj::now() + std::chrono::microseconds(m_retardoUs.load()),
                            std::vector<char>(bufer.data(), bufer.data() + std::max<ssize_t>(n, 0)));
        s.cambio.notify_one();
    }
}

void ProxyRetardo::entregar(Par& par, bool subida)
{
    Sentido& s = subida ? par.subida : par.bajada;
    std::unique_lock candado(s.mutex);
    for (;;) {
        s.cambio.wait(candado, [&] { return m_parar || !s.cola.empty(); });
        if (m_parar || s.cambio.wait_until(candado, s.cola.front().first, [&] { return m_parar.load(); }))
            return;
        const std::vector<char> bytes = std::move(s.cola.front().second);
        s.cola.pop_front();
        candado.unlock();
        bool sigue = !bytes.empty();
        for (size_t enviados = 0; sigue && enviados < bytes.size();) {
            const ssize_t n = send(s.hacia, bytes.data() + enviados, bytes.size() - enviados, MSG_NOSIGNAL);
            sigue = n > 0 || errno == EINTR;
            enviados += size_t(std::max<ssize_t>(n, 0));
        }
        if (!sigue) {  // one side ended or failed: so does the connection, both ways
            shutdown(par.subida.desde, SHUT_RDWR);
            shutdown(par.subida.hacia, SHUT_RDWR);
            return;
        }
        candado.lock();
    }
}
