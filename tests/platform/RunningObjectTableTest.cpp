#include "platform/com/RunningObjectTable.h"
#include "platform/com/ItemMoniker.h"
#include "platform/com/RunningObjectFiles.h"
#include "platform/com/RunningObjectServer.h"
#include "platform/com/ViewerSocket.h"
#include "tests/support/HelperProcess.h"
#include "tests/support/ScopedRuntimeDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class Counted final : public ComObject<IUnknown> {
public:
    explicit Counted(int& live) : live_(live) { ++live_; }
    ~Counted() override { --live_; }

private:
    int& live_;
};

ComPtr<IMoniker> Item(const char16_t* name) {
    ComPtr<IMoniker> moniker;
    EXPECT_EQ(CreateItemMoniker(u"!", name, moniker.Receive()), S_OK);
    return moniker;
}

// Points the published entries at a fresh private folder for each test.
class RunningObjectTableTest : public testing::Test {
protected:
    ScopedRuntimeDir runtime_{"tarnolix-rot-test"};

    void SetUp() override { ASSERT_EQ(GetRunningObjectTable(0, table_.Receive()), S_OK); }

    size_t PublishedFiles() const {
        size_t count = 0;
        for (const auto& file : fs::directory_iterator(runtime_.Path() / "tarnolix" / "running-objects"))
            count += file.path().extension() == ".entry";
        return count;
    }

    ComPtr<IRunningObjectTable> table_;
};

TEST_F(RunningObjectTableTest, RegisterFindsTheObjectByNameAndRevokeReleasesIt) {
    int live = 0;
    auto object = ComPtr<IUnknown>::Adopt(new Counted(live));
    DWORD first = 0;
    DWORD second = 0;
    ASSERT_EQ(table_->Register(0, object.Get(), Item(u"FilterGraph A").Get(), &first), S_OK);
    EXPECT_EQ(table_->Register(0, object.Get(), Item(u"FilterGraph A").Get(), &second),
              MK_S_MONIKERALREADYREGISTERED);
    EXPECT_NE(first, 0u);
    EXPECT_NE(first, second);

    ComPtr<IUnknown> found;
    EXPECT_EQ(table_->GetObject(Item(u"FilterGraph A").Get(), found.Receive()), S_OK);
    EXPECT_EQ(found, object);
    EXPECT_EQ(table_->IsRunning(Item(u"FilterGraph B").Get()), S_FALSE);
    // An item moniker binds to what the table holds under its name.
    ComPtr<IUnknown> bound;
    EXPECT_EQ(Item(u"FilterGraph A")->BindToObject(nullptr, nullptr, IID_IUnknown, bound.ReceiveVoid()),
              S_OK);
    EXPECT_EQ(bound, object);
    EXPECT_EQ(Item(u"FilterGraph B")->BindToObject(nullptr, nullptr, IID_IUnknown, bound.ReceiveVoid()),
              MK_E_NOOBJECT);

    found.Reset();
    object.Reset();
    EXPECT_EQ(live, 1) << "the table holds its own reference";
    EXPECT_EQ(table_->Revoke(first), S_OK);
    EXPECT_EQ(table_->Revoke(first), E_INVALIDARG);
    EXPECT_EQ(live, 1);
    EXPECT_EQ(table_->Revoke(second), S_OK);
    EXPECT_EQ(live, 0);
    EXPECT_EQ(table_->IsRunning(Item(u"FilterGraph A").Get()), S_FALSE);
    EXPECT_EQ(PublishedFiles(), 0u);
}

TEST_F(RunningObjectTableTest, EnumRunningListsRegisteredNames) {
    int live = 0;
    auto object = ComPtr<IUnknown>::Adopt(new Counted(live));
    DWORD cookie = 0;
    ASSERT_EQ(table_->Register(0, object.Get(), Item(u"G1").Get(), &cookie), S_OK);
    ComPtr<IEnumMoniker> names;
    ASSERT_EQ(table_->EnumRunning(names.Receive()), S_OK);
    IMoniker* raw = nullptr;
    ASSERT_EQ(names->Next(1, &raw, nullptr), S_OK);
    auto name = ComPtr<IMoniker>::Adopt(raw);
    EXPECT_EQ(MonikerDisplayName(name.Get()), u"!G1");
    EXPECT_EQ(table_->Revoke(cookie), S_OK);
}

// An object whose destruction revokes another registration: releasing it inside the table's
// lock would deadlock.
class RevokesOnDestruction final : public ComObject<IUnknown> {
public:
    RevokesOnDestruction(IRunningObjectTable* table, DWORD cookie) : table_(table), cookie_(cookie) {}
    ~RevokesOnDestruction() override { table_->Revoke(cookie_); }

private:
    ComPtr<IRunningObjectTable> table_;
    DWORD cookie_;
};

TEST_F(RunningObjectTableTest, RevokeReleasesOutsideItsLock) {
    int live = 0;
    auto plain = ComPtr<IUnknown>::Adopt(new Counted(live));
    DWORD inner = 0;
    DWORD outer = 0;
    ASSERT_EQ(table_->Register(0, plain.Get(), Item(u"inner").Get(), &inner), S_OK);
    {
        auto revoking = ComPtr<IUnknown>::Adopt(new RevokesOnDestruction(table_.Get(), inner));
        ASSERT_EQ(table_->Register(0, revoking.Get(), Item(u"outer").Get(), &outer), S_OK);
    }
    plain.Reset();
    EXPECT_EQ(table_->Revoke(outer), S_OK);
    EXPECT_EQ(live, 0);
}

TEST_F(RunningObjectTableTest, RefusesMissingArguments) {
    DWORD cookie = 7;
    EXPECT_EQ(table_->Register(0, nullptr, Item(u"x").Get(), &cookie), E_INVALIDARG);
    EXPECT_EQ(cookie, 0u);
    IRunningObjectTable* table = nullptr;
    EXPECT_EQ(GetRunningObjectTable(1, &table), E_INVALIDARG);
    EXPECT_EQ(table, nullptr);
}

TEST_F(RunningObjectTableTest, ConcurrentRegistrationsGetDistinctCookiesAndAllGo) {
    int live = 0;
    auto object = ComPtr<IUnknown>::Adopt(new Counted(live));
    constexpr int kThreads = 4;
    constexpr int kEach = 25;
    std::vector<std::vector<DWORD>> cookies(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int k = 0; k < kEach; ++k) {
                const std::u16string name =
                    u"G" + std::u16string(1, char16_t(u'a' + t)) + char16_t(u'0' + k % 10);
                DWORD cookie = 0;
                if (SUCCEEDED(table_->Register(0, object.Get(), Item(name.c_str()).Get(), &cookie)))
                    cookies[t].push_back(cookie);
                ComPtr<IEnumMoniker> names;
                table_->EnumRunning(names.Receive());
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    std::set<DWORD> distinct;
    for (const auto& list : cookies)
        distinct.insert(list.begin(), list.end());
    EXPECT_EQ(distinct.size(), size_t{kThreads * kEach});
    EXPECT_EQ(PublishedFiles(), size_t{kThreads * kEach});
    threads.clear();
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (const DWORD cookie : cookies[t])
                EXPECT_EQ(table_->Revoke(cookie), S_OK);
        });
    for (auto& thread : threads)
        thread.join();
    object.Reset();
    EXPECT_EQ(live, 0);
    EXPECT_EQ(PublishedFiles(), 0u);
}

TEST_F(RunningObjectTableTest, PlantedSymlinkIsNotFollowedAndRegistrationStillStands) {
    const fs::path elsewhere = runtime_.Path() / "elsewhere";
    fs::create_directory(elsewhere);
    fs::create_directory_symlink(elsewhere, runtime_.Path() / "tarnolix");
    EXPECT_FALSE(RunningObjectFiles::Folder());
    int live = 0;
    auto object = ComPtr<IUnknown>::Adopt(new Counted(live));
    DWORD cookie = 0;
    EXPECT_EQ(table_->Register(0, object.Get(), Item(u"unpublished").Get(), &cookie), S_OK);
    EXPECT_TRUE(fs::is_empty(elsewhere)) << "an entry was written through the link";
    EXPECT_TRUE(RunningObjectFiles::List().empty());
    EXPECT_EQ(table_->Revoke(cookie), S_OK);
}

// A helper process holding one registration until its standard input closes.
class RotHelper : public HelperProcess {
public:
    RotHelper(const std::string& name, const char* ending)
        : HelperProcess({TARNOLIX_ROT_HELPER, name, ending}) {}
};

bool Lists(const std::vector<RunningObjectFiles::Entry>& entries, pid_t pid, const std::string& name) {
    for (const auto& entry : entries)
        if (entry.pid == pid && entry.name == name)
            return true;
    return false;
}

TEST_F(RunningObjectTableTest, EntriesAreSeenAcrossProcessesAndGoWithRevoke) {
    int live = 0;
    auto object = ComPtr<IUnknown>::Adopt(new Counted(live));
    DWORD cookie = 0;
    ASSERT_EQ(table_->Register(0, object.Get(), Item(u"FilterGraph 0000BEEF pid 1").Get(), &cookie), S_OK);

    RotHelper helper("FilterGraph 00C0FFEE pid 2A", "revoke");
    ASSERT_TRUE(helper.WaitReady());
    const auto entries = RunningObjectFiles::List();
    EXPECT_TRUE(Lists(entries, helper.Pid(), "!FilterGraph 00C0FFEE pid 2A"));
    EXPECT_TRUE(Lists(entries, ::getpid(), "!FilterGraph 0000BEEF pid 1"));
    const pid_t helperPid = helper.Pid();
    EXPECT_EQ(helper.Finish(), 0);
    EXPECT_FALSE(Lists(RunningObjectFiles::List(), helperPid, "!FilterGraph 00C0FFEE pid 2A"));
    EXPECT_EQ(table_->Revoke(cookie), S_OK);
    EXPECT_EQ(PublishedFiles(), 0u);
}

TEST_F(RunningObjectTableTest, NormalExitWithdrawsStandingEntries) {
    RotHelper helper("left standing", "exit");
    ASSERT_TRUE(helper.WaitReady());
    EXPECT_EQ(PublishedFiles(), 1u);
    EXPECT_EQ(helper.Finish(), 0);
    EXPECT_EQ(PublishedFiles(), 0u);
}

TEST_F(RunningObjectTableTest, EntriesOfEndedProcessesAreIgnoredAndRemoved) {
    RotHelper helper("crashed", "crash");
    ASSERT_TRUE(helper.WaitReady());
    const pid_t pid = helper.Pid();
    EXPECT_TRUE(Lists(RunningObjectFiles::List(), pid, "!crashed"));
    helper.Finish();
    EXPECT_EQ(PublishedFiles(), 1u) << "an ended process cannot withdraw its entry";
    EXPECT_FALSE(Lists(RunningObjectFiles::List(), pid, "!crashed"));
    EXPECT_EQ(PublishedFiles(), 0u);
}

} // namespace

namespace {

TEST_F(RunningObjectTableTest, ANewRegistrationPrunesWhatEndedProcessesLeft) {
    RotHelper helper("crashed", "crash");
    ASSERT_TRUE(helper.WaitReady());
    helper.Finish();
    EXPECT_EQ(PublishedFiles(), 1u);
    int live = 0;
    auto object = ComPtr<IUnknown>::Adopt(new Counted(live));
    DWORD cookie = 0;
    ASSERT_EQ(table_->Register(0, object.Get(), Item(u"fresh").Get(), &cookie), S_OK);
    EXPECT_EQ(PublishedFiles(), 1u) << "only the new entry is left";
    EXPECT_EQ(table_->Revoke(cookie), S_OK);
}

} // namespace

namespace {

// The first line the registration's socket answers to `request`; empty when it closes first.
std::string FirstLine(int fd) {
    timeval timeout{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    std::string line;
    char c;
    while (::read(fd, &c, 1) == 1 && c != '\n')
        line += c;
    return line;
}

TEST_F(RunningObjectTableTest, ViewersBeyondTheCapAreToldSoWhileWatchersHoldEverySlot) {
    int live = 0;
    auto object = ComPtr<IUnknown>::Adopt(new Counted(live));
    DWORD cookie = 0;
    ASSERT_EQ(table_->Register(0, object.Get(), Item(u"watched").Get(), &cookie), S_OK);
    const auto path = RunningObjectFiles::SocketFile(cookie);
    ASSERT_TRUE(path && fs::is_socket(*path));
    std::vector<UniqueFd> watchers;
    for (size_t i = 0; i < RunningObjectServer::kMaxConnections; ++i) {
        watchers.push_back(ViewerSocket::Connect(*path));
        ASSERT_TRUE(ViewerSocket::SendAll(watchers.back().Get(),
                                          ViewerProtocol::RequestLine(ViewerProtocol::RequestKind::Watch),
                                          std::chrono::seconds(2)));
        // An object without a report of its own is still named.
        EXPECT_NE(FirstLine(watchers.back().Get()).find("\"name\":\"!watched\""), std::string::npos);
    }
    UniqueFd extra = ViewerSocket::Connect(*path);
    EXPECT_NE(FirstLine(extra.Get()).find("too many viewers"), std::string::npos);
    watchers.pop_back();
    // The slot comes free once the server has seen the watcher go.
    bool answered = false;
    for (int attempt = 0; attempt < 50 && !answered; ++attempt) {
        UniqueFd next = ViewerSocket::Connect(*path);
        ViewerSocket::SendAll(next.Get(), ViewerProtocol::RequestLine(ViewerProtocol::RequestKind::Stats),
                              std::chrono::seconds(2));
        answered = FirstLine(next.Get()).find("\"reply\":\"stats\"") != std::string::npos;
        if (!answered)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(answered);
    EXPECT_EQ(table_->Revoke(cookie), S_OK);
    EXPECT_FALSE(fs::exists(*path)) << "the socket goes with the registration";
    // Its watchers are let go: their connections reach their end (ticks sent before may come first).
    char buffer[4096];
    ssize_t got;
    while ((got = ::read(watchers.front().Get(), buffer, sizeof buffer)) > 0) {
    }
    EXPECT_EQ(got, 0) << "the connection was not closed";
}

} // namespace
