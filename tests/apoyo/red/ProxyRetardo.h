#pragma once

#include <atomic>
#include <deque>
#include <memory>
#include <netdb.h>
#include <string>
#include <thread>
#include <vector>

// A TCP proxy on loopback that stands for a network: every chunk it relays is held for a fixed time
// in each direction, in order. On threads of its own, because libpq blocks the test's thread.
// A round trip is counted each time the client sends after the server has spoken since its last
// send (its first send too): the times the client waited, however TCP cuts the bytes into chunks.
class ProxyRetardo
{
public:
    // Listens on a free port of 127.0.0.1 (or on `escucharEn`: a server that comes back where it was) and relays
    // to servidor:puerto; throws std::runtime_error if it cannot.
    ProxyRetardo(const std::string& servidor, int puerto, double retardoMs, int escucharEn = 0);
    ~ProxyRetardo();
    ProxyRetardo(const ProxyRetardo&) = delete;
    ProxyRetardo& operator=(const ProxyRetardo&) = delete;

    int Puerto() const { return m_puerto; }
    // The one-way delay; a round trip costs twice as much. Applies to chunks read from now on.
    void EstablecerRetardo(double retardoMs) { m_retardoUs = static_cast<long long>(retardoMs * 1000); }
    int IdasYVueltas() const { return m_idasYVueltas; }

    // A link that drops: the next chunk in one direction is thrown away and its connection cut (both
    // sockets shut). A request cut never reaches the server; an answer cut leaves the server's work done
    // and the client not told.
    enum class Corte { Ninguno, Peticion, Respuesta };
    void CortarSiguiente(Corte corte) { m_corte = corte; }

private:
    void relevar(int desde, int hacia, std::atomic<bool>& servidorHablo, bool subida);

    std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> m_destino{nullptr, &freeaddrinfo};
    int m_escucha = -1;
    int m_puerto = 0;
    int m_fin = -1;  // an eventfd: once written, every thread of the proxy ends
    std::atomic<long long> m_retardoUs;
    std::atomic<int> m_idasYVueltas{0};
    std::atomic<Corte> m_corte{Corte::Ninguno};
    // Only the accepting thread adds to these: two sockets, a flag and two threads per connection.
    std::vector<int> m_sockets;
    std::deque<std::atomic<bool>> m_servidorHablo;
    std::vector<std::thread> m_hilos;
    std::thread m_aceptador;
};
