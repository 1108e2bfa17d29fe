#pragma once

#include <QVariant>

// The binary interface between a host and an in-process component: the four entry points
// with C linkage, a class factory and reference-counted objects. Identifiers are the
// registered ones; results are HRESULT-style codes (0 success, negative failure).

using HRESULT_KES = long;

constexpr HRESULT_KES S_OK_KES = 0;
constexpr HRESULT_KES S_FALSE_KES = 1;
constexpr HRESULT_KES E_FAIL_KES = static_cast<HRESULT_KES>(0x80004005L - 0x100000000L);
constexpr HRESULT_KES E_NOINTERFACE_KES = static_cast<HRESULT_KES>(0x80004002L - 0x100000000L);
constexpr HRESULT_KES CLASS_E_CLASSNOTAVAILABLE_KES = static_cast<HRESULT_KES>(0x80040111L - 0x100000000L);
constexpr HRESULT_KES SELFREG_E_CLASS_KES = static_cast<HRESULT_KES>(0x80040201L - 0x100000000L);
// ActiveX component can't create object (the services could not be created).
constexpr HRESULT_KES CTL_E_CANTCREATEOBJECT_KES = static_cast<HRESULT_KES>(0x800A01ADL - 0x100000000L);

inline constexpr const char* kClsidPantalla = "{73784A3E-C401-4B06-953E-CF3E175B8A31}";
inline constexpr const char* kLibidTQ614 = "{8CDB8375-F35B-4B84-B438-386B4A9A8C87}";
inline constexpr const char* kProgIdPantalla = "TQ614.Pantalla";
inline constexpr const char* kIidClassFactory = "IClassFactory";
inline constexpr const char* kIidPantalla = "_Pantalla";
inline constexpr const char* kVersionTQ614 = "6.00.0048";

class IUnknownKes
{
public:
    virtual unsigned long AddRef() = 0;
    virtual unsigned long Release() = 0;

protected:
    ~IUnknownKes() = default;
};

class IClassFactoryKes : public IUnknownKes
{
public:
    virtual HRESULT_KES CreateInstance(const char* iid, void** objeto) = 0;
    virtual HRESULT_KES LockServer(bool bloquear) = 0;

protected:
    ~IClassFactoryKes() = default;
};

// Default interface of class Pantalla.
class IPantallaKes : public IUnknownKes
{
public:
    // The catalogue screen, a QObject* in the variant.
    virtual QVariant GetPantalla() = 0;

protected:
    ~IPantallaKes() = default;
};

using DllGetClassObjectFn = HRESULT_KES (*)(const char* clsid, const char* iid, void** objeto);
using DllCanUnloadNowFn = HRESULT_KES (*)();
using DllRegisterServerFn = HRESULT_KES (*)();
using DllUnregisterServerFn = HRESULT_KES (*)();
