#include "capture/DirectShowErrors.h"
#include "capture/FilterGraph.h"
#include "capture/FilterList.h"
#include "capture/GraphRegistration.h"
#include "capture/SampleGrabberComponent.h"
#include "capture/VideoWindow.h"

#include "QtTestMain.h"
#include "platform/com/ClassRegistry.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/core/ErrorText.h"
#include "platform/media/pins/MediaFilter.h"
#include "platform/runtime/StandardErrors.h"
#include "platform/windows/WindowServices.h"

#include <QWidget>

#include <gtest/gtest.h>

namespace {

// A filter that refuses to run.
class RefusingFilter final : public MediaFilter<> {
public:
    static ComPtr<IBaseFilter> Create() { return ComPtr<IBaseFilter>::Adopt(new RefusingFilter); }

private:
    RefusingFilter() : MediaFilter(GUID{0x5, 0, 0, {}}) {}
    std::vector<BasePin*> Pins() override { return {}; }
    HRESULT OnRun(REFERENCE_TIME) override { return E_FAIL; }
};

class ComponentEdgeCases : public ::testing::Test {
protected:
    struct Platform {
        Platform() {
            RegisterMediaClasses();
            RegisterQuartzModule();
        }
    };
    Platform platform;
    TComponent form;
};

TEST_F(ComponentEdgeCases, AFailingRunRaisesTheFrameworksTextAndCode) {
    auto& graph = TComponent::Create<TFilterGraph>(form);
    graph.SetActive(true);
    ComPtr<IBaseFilter> refusing = RefusingFilter::Create();
    ASSERT_TRUE(SUCCEEDED(graph.Graph()->AddFilter(refusing.Get(), u"Refusing")));
    try {
        graph.Play();
        FAIL() << "Play should have raised";
    } catch (const EDirectShowException& e) {
        EXPECT_EQ(e.ErrorCode(), E_FAIL);
        EXPECT_EQ(e.Message(), "Nieokreślony błąd ($80004005).");
    }
    TFilterList filters(graph.Graph());
    EXPECT_EQ(filters.Count(), 1);
    EXPECT_EQ(filters.Items(0), refusing.Get());
    EXPECT_THROW(filters.Items(1), EListError);
    filters.Remove(refusing.Get());
    EXPECT_EQ(filters.Count(), 0);
}

TEST_F(ComponentEdgeCases, TwoGraphsRegisterForViewersUnderDifferentNames) {
    auto& first = TComponent::Create<TFilterGraph>(form);
    auto& second = TComponent::Create<TFilterGraph>(form);
    first.SetGraphEdit(true);
    second.SetGraphEdit(true);
    first.SetActive(true);
    second.SetActive(true);
    EXPECT_NE(first.RegistrationCookie(), 0u);
    EXPECT_NE(second.RegistrationCookie(), 0u);
    EXPECT_NE(first.RegistrationCookie(), second.RegistrationCookie());
    EXPECT_NE(GraphViewerName(first.Graph(), 1), GraphViewerName(second.Graph(), 1));
}

TEST_F(ComponentEdgeCases, SamplesWithoutAHandlerAreDroppedQuietly) {
    auto& grabber = TComponent::Create<TSampleGrabber>(form);
    uint8_t byte = 0;
    EXPECT_EQ(grabber.BufferCB(0.0, &byte, 1), S_OK);
}

TEST_F(ComponentEdgeCases, RunWithoutAConnectedRendererPlacesNothing) {
    QWidget parent;
    auto& graph = TComponent::Create<TFilterGraph>(form);
    auto& video = TComponent::Create<TVideoWindow>(form, &parent);
    video.SetName("VideoWindow");
    video.SetFilterGraph(&graph);
    graph.SetActive(true);
    ASSERT_TRUE(video.Query<IBaseFilter>());
    EXPECT_TRUE(graph.Play());
    EXPECT_EQ(video.VideoHandle(), nullptr) << "no renderer window titled after the control";
    graph.Stop();
    graph.SetActive(false);
    EXPECT_EQ(video.VideoHandle(), HandleOf(video.Control()));
}

TEST_F(ComponentEdgeCases, VideoModeFallsBackToTheClassicRendererWithoutTheMixingRenderer) {
    QWidget parent;
    auto& video = TComponent::Create<TVideoWindow>(form, &parent);
    const ClassFactoryFunction mixing = ClassRegistry::Instance().Find(CLSID_VideoMixingRenderer9);
    ASSERT_NE(mixing, nullptr);
    ClassRegistry::Instance().Unregister(CLSID_VideoMixingRenderer9);
    video.SetMode(TVideoMode::vmVMR);
    EXPECT_EQ(video.Mode(), TVideoMode::vmNormal);
    EXPECT_FALSE(TVideoWindow::VMR9Available());
    ClassRegistry::Instance().Register(CLSID_VideoMixingRenderer9, mixing);
    video.SetMode(TVideoMode::vmVMR);
    EXPECT_EQ(video.Mode(), TVideoMode::vmVMR);
}

} // namespace
