// The four exports of Pathwell.ocx, each forwarded to the framework with the library's
// description; loading the file only initialises the framework.
#include <windows.h>

#include "PathwellControl.h"
#include "com/Server.h"
#include "com/ServerRegistration.h"

namespace {

using quorvel::com::ClassEntry;
using quorvel::com::LibraryDescription;
using quorvel::com::Server;
namespace pathwell = quorvel::pathwell;

constexpr int kToolboxBitmap = 30000;

const ClassEntry kClasses[] = {
    {
        .clsid = &pathwell::kClsidPathwell,
        .create = &pathwell::PathwellControl::Create,
        .name = L"Pathwell",
        .progId = pathwell::kProgIdPathwell,
        .threading = L"Apartment",
        .control = true,
        .miscStatus = pathwell::kMiscStatus,
        .toolboxBitmap = kToolboxBitmap,
    },
};

const LibraryDescription kLibrary = {
    .libid = &pathwell::kLibidPathwellX,
    .major = pathwell::kLibraryMajor,
    .minor = pathwell::kLibraryMinor,
    .classes = kClasses,
};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    Server::Initialize(instance);
    ::DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
  return Server::GetClassObject(kLibrary, clsid, iid, object);
}

STDAPI DllCanUnloadNow() { return Server::CanUnloadNow(); }

STDAPI DllRegisterServer() { return quorvel::com::RegisterServer(kLibrary); }

STDAPI DllUnregisterServer() { return quorvel::com::UnregisterServer(kLibrary); }
