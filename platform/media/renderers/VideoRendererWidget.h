#pragma once

#include "platform/media/renderers/FrameSlot.h"
#include "platform/windows/WinTypes.h"

#include <QRect>
#include <QWidget>

#include <memory>

// A renderer's drawing surface: paints the newest frame of its slot (or the source part of it)
// over the whole widget, stretched or letter-boxed on black. GUI thread; frames reach the slot
// from the streaming thread, which then posts the widget's window kFrameRepaintMessage.
class VideoRendererWidget : public QWidget {
public:
    explicit VideoRendererWidget(std::shared_ptr<FrameSlot> slot);

    // The number of frames painted so far.
    uint64_t FramesPainted() const { return framesPainted_; }

    // Letter-box the picture rather than stretch it. Off at first.
    void SetKeepAspectRatio(bool keep);
    // The part of the frame to show; an empty rectangle shows the whole frame.
    void SetSource(const QRect& source);

    // The largest rectangle of the picture's proportions centred in `area`.
    static QRect LetterBox(const QSize& picture, const QRect& area);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::shared_ptr<FrameSlot> slot_;
    bool keepAspectRatio_ = false;
    QRect source_;
    uint64_t framesPainted_ = 0;
    qint64 lastKey_ = 0;
};

// The message a renderer posts to its drawing window when a new frame waits in the slot.
inline constexpr UINT kFrameRepaintMessage = WM_USER + 0x2F1;

// GUI thread: makes kFrameRepaintMessage posted to `window` repaint `widget` (the window's own).
void RepaintOnFrameMessage(HWND window, VideoRendererWidget* widget);
