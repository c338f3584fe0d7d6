#include "platform/runtime/Component.h"

#include "platform/runtime/StandardErrors.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records what happens to it in a shared journal.
class Recorder : public TComponent {
public:
    Recorder(TComponent* owner, std::string name, std::vector<std::string>& journal)
        : TComponent(owner), journal_(journal) {
        SetName(std::move(name));
    }
    ~Recorder() override { journal_.push_back("free " + Name()); }

    TComponent* watched = nullptr;

protected:
    void Notification(TComponent* component, TOperation operation) override {
        if (operation == TOperation::opRemove && component == watched) {
            journal_.push_back(Name() + " forgets " + component->Name());
            watched = nullptr;
        }
    }

private:
    std::vector<std::string>& journal_;
};

TEST(Component, OwnerFreesItsComponentsLastCreatedFirst) {
    std::vector<std::string> journal;
    {
        TComponent form;
        auto& graph = TComponent::Create<Recorder>(form, "FilterGraph", journal);
        auto& grabber = TComponent::Create<Recorder>(form, "SampleGrabber", journal);
        grabber.watched = &graph;
        EXPECT_EQ(form.ComponentCount(), 2);
        EXPECT_EQ(form.FindComponent("SampleGrabber"), &grabber);
        EXPECT_EQ(form.FindComponent("Nothing"), nullptr);
        EXPECT_EQ(grabber.Owner(), &form);
        EXPECT_THROW(form.Components(2), EListError);
    }
    EXPECT_EQ(journal, (std::vector<std::string>{"free SampleGrabber", "free FilterGraph"}));
}

TEST(Component, SiblingsHearOfARemovalBeforeItIsFreed) {
    std::vector<std::string> journal;
    TComponent form;
    auto& graph = TComponent::Create<Recorder>(form, "FilterGraph", journal);
    auto& grabber = TComponent::Create<Recorder>(form, "SampleGrabber", journal);
    grabber.watched = &graph;
    form.FreeComponent(&graph);
    EXPECT_EQ(journal, (std::vector<std::string>{"SampleGrabber forgets FilterGraph", "free FilterGraph"}));
    EXPECT_EQ(form.ComponentCount(), 1);
}

TEST(Component, FreeNotificationLinksComponentsOfDifferentOwners) {
    std::vector<std::string> journal;
    TComponent ownerA;
    auto other = std::make_unique<TComponent>();
    auto& watcher = TComponent::Create<Recorder>(ownerA, "Watcher", journal);
    auto& watched = TComponent::Create<Recorder>(*other, "Watched", journal);
    watcher.watched = &watched;
    watcher.FreeNotification(&watched);
    other.reset();
    EXPECT_EQ(journal, (std::vector<std::string>{"free Watched", "Watcher forgets Watched"}));
}

TEST(Component, RemovedFreeNotificationIsSilent) {
    std::vector<std::string> journal;
    TComponent ownerA;
    auto other = std::make_unique<TComponent>();
    auto& watcher = TComponent::Create<Recorder>(ownerA, "Watcher", journal);
    auto& watched = TComponent::Create<Recorder>(*other, "Watched", journal);
    watcher.watched = &watched;
    watcher.FreeNotification(&watched);
    watcher.RemoveFreeNotification(&watched);
    other.reset();
    EXPECT_EQ(journal, (std::vector<std::string>{"free Watched"}));
}

} // namespace
