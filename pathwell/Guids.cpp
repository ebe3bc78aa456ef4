// Defines the identities of the type library (LIBID, CLSID, IIDs) for this library's code.
#include <ocidl.h>
#include <initguid.h>

#include "PathwellX_h.h"
