#include "ProxyRetardo.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <deque>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

using Reloj = std::chrono::steady_clock;

constexpr int kConexionesMaximas = 64;
constexpr size_t kTrozo = 64 * 1024;
constexpr std::chrono::microseconds kEsperaMaxima{50000};  // the stop flag is looked at this often

[[noreturn]] void fallar(const std::string& que)
{
    throw std::runtime_error("ProxyRetardo: " + que + ": " + std::strerror(errno));
}

void noBloqueante(int fd)
{
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    const int uno = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &uno, sizeof uno);
}

// A chunk on its way, due at `entrega`; an empty one stands for the sender's end of stream.
struct Trozo
{
    Reloj::time_point entrega;
    std::vector<char> bytes;
    size_t enviados = 0;
};

// One direction of a relayed connection: what was read from `desde` and waits for `hacia`.
struct Sentido
{
    int desde = -1;
    int hacia = -1;
    std::deque<Trozo> cola;
    bool cerrado = false;  // `desde` ended its stream
};

} // namespace

struct ProxyRetardo::Estado
{
    struct Par
    {
        Sentido subida;   // client -> server
        Sentido bajada;   // server -> client
        bool servidorHablo = true;
        bool terminado = false;
    };

    int escucha = -1;
    sockaddr_storage destino{};
    socklen_t largoDestino = 0;
    std::vector<std::unique_ptr<Par>> pares;

    ~Estado()
    {
        for (auto& par : pares) {
            close(par->subida.desde);
            close(par->subida.hacia);
        }
        if (escucha >= 0)
            close(escucha);
    }
};

ProxyRetardo::ProxyRetardo(const std::string& servidor, int puerto, double retardoMs)
    : m_retardoUs(static_cast<long long>(retardoMs * 1000))
    , m_estado(std::make_unique<Estado>())
{
    addrinfo pista{};
    pista.ai_socktype = SOCK_STREAM;
    addrinfo* direcciones = nullptr;
    const std::string servicio = std::to_string(puerto);
    if (getaddrinfo(servidor.c_str(), servicio.c_str(), &pista, &direcciones) != 0 || !direcciones)
        throw std::runtime_error("ProxyRetardo: no se encontró el servidor " + servidor);
    std::memcpy(&m_estado->destino, direcciones->ai_addr, direcciones->ai_addrlen);
    m_estado->largoDestino = direcciones->ai_addrlen;
    freeaddrinfo(direcciones);

    m_estado->escucha = socket(AF_INET, SOCK_STREAM, 0);
    if (m_estado->escucha < 0)
        fallar("socket");
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t largo = sizeof local;
    if (bind(m_estado->escucha, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0
        || listen(m_estado->escucha, 16) != 0
        || getsockname(m_estado->escucha, reinterpret_cast<sockaddr*>(&local), &largo) != 0)
        fallar("escuchar");
    noBloqueante(m_estado->escucha);
    m_puerto = ntohs(local.sin_port);
    m_hilo = std::thread([this] { trabajar(); });
}

ProxyRetardo::~ProxyRetardo()
{
    m_parar = true;
    m_hilo.join();
}

void ProxyRetardo::trabajar()
{
    Estado& e = *m_estado;
    std::vector<char> bufer(kTrozo);
    std::vector<pollfd> vigilados;
    while (!m_parar) {
        // What to wait for: new clients, bytes from either side, room for what is due.
        const Reloj::time_point ahora = Reloj::now();
        std::chrono::microseconds espera = kEsperaMaxima;
        vigilados.assign(1, pollfd{e.escucha, POLLIN, 0});
        for (auto& par : e.pares) {
            for (Sentido* s : {&par->subida, &par->bajada}) {
                if (!s->cerrado)
                    vigilados.push_back({s->desde, POLLIN, 0});
                if (s->cola.empty())
                    continue;
                const auto falta = std::chrono::ceil<std::chrono::microseconds>(s->cola.front().entrega - ahora);
                if (falta.count() <= 0)
                    vigilados.push_back({s->hacia, POLLOUT, 0});  // due: wait for room to write it
                else
                    espera = std::min(espera, falta);
            }
        }
        const timespec plazo{time_t(espera.count() / 1000000), long(espera.count() % 1000000) * 1000};
        ppoll(vigilados.data(), nfds_t(vigilados.size()), &plazo, nullptr);

        if ((vigilados[0].revents & POLLIN) && int(e.pares.size()) < kConexionesMaximas) {
            const int cliente = accept(e.escucha, nullptr, nullptr);
            if (cliente >= 0) {
                const int servidor = socket(e.destino.ss_family, SOCK_STREAM, 0);
                if (servidor >= 0 && connect(servidor, reinterpret_cast<sockaddr*>(&e.destino), e.largoDestino) == 0) {
                    noBloqueante(cliente);
                    noBloqueante(servidor);
                    auto par = std::make_unique<Estado::Par>();
                    par->subida.desde = par->bajada.hacia = cliente;
                    par->subida.hacia = par->bajada.desde = servidor;
                    e.pares.push_back(std::move(par));
                } else {
                    close(cliente);
                    if (servidor >= 0)
                        close(servidor);
                }
            }
        }

        // Read what arrived, each chunk due one delay from now.
        const Reloj::time_point leido = Reloj::now();
        const auto retardo = std::chrono::microseconds(m_retardoUs.load());
        for (auto& par : e.pares) {
            for (Sentido* s : {&par->subida, &par->bajada}) {
                if (s->cerrado)
                    continue;
                const ssize_t n = recv(s->desde, bufer.data(), bufer.size(), 0);
                if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
                    continue;
                if (n <= 0) {
                    s->cerrado = true;
                    s->cola.push_back({leido + retardo, {}, 0});
                    continue;
                }
                if (s == &par->subida && par->servidorHablo) {
                    ++m_idasYVueltas;
                    par->servidorHablo = false;
                } else if (s == &par->bajada) {
                    par->servidorHablo = true;
                }
                s->cola.push_back({leido + retardo, std::vector<char>(bufer.data(), bufer.data() + n), 0});
            }
        }

        // Deliver what is due, in order, as far as the receiver takes it.
        const Reloj::time_point entrega = Reloj::now();
        for (auto& par : e.pares) {
            for (Sentido* s : {&par->subida, &par->bajada}) {
                while (!s->cola.empty() && s->cola.front().entrega <= entrega) {
                    Trozo& t = s->cola.front();
                    if (t.bytes.empty()) {  // the sender's end reached the other side
                        par->terminado = true;
                        break;
                    }
                    const ssize_t n = send(s->hacia, t.bytes.data() + t.enviados, t.bytes.size() - t.enviados,
                                           MSG_NOSIGNAL);
                    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
                        break;
                    if (n < 0) {
                        par->terminado = true;
                        break;
                    }
                    t.enviados += size_t(n);
                    if (t.enviados < t.bytes.size())
                        break;
                    s->cola.pop_front();
                }
            }
        }
        for (auto it = e.pares.begin(); it != e.pares.end();) {
            if (!(*it)->terminado) {
                ++it;
                continue;
            }
            close((*it)->subida.desde);
            close((*it)->subida.hacia);
            it = e.pares.erase(it);
        }
    }
}
