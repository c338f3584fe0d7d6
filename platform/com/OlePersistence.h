#pragma once

#include "platform/com/PersistInterfaces.h"

// Writes an object's class id (16 bytes, in its binary layout) and then the object's own state
// (IPersistStream Save) to the stream.
HRESULT OleSaveToStream(IPersistStream* object, IStream* stream);
// Reads a class id, creates an object of that class, lets it load its state from the stream and
// queries it for iid. On failure *object is null and the stream position is wherever reading
// stopped.
HRESULT OleLoadFromStream(IStream* stream, REFIID iid, void** object);

HRESULT WriteClassStm(IStream* stream, REFCLSID clsid);
// STG_E_READFAULT when fewer than 16 bytes are left.
HRESULT ReadClassStm(IStream* stream, CLSID* clsid);
