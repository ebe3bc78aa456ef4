#pragma once
// The in-process COM server one library is: its instance, its lifetime count (live objects
// plus LockServer locks) and the table-driven class factory. The description of the library
// here also drives its registration (ServerRegistration.h).
#include <windows.h>
#include <unknwn.h>

#include <span>

namespace quorvel::com {

// Creates a new object of one class and asks it for `iid`.
using CreateFunction = HRESULT (*)(REFIID iid, void** object);

// One row per class the library serves.
struct ClassEntry {
  const CLSID* clsid = nullptr;
  CreateFunction create = nullptr;
  const wchar_t* name = nullptr;       // the class key's default value
  const wchar_t* progId = nullptr;     // nullptr: none
  const wchar_t* threading = nullptr;  // ThreadingModel of InprocServer32
  bool control = false;                // writes the "Control" key
  DWORD miscStatus = 0;                // MiscStatus\1 for DVASPECT_CONTENT; 0: no MiscStatus key
  int toolboxBitmap = 0;               // bitmap resource id for ToolboxBitmap32; 0: none
};

struct LibraryDescription {
  const GUID* libid = nullptr;
  WORD major = 0;
  WORD minor = 0;
  std::span<const ClassEntry> classes;
};

class Server {
 public:
  static void Initialize(HINSTANCE instance) noexcept;
  static HINSTANCE Instance() noexcept;

  static void Lock() noexcept;
  static void Unlock() noexcept;

  // DllGetClassObject and DllCanUnloadNow, forwarded with the library's description.
  static HRESULT GetClassObject(const LibraryDescription& library, REFCLSID clsid, REFIID iid,
                                void** object) noexcept;
  static HRESULT CanUnloadNow() noexcept;
};

// Keeps the server loaded while the owning object lives.
class ServerReference {
 public:
  ServerReference() noexcept { Server::Lock(); }
  ServerReference(const ServerReference&) noexcept { Server::Lock(); }
  ServerReference& operator=(const ServerReference&) noexcept { return *this; }
  ~ServerReference() { Server::Unlock(); }
};

}  // namespace quorvel::com
