#pragma once

#include "platform/media/FrameSlot.h"

#include <QWidget>

#include <memory>

// The video renderer's own window: paints the newest frame of its slot, scaled to the whole
// window. GUI thread; frames reach the slot from the streaming thread, which then posts the
// window a repaint message.
class VideoRendererWidget : public QWidget {
public:
    explicit VideoRendererWidget(std::shared_ptr<FrameSlot> slot);

    // The number of frames painted so far.
    uint64_t FramesPainted() const { return framesPainted_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::shared_ptr<FrameSlot> slot_;
    uint64_t framesPainted_ = 0;
    qint64 lastKey_ = 0;
};
