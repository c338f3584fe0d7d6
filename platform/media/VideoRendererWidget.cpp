#include "platform/media/VideoRendererWidget.h"

#include <QPainter>

VideoRendererWidget::VideoRendererWidget(std::shared_ptr<FrameSlot> slot) : slot_(std::move(slot)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
}

void VideoRendererWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QImage& frame = slot_->Take();
    if (frame.isNull()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    painter.drawImage(rect(), frame);
    if (frame.cacheKey() != lastKey_) {
        lastKey_ = frame.cacheKey();
        ++framesPainted_;
    }
}
