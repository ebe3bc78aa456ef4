#pragma once
// The identities of the folder-browse control library, for the library itself and for its
// hosts. The type library (PathwellX.idl) carries the same values; the tests hold the two
// together.
#include <windows.h>
#include <oaidl.h>

#include "PathwellVersion.h"

namespace quorvel::pathwell {

// The coclass Pathwell and its ProgID.
inline constexpr CLSID kClsidPathwell = {0xE78BE0F4, 0xE630, 0x4070, {0x87, 0x9D, 0x49, 0x3F, 0xA5, 0xD1, 0xE6, 0xCF}};
inline constexpr wchar_t kProgIdPathwell[] = L"PathwellX.Pathwell";

// The type library PathwellX, of the library's version.
inline constexpr GUID kLibidPathwellX = {0xDDA7006F, 0x8EB1, 0x438B, {0xAE, 0x52, 0x35, 0x64, 0x0B, 0x46, 0x14, 0xB3}};
inline constexpr WORD kLibraryMajor = PATHWELL_VERSION_MAJOR;
inline constexpr WORD kLibraryMinor = PATHWELL_VERSION_MINOR;

// _Pathwell, the control's dual interface, and __Pathwell, its (empty) event interface.
inline constexpr IID kIidPathwell = {0x47999425, 0x8E3F, 0x4173, {0xA0, 0x26, 0x4A, 0xD3, 0x3F, 0x2D, 0xC7, 0x2D}};
inline constexpr IID kDiidPathwellEvents = {0xC6148D5D, 0x1C20, 0x467C, {0x8F, 0x8D, 0xC2, 0x44, 0xF6, 0x00, 0xC5, 0xB1}};

// Hosts call the browse method late-bound, by these numbers.
inline constexpr DISPID kDispidPathwell = 0x60030001;
inline constexpr DISPID kDispidBType = 0x68030000;

}  // namespace quorvel::pathwell
