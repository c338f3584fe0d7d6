#include "app/ImagePane.h"

#include <QImage>
#include <QMetaObject>
#include <QPainter>
#include <QResizeEvent>

TImagePane::TImagePane(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    picture_.OnChange = [this](TBitmap&) {
        hasPicture_.store(true, std::memory_order_relaxed);
        RequestRepaint();
    };
}

TImagePane::~TImagePane() {
    picture_.OnChange = nullptr;
}

TCanvas& TImagePane::Canvas() {
    EnsurePicture();
    return picture_.Canvas();
}

void TImagePane::EnsurePicture() {
    if (!HasPicture()) {
        picture_.SetSize(std::max(1, paneWidth_.load(std::memory_order_relaxed)),
                         std::max(1, paneHeight_.load(std::memory_order_relaxed)));
        hasPicture_.store(true, std::memory_order_relaxed);
    }
}

void TImagePane::resizeEvent(QResizeEvent*) {
    paneWidth_.store(width(), std::memory_order_relaxed);
    paneHeight_.store(height(), std::memory_order_relaxed);
}

void TImagePane::RequestRepaint() {
    // One queued repaint at a time: a burst of frames costs one paint of the newest. Posted, so
    // the streaming thread never waits for the GUI thread; dropped by Qt if the pane is gone.
    if (!repaintPending_.exchange(true, std::memory_order_acq_rel))
        QMetaObject::invokeMethod(
            this, [this] { update(); }, Qt::QueuedConnection);
}

void TImagePane::paintEvent(QPaintEvent*) {
    repaintPending_.store(false, std::memory_order_release);
    QPainter painter(this);
    TCanvasLock lock(picture_.Canvas());
    const int width = picture_.Width();
    const int height = picture_.Height();
    if (picture_.Empty() || width <= 0 || height <= 0 || picture_.PixelFormat() != TPixelFormat::pf24bit) {
        painter.fillRect(rect(), palette().window());
        return;
    }
    // A view of the bitmap's own rows, without a copy. Bottom-up bitmaps are drawn mirrored.
    const bool bottomUp = picture_.ScanLine(0) > picture_.ScanLine(height - 1);
    const uchar* first = picture_.ScanLine(bottomUp ? height - 1 : 0);
    const QImage view(first, width, height, picture_.LineSize(), QImage::Format_BGR888);
    if (bottomUp) {
        painter.translate(0, this->height());
        painter.scale(1, -1);
    }
    painter.drawImage(rect(), view);
    ++paints_;
}
