#include "InstantaneaWal.h"

#include <atomic>
#include <cstring>
#include <sqlite3.h>

namespace {

constexpr int kPaginaIndiceWal = 32768;  // WALINDEX_PGSZ

}  // namespace

const volatile unsigned char* InstantaneaWal::encabezado() const
{
    sqlite3_file* archivo = nullptr;
    if (sqlite3_file_control(m_db, "main", SQLITE_FCNTL_FILE_POINTER, &archivo) != SQLITE_OK || !archivo
        || !archivo->pMethods || archivo->pMethods->iVersion < 2 || !archivo->pMethods->xShmMap)
        return nullptr;
    void volatile* region = nullptr;
    // Without extending: an existing mapping is returned as it is, no system call.
    if (archivo->pMethods->xShmMap(archivo, 0, kPaginaIndiceWal, 0, &region) != SQLITE_OK)
        return nullptr;
    return static_cast<const volatile unsigned char*>(region);
}

bool InstantaneaWal::Capturar()
{
    const volatile unsigned char* actual = m_activa ? encabezado() : nullptr;
    m_region = actual;
    if (!actual)
        return false;
    std::atomic_thread_fence(std::memory_order_acquire);
    std::memcpy(m_copia.data(), const_cast<const unsigned char*>(actual), m_copia.size());
    return true;
}

bool InstantaneaWal::Cambio() const
{
    const volatile unsigned char* actual = m_region;
    if (!actual)
        return true;
    std::atomic_thread_fence(std::memory_order_acquire);
    return std::memcmp(m_copia.data(), const_cast<const unsigned char*>(actual), m_copia.size()) != 0;
}
