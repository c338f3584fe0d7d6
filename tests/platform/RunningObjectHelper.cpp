// A second process for the running-object-table tests. Registers one object under an item
// moniker named by its first argument, writes "ready" to standard output, waits until its
// standard input is closed, and then, by its second argument:
//   revoke  revokes the registration and exits normally;
//   exit    exits normally with the registration still standing;
//   crash   ends at once (_exit), leaving its published entry behind.
#include "platform/com/ItemMoniker.h"
#include "platform/com/RunningObjectTableInterface.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

class Dummy final : public ComObject<IUnknown> {};

} // namespace

int main(int argc, char** argv) {
    if (argc != 3)
        return 2;
    const std::string name = argv[1];
    ComPtr<IRunningObjectTable> table;
    ComPtr<IMoniker> moniker;
    if (FAILED(GetRunningObjectTable(0, table.Receive())) ||
        FAILED(CreateItemMoniker(u"!", std::u16string(name.begin(), name.end()).c_str(), moniker.Receive())))
        return 3;
    auto object = ComPtr<IUnknown>::Adopt(new Dummy);
    DWORD cookie = 0;
    if (FAILED(table->Register(0, object.Get(), moniker.Get(), &cookie)))
        return 4;
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    char buffer[64];
    while (::read(STDIN_FILENO, buffer, sizeof buffer) > 0) {
    }
    if (std::strcmp(argv[2], "crash") == 0)
        ::_exit(0);
    if (std::strcmp(argv[2], "revoke") == 0)
        table->Revoke(cookie);
    return 0;
}
