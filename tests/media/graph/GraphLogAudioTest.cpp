#include "platform/com/ClassRegistry.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/core/GraphInterfaces.h"
#include "tests/media/support/GraphTestFilters.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

ComPtr<IFilterGraph2> NewGraph() {
    RegisterMediaClasses();
    ComPtr<IFilterGraph2> graph;
    EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterGraph2,
                               graph.ReceiveVoid()),
              S_OK);
    return graph;
}

std::vector<std::string> Lines(int fd) {
    std::string text;
    char buffer[4096];
    lseek(fd, 0, SEEK_SET);
    ssize_t got;
    while ((got = read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<size_t>(got));
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

TEST(GraphLog, OneLinePerOperationUntilTheLogIsStopped) {
    auto graph = NewGraph();
    FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    const int fd = fileno(file);
    ASSERT_EQ(graph->SetLogFile(static_cast<DWORD_PTR>(fd)), S_OK);

    const GUID video{0xA, 0, 0, {}};
    auto journal = std::make_shared<Journal>();
    JournalFilter* source = nullptr;
    JournalFilter* sink = nullptr;
    auto sourceFilter = JournalFilter::Create(journal, {"source", {}, {video}}, &source);
    auto sinkFilter = JournalFilter::Create(journal, {"sink", {video}, {}}, &sink);
    graph->AddFilter(sourceFilter.Get(), u"Źródło");
    graph->AddFilter(sinkFilter.Get(), u"sink");
    graph->ConnectDirect(&source->Output(), &sink->Input(), nullptr);
    auto control = graph.As<IMediaControl>();
    control->Run();
    control->Stop();
    ASSERT_EQ(graph->SetLogFile(0), S_OK);
    graph->RemoveFilter(sinkFilter.Get());

    const auto lines = Lines(fd);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "AddFilter \"Źródło\": S_OK");
    EXPECT_EQ(lines[1], "AddFilter \"sink\": S_OK");
    EXPECT_EQ(lines[2], "ConnectDirect \"Źródło\" -> \"sink\": S_OK");
    EXPECT_EQ(lines[3], "Run: S_OK");
    EXPECT_EQ(lines[4], "Stop: S_OK");
    std::fclose(file);
}

TEST(GraphLog, FailuresAreLoggedWithTheirCode) {
    auto graph = NewGraph();
    FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    graph->SetLogFile(static_cast<DWORD_PTR>(fileno(file)));
    auto journal = std::make_shared<Journal>();
    auto filter = JournalFilter::Create(journal, {"x", {GUID{1, 0, 0, {}}}, {}});
    graph->RemoveFilter(filter.Get());
    graph->SetLogFile(0);
    const auto lines = Lines(fileno(file));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "RemoveFilter \"\": 0x80040216");
    std::fclose(file);
}

TEST(GraphAudio, VolumeAndBalanceAreKeptWithinTheirRanges) {
    auto audio = NewGraph().As<IBasicAudio>();
    ASSERT_TRUE(audio);
    int32_t value = 1;
    EXPECT_EQ(audio->get_Volume(&value), S_OK);
    EXPECT_EQ(value, 0) << "full volume at start";
    EXPECT_EQ(audio->put_Volume(-752), S_OK);
    EXPECT_EQ(audio->put_Volume(1), E_INVALIDARG);
    EXPECT_EQ(audio->put_Volume(-10001), E_INVALIDARG);
    audio->get_Volume(&value);
    EXPECT_EQ(value, -752);
    EXPECT_EQ(audio->put_Balance(-10000), S_OK);
    EXPECT_EQ(audio->put_Balance(10001), E_INVALIDARG);
    audio->get_Balance(&value);
    EXPECT_EQ(value, -10000);
}

} // namespace
