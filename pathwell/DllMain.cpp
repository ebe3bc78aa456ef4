// The four exports of Pathwell.ocx, each forwarded to the framework with the library's
// description; loading the file only initialises the framework.
#include <windows.h>

#include "PathwellControl.h"
#include "com/Module.h"

namespace {

using quorvel::com::ClassEntry;
using quorvel::com::LibraryDescription;
using quorvel::com::Module;
namespace pathwell = quorvel::pathwell;

constexpr int kToolboxBitmap = 30000;

const ClassEntry kClasses[] = {
    {&pathwell::kClsidPathwell, &pathwell::PathwellControl::Create, L"Pathwell", pathwell::kProgIdPathwell,
     L"Apartment", true, pathwell::kMiscStatus, kToolboxBitmap},
};

const LibraryDescription kLibrary = {&pathwell::kLibidPathwellX, pathwell::kLibraryMajor, pathwell::kLibraryMinor,
                                     kClasses};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    Module::Initialize(instance);
    ::DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
  return Module::GetClassObject(kLibrary, clsid, iid, object);
}

STDAPI DllCanUnloadNow() { return Module::CanUnloadNow(); }

STDAPI DllRegisterServer() { return Module::RegisterServer(kLibrary); }

STDAPI DllUnregisterServer() { return Module::UnregisterServer(kLibrary); }
