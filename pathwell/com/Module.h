#pragma once
// The in-process server side of COM for one library: the module's lifetime count (live
// objects plus LockServer locks), the table-driven class factory, and self-registration
// written from a description of the library.
#include <windows.h>
#include <unknwn.h>

#include <span>

namespace quorvel::com {

// Creates a new object of one class and asks it for `iid`.
using CreateFunction = HRESULT (*)(REFIID iid, void** object);

// One row per class the library serves.
struct ClassEntry {
  const CLSID* clsid;
  CreateFunction create;
  const wchar_t* name;         // the class key's default value
  const wchar_t* progId;       // nullptr: none
  const wchar_t* threading;    // ThreadingModel of InprocServer32
  bool control;                // writes the "Control" key
  DWORD miscStatus;            // MiscStatus\1 for DVASPECT_CONTENT; 0: no MiscStatus key
  int toolboxBitmap;           // bitmap resource id for ToolboxBitmap32; 0: none
};

struct LibraryDescription {
  const GUID* libid;
  WORD major;
  WORD minor;
  std::span<const ClassEntry> classes;
};

class Module {
 public:
  static void Initialize(HINSTANCE instance) noexcept;
  static HINSTANCE Instance() noexcept;

  static void Lock() noexcept;
  static void Unlock() noexcept;

  // The four exports, forwarded with the library's description.
  static HRESULT GetClassObject(const LibraryDescription& library, REFCLSID clsid, REFIID iid,
                                void** object) noexcept;
  static HRESULT CanUnloadNow() noexcept;
  static HRESULT RegisterServer(const LibraryDescription& library) noexcept;
  static HRESULT UnregisterServer(const LibraryDescription& library) noexcept;
};

// Keeps the module loaded while the owning object lives.
class ModuleReference {
 public:
  ModuleReference() noexcept { Module::Lock(); }
  ModuleReference(const ModuleReference&) noexcept { Module::Lock(); }
  ModuleReference& operator=(const ModuleReference&) noexcept { return *this; }
  ~ModuleReference() { Module::Unlock(); }
};

}  // namespace quorvel::com
