#include "platform/com/ComClasses.h"

#include "platform/com/ItemMoniker.h"

std::vector<std::pair<CLSID, ClassFactoryFunction>> ComLibraryClasses() {
    return {{CLSID_ItemMoniker, &CreateComObject<ItemMoniker>}};
}
