#pragma once
// The type information of the library's own TYPELIB resource, loaded once and shared by
// every object until the module may unload.
#include <windows.h>
#include <oaidl.h>

namespace quorvel::com {

// The type info described by `guid` in this module's type library (an added reference).
// For a dual interface this is its dispatch side; see InterfaceTypeInfo.
HRESULT GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** info);
// The vtable side of a dual interface, which ITypeInfo::Invoke calls through.
HRESULT GetInterfaceTypeInfo(REFGUID guid, ITypeInfo** info);
void ReleaseTypeInfoCache();

}  // namespace quorvel::com
