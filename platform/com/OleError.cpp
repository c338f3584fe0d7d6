#include "platform/com/OleError.h"

#include "platform/runtime/Format.h"

namespace {

struct ErrorText {
    HRESULT code;
    const char* text;
};

constexpr ErrorText kTexts[] = {
    {S_OK, "The operation completed successfully."},
    {E_NOTIMPL, "Not implemented"},
    {E_NOINTERFACE, "No such interface supported"},
    {E_POINTER, "Invalid pointer"},
    {E_ABORT, "Operation aborted"},
    {E_FAIL, "Unspecified error"},
    {E_UNEXPECTED, "Catastrophic failure"},
    {E_OUTOFMEMORY, "Not enough memory resources are available to complete this operation."},
    {E_INVALIDARG, "The parameter is incorrect."},
    {E_ACCESSDENIED, "Access is denied."},
    {HRESULT_FILE_NOT_FOUND, "The system cannot find the file specified."},
    {REGDB_E_CLASSNOTREG, "Class not registered"},
    {CLASS_E_NOAGGREGATION, "Class does not support aggregation (or class object is remote)"},
    {CO_E_CLASSSTRING, "Invalid class string"},
    {MK_E_UNAVAILABLE, "Operation unavailable"},
    {MK_E_NOOBJECT, "The object could not be found."},
    {MK_E_NOSTORAGE, "The object does not have storage."},
    {STG_E_INVALIDFUNCTION, "Unable to perform requested operation."},
    {STG_E_INVALIDPOINTER, "Invalid pointer error."},
    {STG_E_WRITEFAULT, "A disk error occurred during a write operation."},
    {STG_E_READFAULT, "A disk error occurred during a read operation."},
    {STG_E_MEDIUMFULL, "There is insufficient disk space to complete operation."},
    {DISP_E_TYPEMISMATCH, "Type mismatch."},
};

} // namespace

std::string OleErrorText(HRESULT hr) {
    for (const auto& entry : kTexts)
        if (entry.code == hr)
            return entry.text;
    return Format("Unknown error 0x%08X", static_cast<unsigned>(hr));
}

HRESULT OleCheck(HRESULT hr) {
    if (FAILED(hr))
        RaiseOleError(hr);
    return hr;
}

void RaiseOleError(HRESULT hr) {
    throw EOleSysError(OleErrorText(hr), hr);
}
