#include "ProxyRetardo.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <unistd.h>

using namespace std::chrono_literals;
using Reloj = std::chrono::steady_clock;

ProxyRetardo::ProxyRetardo(const std::string& servidor, int puerto, double retardoMs, int escucharEn)
    : m_retardoUs(static_cast<long long>(retardoMs * 1000))
{
    addrinfo* destino = nullptr;  // the first address of any socket type: only the address is used
    if (getaddrinfo(servidor.c_str(), std::to_string(puerto).c_str(), nullptr, &destino) != 0)
        throw std::runtime_error("ProxyRetardo: no se encontró el servidor " + servidor);
    m_destino.reset(destino);

    sockaddr_in local{AF_INET, htons(static_cast<uint16_t>(escucharEn)), {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t largo = sizeof local;
    m_escucha = socket(AF_INET, SOCK_STREAM, 0);
    const int uno = 1;
    if (m_escucha < 0 || setsockopt(m_escucha, SOL_SOCKET, SO_REUSEADDR, &uno, sizeof uno) != 0
        || bind(m_escucha, reinterpret_cast<sockaddr*>(&local), largo) != 0 || listen(m_escucha, 16) != 0
        || getsockname(m_escucha, reinterpret_cast<sockaddr*>(&local), &largo) != 0) {
        const std::string error = std::strerror(errno);
        close(m_escucha);
        throw std::runtime_error("ProxyRetardo: no se pudo escuchar: " + error);
    }
    m_puerto = ntohs(local.sin_port);
    m_fin = eventfd(0, 0);
    // Each client accepted is relayed to a connection of its own to the server, until the proxy ends.
    m_aceptador = std::thread([this] {
        for (pollfd esperas[]{{m_escucha, POLLIN, 0}, {m_fin, POLLIN, 0}}; !esperas[1].revents;) {
            if (poll(esperas, 2, -1) <= 0 || !esperas[0].revents)
                continue;
            const int cliente = accept(m_escucha, nullptr, nullptr);
            const int servidor = socket(m_destino->ai_family, SOCK_STREAM, 0);
            if (cliente < 0 || servidor < 0 || connect(servidor, m_destino->ai_addr, m_destino->ai_addrlen) != 0) {
                close(cliente);
                close(servidor);
                continue;
            }
            const int uno = 1;
            for (int fd : {cliente, servidor}) {
                setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &uno, sizeof uno);
                m_sockets.push_back(fd);
            }
            std::atomic<bool>& servidorHablo = m_servidorHablo.emplace_back(true);
            m_hilos.emplace_back([=, this, &servidorHablo] { relevar(cliente, servidor, servidorHablo, true); });
            m_hilos.emplace_back([=, this, &servidorHablo] { relevar(servidor, cliente, servidorHablo, false); });
        }
    });
}

ProxyRetardo::~ProxyRetardo()
{
    eventfd_write(m_fin, 1);
    m_aceptador.join();
    for (int fd : m_sockets)
        shutdown(fd, SHUT_RDWR);  // also ends a send that waits for room
    for (std::thread& hilo : m_hilos)
        hilo.join();
    for (int fd : m_sockets)
        close(fd);
    close(m_escucha);
    close(m_fin);
}

// One direction of a connection: each chunk is sent one delay after it arrived, reading goes on meanwhile.
// An empty chunk stands for the end of the stream: when it is due, or a send fails, both ways end.
void ProxyRetardo::relevar(int desde, int hacia, std::atomic<bool>& servidorHablo, bool subida)
{
    std::deque<std::pair<Reloj::time_point, std::vector<char>>> cola;
    std::vector<char> bufer(64 * 1024);
    for (bool abierto = true;;) {
        pollfd esperas[]{{abierto ? desde : -1, POLLIN, 0}, {m_fin, POLLIN, 0}};
        const auto resta = std::max<Reloj::duration>(cola.empty() ? 0s : cola.front().first - Reloj::now(), 0s);
        const timespec plazo{resta / 1s, (resta % 1s).count()};
        ppoll(esperas, 2, cola.empty() ? nullptr : &plazo, nullptr);
        if (esperas[1].revents)
            return;
        if (esperas[0].revents) {
            const ssize_t n = recv(desde, bufer.data(), bufer.size(), 0);
            Corte armado = subida ? Corte::Peticion : Corte::Respuesta;
            if (n > 0 && m_corte.compare_exchange_strong(armado, Corte::Ninguno)) {
                shutdown(desde, SHUT_RDWR);
                shutdown(hacia, SHUT_RDWR);
                return;
            }
            if (n > 0 && subida && servidorHablo.exchange(false))
                ++m_idasYVueltas;
            else if (n > 0 && !subida)
                servidorHablo = true;
            abierto = n > 0 || (n < 0 && errno == EINTR);
            if (n > 0 || !abierto)
                cola.emplace_back(Reloj::now() + std::chrono::microseconds(m_retardoUs.load()),
                                  std::vector<char>(bufer.data(), bufer.data() + std::max<ssize_t>(n, 0)));
        }
        for (; !cola.empty() && cola.front().first <= Reloj::now(); cola.pop_front()) {
            const std::vector<char>& bytes = cola.front().second;
            bool sigue = !bytes.empty();
            for (size_t enviados = 0; sigue && enviados < bytes.size();) {
                const ssize_t n = send(hacia, bytes.data() + enviados, bytes.size() - enviados, MSG_NOSIGNAL);
                sigue = n > 0 || errno == EINTR;
                enviados += std::max<ssize_t>(n, 0);
            }
            if (!sigue) {
                shutdown(desde, SHUT_RDWR);
                shutdown(hacia, SHUT_RDWR);
                return;
            }
        }
    }
}
