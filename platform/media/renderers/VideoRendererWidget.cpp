#include "platform/media/renderers/VideoRendererWidget.h"

#include "platform/windows/WindowServices.h"

#include <QPainter>
#include <QPointer>
#include <QtMath>

VideoRendererWidget::VideoRendererWidget(std::shared_ptr<FrameSlot> slot) : slot_(std::move(slot)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
}

void VideoRendererWidget::SetKeepAspectRatio(bool keep) {
    if (keep != keepAspectRatio_) {
        keepAspectRatio_ = keep;
        update();
    }
}

void VideoRendererWidget::SetSource(const QRect& source) {
    if (source != source_) {
        source_ = source;
        update();
    }
}

QRect VideoRendererWidget::LetterBox(const QSize& picture, const QRect& area) {
    if (picture.isEmpty() || area.isEmpty())
        return area;
    const int64_t pictureWidth = picture.width(), pictureHeight = picture.height();
    int width = area.width(), height = area.height();
    if (pictureWidth * height <= pictureHeight * width) // the area is wider: bars left and right
        width = static_cast<int>(pictureWidth * height / pictureHeight);
    else
        height = static_cast<int>(pictureHeight * width / pictureWidth);
    return QRect(area.left() + (area.width() - width) / 2, area.top() + (area.height() - height) / 2, width,
                 height);
}

void VideoRendererWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QImage& frame = slot_->Take();
    if (frame.isNull()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    // The image may be the frame sampled down for an earlier paint: the source part is taken in
    // the frame's own coordinates and mapped onto the image.
    const QSize frameSize = slot_->TakenFrameSize();
    const QRect whole(QPoint(0, 0), frameSize);
    const QRect source = source_.isEmpty() ? whole : source_.intersected(whole);
    const QRect target = keepAspectRatio_ ? LetterBox(source.size(), rect()) : rect();
    if (target != rect())
        painter.fillRect(rect(), Qt::black);
    if (frame.size() == frameSize) {
        painter.drawImage(target, frame, source);
    } else {
        const qreal across = qreal(frame.width()) / frameSize.width();
        const qreal down = qreal(frame.height()) / frameSize.height();
        painter.drawImage(
            QRectF(target), frame,
            QRectF(source.x() * across, source.y() * down, source.width() * across, source.height() * down));
    }
    // Later frames are sampled down to the device pixels that show them, when the whole frame is
    // shown; a part of it is kept at the frame's own resolution.
    const qreal ratio = devicePixelRatioF();
    slot_->SetShownSize(
        source_.isEmpty() ? QSize(qCeil(target.width() * ratio), qCeil(target.height() * ratio)) : QSize());
    if (frame.cacheKey() != lastKey_) {
        lastKey_ = frame.cacheKey();
        ++framesPainted_;
    }
}

void RepaintOnFrameMessage(HWND window, VideoRendererWidget* widget) {
    SetWindowProcedure(window, [target = QPointer<QWidget>(widget)](const MSG& message) {
        if (message.message == kFrameRepaintMessage && target)
            target->update();
    });
}
