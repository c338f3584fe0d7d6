#pragma once

#include "platform/com/ComTypes.h"
#include "platform/com/Guid.h"
#include "platform/com/HResult.h"

#include <string>

// Parses the braced text form of a class id, "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
// CO_E_CLASSSTRING (and *clsid all zero) for anything else, null included.
HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid);
// The braced text form, upper-case hexadecimal.
std::u16string StringFromCLSID(REFCLSID clsid);
