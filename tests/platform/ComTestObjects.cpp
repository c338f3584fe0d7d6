#include "tests/platform/ComTestObjects.h"

#include "platform/com/StreamData.h"

HRESULT TestPersistent::GetClassID(CLSID* clsid) {
    *clsid = CLSID_TestPersistent;
    return S_OK;
}

HRESULT TestPersistent::Load(IStream* stream) {
    return ReadWideString(stream, text);
}

HRESULT TestPersistent::Save(IStream* stream, BOOL) {
    return WriteWideString(stream, text);
}
