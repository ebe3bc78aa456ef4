#pragma once
// Self-registration of the server from its description: the type library with its
// interfaces, and per class the class record and ProgID. Unregistering removes only the
// records that name this copy of the library.
#include <windows.h>

#include "Server.h"

namespace quorvel::com {

// DllRegisterServer: a class that cannot be written undoes the whole registration
// (SELFREG_E_CLASS).
HRESULT RegisterServer(const LibraryDescription& library) noexcept;
// DllUnregisterServer: unregistering what is not registered is no failure.
HRESULT UnregisterServer(const LibraryDescription& library) noexcept;

}  // namespace quorvel::com
