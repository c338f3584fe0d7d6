#include "capture/GraphRegistration.h"
#include "platform/com/ComObject.h"
#include "platform/com/RunningObjectFiles.h"
#include "platform/com/ViewerSocket.h"
#include "platform/media/core/SampleGrabberInterface.h"
#include "tests/support/HelperProcess.h"
#include "tests/support/QtTestMain.h"
#include "tests/support/ScopedRuntimeDir.h"
#include "tests/tools/ViewerGraph.h"
#include "tools/GraphsClient.h"
#include "tools/GraphsProgram.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <poll.h>
#include <random>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using RequestKind = ViewerProtocol::RequestKind;

size_t OpenDescriptors() {
    return static_cast<size_t>(
        std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
}

// Each test gets a private folder for the running-object entries.
class GraphViewerTest : public testing::Test {
protected:
    ScopedRuntimeDir runtime_{"tarnolix-viewer-test"};

    fs::path Folder() const { return runtime_.Path() / "tarnolix" / "running-objects"; }

    RunningObjectFiles::Entry OwnEntry() const {
        for (const auto& entry : RunningGraphs())
            if (entry.pid == ::getpid())
                return entry;
        ADD_FAILURE() << "this process's graph is not listed";
        return {};
    }

    int Graphs(const std::vector<std::string>& arguments, std::string& out, std::string& err) {
        std::ostringstream outStream;
        std::ostringstream errStream;
        const std::atomic<bool> never{false};
        const int status = RunGraphs(arguments, outStream, errStream, never, false);
        out = outStream.str();
        err = errStream.str();
        return status;
    }

    static JsonValue Ask(const RunningObjectFiles::Entry& entry, RequestKind kind) {
        TGraphConnection connection(entry);
        connection.Request(kind);
        std::string line;
        return *connection.Reply(line);
    }

    static bool FramesFlow(const ViewerGraph& graph, uint64_t more) {
        const uint64_t from = graph.SourceSamples();
        return ProcessEventsUntil([&] { return graph.SourceSamples() >= from + more; }, 10s);
    }
};

const JsonValue* FindNamed(const JsonValue& list, const std::string& key, const std::string& name) {
    for (const JsonValue& item : list.Items())
        if (item.StringOf(key) == name)
            return &item;
    return nullptr;
}

TEST_F(GraphViewerTest, DescribeShowsTheThreeFiltersTheirConnectionsAndTheRgbTypeAtTheCameraSize) {
    ViewerGraph graph;
    ASSERT_NE(graph.Cookie(), 0u);
    ASSERT_EQ(graph.Run(), S_OK);
    const auto entry = OwnEntry();
    ASSERT_FALSE(entry.socket.empty());
    const JsonValue described = Ask(entry, RequestKind::Describe);

    EXPECT_EQ(described.StringOf("reply"), "describe");
    EXPECT_EQ(described.StringOf("name"), entry.name);
    EXPECT_EQ(described.StringOf("state"), "running");
    const JsonValue* filters = described.Find("filters");
    ASSERT_TRUE(filters && filters->IsArray());
    ASSERT_EQ(filters->Items().size(), 3u);
    EXPECT_EQ(filters->Items()[0].StringOf("name"), "Kamera");
    EXPECT_EQ(filters->Items()[1].StringOf("name"), "SampleGrabber");
    EXPECT_EQ(filters->Items()[1].StringOf("class_id"), GUIDToString(CLSID_SampleGrabber));
    EXPECT_EQ(filters->Items()[2].StringOf("name"), "VideoRenderer");

    // camera → grabber → renderer, each connection seen from both ends.
    const auto pin = [&](size_t filter, const std::string& name) {
        const JsonValue* found = FindNamed(*filters->Items()[filter].Find("pins"), "name", name);
        EXPECT_TRUE(found) << name;
        return found ? *found : JsonValue();
    };
    const JsonValue capture = pin(0, "Capture");
    EXPECT_EQ(capture.StringOf("direction"), "output");
    EXPECT_EQ(capture.Find("connected_to")->StringOf("filter"), "SampleGrabber");
    EXPECT_EQ(capture.Find("connected_to")->StringOf("pin"), "Input");
    EXPECT_EQ(pin(1, "Input").Find("connected_to")->StringOf("filter"), "Kamera");
    EXPECT_EQ(pin(1, "Output").Find("connected_to")->StringOf("filter"), "VideoRenderer");
    EXPECT_EQ(pin(2, "Input").Find("connected_to")->StringOf("pin"), "Output");
    for (const JsonValue& connected : {capture, pin(1, "Output"), pin(2, "Input")}) {
        const JsonValue* type = connected.Find("media_type");
        ASSERT_TRUE(type && type->IsObject());
        EXPECT_EQ(type->Find("major")->StringOf("name"), "Video");
        EXPECT_EQ(type->Find("sub")->StringOf("name"), "RGB24");
        EXPECT_EQ(type->Find("sub")->StringOf("id"), GUIDToString(MEDIASUBTYPE_RGB24));
        EXPECT_EQ(type->NumberOf("width"), 160);
        EXPECT_EQ(type->NumberOf("height"), 120);
        EXPECT_EQ(type->NumberOf("bit_count"), 24);
        EXPECT_EQ(type->NumberOf("frame_interval"), 333333);
    }
}

// Counts that another layer attaches to the registration.
class FixedCounters final : public ComObject<ICounterSource> {
public:
    std::string CounterKind() override { return "frame handler"; }
    void ReadCounters(NamedCounters& counters) override {
        counters.emplace_back("frames_processed", 7);
        counters.emplace_back("frames_dropped_busy", 2);
    }
};

// Counts with texts beside them, as the virtual camera gives.
class LabelledCounters final : public ComObject<ICounterSource, ICounterLabels> {
public:
    std::string CounterKind() override { return "virtual camera"; }
    void ReadCounters(NamedCounters& counters) override { counters.emplace_back("frames_written", 5); }
    void ReadLabels(NamedLabels& labels) override {
        labels.emplace_back("device", "/dev/video10");
        labels.emplace_back("format", "YUYV 1280x720 30/1");
    }
};

TEST_F(GraphViewerTest, StatsGiveTheCameraRateTheGrabberCallbacksAndAttachedCounters) {
    ViewerGraph graph;
    ASSERT_EQ(graph.Run(), S_OK);
    auto attached = ComPtr<ICounterSource>::Adopt(new FixedCounters);
    ASSERT_EQ(AttachViewerCounters(graph.Cookie(), attached.Get()), S_OK);
    auto labelled = ComPtr<ICounterSource>::Adopt(new LabelledCounters);
    ASSERT_EQ(AttachViewerCounters(graph.Cookie(), labelled.Get()), S_OK);
    ASSERT_TRUE(FramesFlow(graph, 45)); // a second and a half of the camera's 30 a second
    const JsonValue stats = Ask(OwnEntry(), RequestKind::Stats);

    EXPECT_EQ(stats.StringOf("reply"), "stats");
    const JsonValue* capture = nullptr;
    for (const JsonValue& flow : stats.Find("pins")->Items())
        if (flow.StringOf("filter") == "Kamera" && flow.StringOf("pin") == "Capture")
            capture = &flow;
    ASSERT_TRUE(capture);
    EXPECT_GE(capture->NumberOf("samples"), 45);
    // The rate comes from the samples' time stamps, which follow the camera's pace.
    EXPECT_NEAR(capture->NumberOf("rate"), 30.0, 10.0);
    const JsonValue* grabber = FindNamed(*stats.Find("counters"), "source", "SampleGrabber");
    ASSERT_TRUE(grabber);
    EXPECT_EQ(grabber->StringOf("kind"), "sample grabber");
    EXPECT_GT(grabber->Find("values")->NumberOf("callbacks"), 0);
    const JsonValue* handler = FindNamed(*stats.Find("counters"), "kind", "frame handler");
    ASSERT_TRUE(handler);
    EXPECT_EQ(handler->Find("values")->NumberOf("frames_dropped_busy"), 2);
    EXPECT_EQ(handler->Find("labels"), nullptr);
    const JsonValue* camera = FindNamed(*stats.Find("counters"), "kind", "virtual camera");
    ASSERT_TRUE(camera);
    EXPECT_EQ(camera->Find("labels")->StringOf("format"), "YUYV 1280x720 30/1");

    std::string out, err;
    ASSERT_EQ(Graphs({"show", std::to_string(::getpid())}, out, err), 0) << err;
    EXPECT_NE(out.find("virtual camera: frames_written 5, device /dev/video10, format YUYV 1280x720 30/1\n"),
              std::string::npos)
        << out;
}

TEST_F(GraphViewerTest, ViewerListsShowsDrawsAndWatchesTheGraph) {
    ViewerGraph graph;
    ASSERT_EQ(graph.Run(), S_OK);
    ASSERT_TRUE(FramesFlow(graph, 40));
    const std::string pid = std::to_string(::getpid());
    const std::string name = ShownName(OwnEntry().name);
    std::string out, err;

    ASSERT_EQ(Graphs({}, out, err), 0) << err;
    EXPECT_NE(out.find("NAME"), std::string::npos);
    EXPECT_NE(out.find(name), std::string::npos);
    EXPECT_NE(out.find(" running "), std::string::npos) << out;

    ASSERT_EQ(Graphs({"show", pid}, out, err), 0) << err;
    EXPECT_NE(out.find(name + "  (process " + pid + ", running)"), std::string::npos) << out;
    EXPECT_NE(out.find("[Kamera]  class "), std::string::npos) << out;
    EXPECT_NE(out.find("    Capture (output) -> [SampleGrabber] Input\n"
                       "        Video RGB24 160x120, 24 bit, 30.00 frames a second (interval 333333)\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("    Input (input) <- [SampleGrabber] Output"), std::string::npos) << out;
    EXPECT_NE(out.find(" a second\n"), std::string::npos) << out;
    EXPECT_NE(out.find("SampleGrabber (sample grabber): callbacks "), std::string::npos) << out;

    ASSERT_EQ(Graphs({"show", name, "--dot"}, out, err), 0) << err;
    EXPECT_EQ(out.rfind("digraph \"" + name + "\" {\n", 0), 0u) << out;
    EXPECT_NE(out.find("rankdir=LR;"), std::string::npos);
    EXPECT_NE(
        out.find("\"Kamera\" -> \"SampleGrabber\" [label=\"Capture -> Input\\nVideo RGB24 160x120, 24 bit"),
        std::string::npos)
        << out;
    EXPECT_NE(out.find("\"SampleGrabber\" -> \"VideoRenderer\""), std::string::npos) << out;
    EXPECT_EQ(out.substr(out.size() - 2), "}\n");

    ASSERT_EQ(Graphs({"show", pid, "--json"}, out, err), 0) << err;
    std::istringstream lines(out);
    std::string describeLine, statsLine;
    std::getline(lines, describeLine);
    std::getline(lines, statsLine);
    EXPECT_EQ(JsonValue::Parse(describeLine)->StringOf("reply"), "describe");
    EXPECT_EQ(JsonValue::Parse(statsLine)->StringOf("reply"), "stats");

    ASSERT_EQ(Graphs({"watch", pid, "--count", "2"}, out, err), 0) << err;
    size_t redraws = 0;
    for (size_t at = out.find("Kamera.Capture"); at != std::string::npos;
         at = out.find("Kamera.Capture", at + 1))
        ++redraws;
    EXPECT_EQ(redraws, 2u) << out;
}

TEST_F(GraphViewerTest, BadCommandLinesAndUnknownGraphsHaveTheirExitStatus) {
    std::string out, err;
    EXPECT_EQ(Graphs({"show"}, out, err), 2);
    EXPECT_NE(err.find("show needs a graph's NAME or PID"), std::string::npos) << err;
    EXPECT_EQ(Graphs({"frobnicate"}, out, err), 2);
    EXPECT_EQ(Graphs({"show", "1", "--dot", "--json"}, out, err), 2);
    EXPECT_EQ(Graphs({"watch", "1", "--count", "0"}, out, err), 2);
    EXPECT_EQ(Graphs({"list", "--dot"}, out, err), 2);
    EXPECT_EQ(Graphs({"--help"}, out, err), 0);
    EXPECT_EQ(Graphs({}, out, err), 1);
    EXPECT_NE(err.find("no Tarnolix graph is running"), std::string::npos) << err;

    ViewerGraph graph;
    EXPECT_EQ(Graphs({"show", "FilterGraph 00000000 pid 0"}, out, err), 1);
    EXPECT_NE(err.find("no running graph is named"), std::string::npos) << err;
}

TEST_F(GraphViewerTest, AnEntryWithoutSocketOrWithADeadSocketIsReportedNotFatal) {
    ViewerGraph graph; // makes the folder
    const std::string pid = std::to_string(::getpid());
    // An entry from a program that predates viewers: no socket beside it.
    {
        std::ofstream old(Folder() / (pid + "-90001.entry"));
        old << pid << "\n!FilterGraph 0000OLD0 pid 1";
    }
    // An entry whose socket nobody listens on any more.
    {
        std::ofstream dead(Folder() / (pid + "-90002.entry"));
        dead << pid << "\n!FilterGraph 0000DEAD pid 1";
        UniqueFd socket = ViewerSocket::Listen(Folder() / (pid + "-90002.socket"));
        ASSERT_TRUE(socket);
    }
    std::string out, err;
    EXPECT_EQ(Graphs({"list"}, out, err), 0) << err;
    EXPECT_NE(out.find("no viewer socket: the program predates graph viewing"), std::string::npos) << out;
    EXPECT_NE(out.find("Connection refused"), std::string::npos) << out;
    EXPECT_EQ(Graphs({"show", "FilterGraph 0000OLD0 pid 1"}, out, err), 1);
    EXPECT_NE(err.find("predates graph viewing"), std::string::npos) << err;
    EXPECT_EQ(Graphs({"show", "FilterGraph 0000DEAD pid 1"}, out, err), 1);
    EXPECT_NE(err.find("cannot connect"), std::string::npos) << err;
    EXPECT_EQ(Graphs({"show", pid}, out, err), 1) << "three graphs in one process: the name is needed";
}

TEST_F(GraphViewerTest, AProgramEndingInTheMiddleOfAReplyIsReportedAsGone) {
    ViewerGraph graph; // makes the folder
    const std::string pid = std::to_string(::getpid());
    {
        std::ofstream entry(Folder() / (pid + "-90003.entry"));
        entry << pid << "\n!FilterGraph 0000HALF pid 1";
    }
    UniqueFd listener = ViewerSocket::Listen(Folder() / (pid + "-90003.socket"));
    ASSERT_TRUE(listener);
    // A program that reads the request, sends half a reply and ends.
    std::thread program([&] {
        pollfd wait{listener.Get(), POLLIN, 0};
        if (::poll(&wait, 1, 5000) != 1)
            return;
        UniqueFd connection(::accept(listener.Get(), nullptr, nullptr));
        char request[256];
        [[maybe_unused]] const ssize_t got = ::read(connection.Get(), request, sizeof request);
        ViewerSocket::SendAll(connection.Get(), "{\"version\":1,\"reply\":\"desc", 1000ms);
    });
    std::string out, err;
    EXPECT_EQ(Graphs({"show", "FilterGraph 0000HALF pid 1"}, out, err), 1);
    program.join();
    EXPECT_NE(err.find("went away in the middle of a reply"), std::string::npos) << err;
    EXPECT_TRUE(out.empty()) << out;
}

TEST_F(GraphViewerTest, GraphsOfTwoProcessesAreListedUnderDifferentNames) {
    HelperProcess first({TARNOLIX_VIEWER_HELPER, "pattern:160x120@30"});
    HelperProcess second({TARNOLIX_VIEWER_HELPER, "pattern:320x240@15"});
    ASSERT_TRUE(first.WaitReady());
    ASSERT_TRUE(second.WaitReady());
    const auto graphs = RunningGraphs();
    ASSERT_EQ(graphs.size(), 2u);
    EXPECT_NE(graphs[0].name, graphs[1].name);
    std::string out, err;
    ASSERT_EQ(Graphs({}, out, err), 0) << err;
    for (const auto& graph : graphs) {
        EXPECT_NE(out.find(ShownName(graph.name)), std::string::npos) << out;
        EXPECT_NE(out.find(" " + std::to_string(graph.pid) + "  "), std::string::npos) << out;
    }
    ASSERT_EQ(Graphs({"show", std::to_string(second.Pid())}, out, err), 0) << err;
    EXPECT_NE(out.find("Video RGB24 320x240, 24 bit, 15.00 frames a second"), std::string::npos) << out;
    EXPECT_EQ(first.Finish(), 0);
    EXPECT_EQ(second.Finish(), 0);
    EXPECT_TRUE(RunningGraphs().empty());
}

TEST_F(GraphViewerTest, AKilledProgramsEntryIsSkippedAndPruned) {
    HelperProcess helper({TARNOLIX_VIEWER_HELPER, "pattern:160x120@30"});
    ASSERT_TRUE(helper.WaitReady());
    const std::string pid = std::to_string(helper.Pid());
    helper.Kill();
    EXPECT_TRUE(fs::exists(Folder() / (pid + "-1.entry")) || !fs::is_empty(Folder()))
        << "a killed program cannot withdraw its entry";
    std::string out, err;
    EXPECT_EQ(Graphs({"show", pid}, out, err), 1);
    EXPECT_EQ(Graphs({}, out, err), 1);
    EXPECT_NE(err.find("no Tarnolix graph is running"), std::string::npos) << err;
    EXPECT_TRUE(fs::is_empty(Folder())) << "the entry and its socket are pruned";
}

TEST_F(GraphViewerTest, AViewerOfAnotherUserIsRefused) {
    if (::getuid() != 0)
        GTEST_SKIP() << "needs root to run a viewer as another user";
    ViewerGraph graph;
    ASSERT_EQ(graph.Run(), S_OK);
    const fs::path socket = OwnEntry().socket;
    ASSERT_FALSE(socket.empty());
    // Open the way to the socket, so that only the server's own check stands between.
    for (const fs::path& folder : {runtime_.Path(), runtime_.Path() / "tarnolix", Folder()})
        ASSERT_EQ(::chmod(folder.c_str(), 0711), 0);
    ASSERT_EQ(::chmod(socket.c_str(), 0666), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // nobody: 65534 on Debian.
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(10);
        UniqueFd fd = ViewerSocket::Connect(socket);
        if (!fd)
            ::_exit(11);
        const std::string request = ViewerProtocol::RequestLine(RequestKind::Describe);
        ViewerSocket::SendAll(fd.Get(), request, 2000ms);
        char buffer[512] = {};
        size_t got = 0;
        ssize_t n;
        while (got < sizeof buffer - 1 && (n = ::read(fd.Get(), buffer + got, sizeof buffer - 1 - got)) > 0)
            got += static_cast<size_t>(n);
        const std::string reply(buffer, got);
        ::_exit(reply.find("\"filters\"") != std::string::npos         ? 12
                : reply.find("permission denied") != std::string::npos ? 0
                                                                       : 13);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0)
        << "10: setuid failed, 11: connect failed, 12: answered, 13: no refusal";
    // The owner is still served, and the folder that was opened to others is closed again.
    EXPECT_EQ(Ask(OwnEntry(), RequestKind::Describe).StringOf("reply"), "describe");
    struct stat folder {};
    ASSERT_EQ(::stat(Folder().c_str(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);
}

// Sends as much of `bytes` total as the other end takes; false when it closed before all went.
bool Flood(int fd, size_t bytes) {
    std::vector<char> chunk(1 << 16, 'x');
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    size_t sent = 0;
    while (sent < bytes && std::chrono::steady_clock::now() < deadline) {
        const ssize_t n = ::send(fd, chunk.data(), std::min(chunk.size(), bytes - sent), MSG_NOSIGNAL);
        if (n < 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return sent == bytes;
}

std::string ReadAll(int fd) {
    std::string text;
    char buffer[4096];
    timeval timeout{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<size_t>(n));
    return text;
}

TEST_F(GraphViewerTest, HostileViewersNeitherStopTheFramesNorLeakNorLockOutAWellFormedViewer) {
    ViewerGraph graph;
    ASSERT_EQ(graph.Run(), S_OK);
    const auto entry = OwnEntry();
    EXPECT_EQ(Ask(entry, RequestKind::Describe).StringOf("reply"), "describe"); // the server is up
    // The window system's own descriptors are opened once events have been processed.
    ASSERT_TRUE(FramesFlow(graph, 5));
    const size_t descriptors = OpenDescriptors();

    {
        // Random bytes, ending in a newline: an error reply, then the connection closes.
        UniqueFd fd = ViewerSocket::Connect(entry.socket);
        std::mt19937 random(15);
        std::string noise(3000, '\0');
        for (char& c : noise)
            c = static_cast<char>(random());
        noise += '\n';
        ViewerSocket::SendAll(fd.Get(), noise, 2000ms);
        const std::string reply = ReadAll(fd.Get());
        EXPECT_TRUE(reply.empty() || reply.find("\"error\"") != std::string::npos) << reply;
    }
    {
        // A request of 100 MB: refused long before its end.
        UniqueFd fd = ViewerSocket::Connect(entry.socket);
        EXPECT_FALSE(Flood(fd.Get(), size_t{100} << 20));
    }
    {
        // Unknown and wrong-version requests are answered with an error.
        UniqueFd fd = ViewerSocket::Connect(entry.socket);
        ViewerSocket::SendAll(fd.Get(), "{\"version\":1,\"request\":\"format c:\"}\n", 2000ms);
        EXPECT_NE(ReadAll(fd.Get()).find("unknown request"), std::string::npos);
    }
    {
        // Connections closed mid-reply: before reading a byte, and after a few of a watch.
        for (const RequestKind kind : {RequestKind::Describe, RequestKind::Watch}) {
            UniqueFd fd = ViewerSocket::Connect(entry.socket);
            ViewerSocket::SendAll(fd.Get(), ViewerProtocol::RequestLine(kind, 50ms), 2000ms);
            char some[8];
            if (kind == RequestKind::Watch) {
                EXPECT_GT(::read(fd.Get(), some, sizeof some), 0);
            }
        }
    }
    {
        // 64 idle connections, then a well-formed viewer: it is answered all the same.
        std::vector<UniqueFd> idle;
        for (int i = 0; i < 64; ++i) {
            idle.push_back(ViewerSocket::Connect(entry.socket));
            ASSERT_TRUE(idle.back()) << i;
        }
        EXPECT_EQ(Ask(entry, RequestKind::Stats).StringOf("reply"), "stats");
        EXPECT_TRUE(FramesFlow(graph, 30));
    }
    EXPECT_TRUE(FramesFlow(graph, 30));
    EXPECT_EQ(Ask(entry, RequestKind::Describe).Find("filters")->Items().size(), 3u);
    // Every connection of the server's is gone once the viewers are.
    EXPECT_TRUE(ProcessEventsUntil([&] { return OpenDescriptors() <= descriptors; }, 10s))
        << OpenDescriptors() << " descriptors open, " << descriptors << " before";
}

TEST_F(GraphViewerTest, ViewersWatchWhileTheGraphStartsStopsAndIsRebuilt) {
    std::atomic<int> replies{0};
    std::atomic<bool> stop{false};
    for (int build = 0; build < 3; ++build) {
        auto graph = std::make_unique<ViewerGraph>();
        ASSERT_EQ(graph->Run(), S_OK);
        const auto entry = OwnEntry();
        std::vector<std::thread> watchers;
        for (int w = 0; w < 2; ++w) {
            watchers.emplace_back([&, entry] {
                try {
                    TGraphConnection connection(entry);
                    connection.Request(RequestKind::Watch, 50ms);
                    std::string line;
                    while (connection.Reply(line, 5000ms, &stop))
                        ++replies;
                } catch (const EGraphUnavailable&) {
                    // the graph was revoked under the watcher: expected at the end of each build
                }
            });
        }
        const int before = replies.load();
        ASSERT_TRUE(ProcessEventsUntil([&] { return replies.load() >= before + 4; }, 10s));
        for (int cycle = 0; cycle < 3; ++cycle) {
            EXPECT_EQ(graph->Stop(), S_OK);
            EXPECT_EQ(graph->Run(), S_OK);
        }
        const int running = replies.load();
        ASSERT_TRUE(ProcessEventsUntil([&] { return replies.load() >= running + 2; }, 10s));
        graph->Stop();
        graph.reset(); // the registration goes with the graph: the watchers see their connections close
        for (auto& watcher : watchers)
            watcher.join();
    }
    EXPECT_GT(replies.load(), 12);
}

} // namespace
