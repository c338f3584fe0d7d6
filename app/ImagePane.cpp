#include "app/ImagePane.h"

#include "platform/media/sources/DeliveredFrame.h"
#include "platform/windows/PostedCall.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QResizeEvent>

#include <algorithm>
#include <cmath>

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

QSize TImagePane::PictureSize() {
    TCanvasLock lock(picture_.Canvas());
    return {picture_.Width(), picture_.Height()};
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
        PostCall(this, [this] { update(); });
}

void TImagePane::paintEvent(QPaintEvent*) {
    repaintPending_.store(false, std::memory_order_release);
    QPainter painter(this);
    bool copied = false;
    int64_t captureTime = 0;
    {
        // The lock is held only for the copy: the streaming thread waits for no drawing.
        TCanvasLock lock(picture_.Canvas());
        copied = CopyShownPicture();
        captureTime = frameCaptureTime_.load(std::memory_order_relaxed);
    }
    if (!copied)
        painter.fillRect(rect(), palette().window());
    else
        painter.drawImage(rect(), shown_);
    if (!note_.isEmpty())
        PaintNote(painter);
    if (!badge_.isEmpty())
        PaintBadge(painter);
    if (copied)
        ++paints_;
    if (copied && captureTime != 0 && captureTime != paintedCaptureTime_) {
        paintedCaptureTime_ = captureTime;
        paintLatency_.Add(MonotonicNanoseconds() - captureTime);
    }
}

void TImagePane::SetNote(const QString& note) {
    if (note == note_)
        return;
    note_ = note;
    update();
}

void TImagePane::SetBadge(const QString& badge) {
    if (badge == badge_)
        return;
    badge_ = badge;
    update();
}

void TImagePane::PaintBadge(QPainter& painter) {
    // Light text on a dark box in the corner, readable over any picture; the dot in red.
    const QFontMetrics metrics(font());
    const int margin = metrics.height() / 4;
    const QString dot = QString::fromUtf8("●");
    const bool recording = badge_.startsWith(dot);
    const QString rest = recording ? badge_.mid(dot.size()) : badge_;
    const int dotWidth = recording ? metrics.horizontalAdvance(dot) : 0;
    const QRect box(margin, margin, dotWidth + metrics.horizontalAdvance(rest) + 2 * margin,
                    metrics.height() + 2 * margin);
    painter.fillRect(box, QColor(0, 0, 0, 160));
    const int baseline = box.top() + margin + metrics.ascent();
    if (recording) {
        painter.setPen(QColor(230, 30, 30));
        painter.drawText(box.left() + margin, baseline, dot);
    }
    painter.setPen(Qt::white);
    painter.drawText(box.left() + margin + dotWidth, baseline, rest);
}

void TImagePane::PaintNote(QPainter& painter) {
    // A band across the pane's foot, over the picture, in the palette's tooltip colours.
    const QFontMetrics metrics(font());
    const int margin = metrics.height() / 2;
    const QRect text = metrics.boundingRect(rect().adjusted(margin, 0, -margin, 0), Qt::TextWordWrap, note_);
    const QRect band(0, height() - text.height() - 2 * margin, width(), text.height() + 2 * margin);
    painter.fillRect(band, palette().toolTipBase());
    painter.setPen(palette().toolTipText().color());
    painter.drawText(band.adjusted(margin, margin, -margin, -margin), Qt::TextWordWrap | Qt::AlignVCenter,
                     note_);
}

bool TImagePane::CopyShownPicture() {
    const int width = picture_.Width();
    const int height = picture_.Height();
    if (picture_.Empty() || width <= 0 || height <= 0 || picture_.PixelFormat() != TPixelFormat::pf24bit)
        return false;
    // A picture larger than the pane is sampled down to the pane's device pixels here, the
    // nearest pixel of each (as the unsmoothed stretch would take it), so that the copy and the
    // drawing handle no more pixels than the pane shows; a smaller one is copied whole.
    const qreal ratio = devicePixelRatioF();
    const int shownWidth = std::clamp(static_cast<int>(std::ceil(this->width() * ratio)), 1, width);
    const int shownHeight = std::clamp(static_cast<int>(std::ceil(this->height() * ratio)), 1, height);
    if (shown_.width() != shownWidth || shown_.height() != shownHeight)
        shown_ = QImage(shownWidth, shownHeight, QImage::Format_BGR888);
    const auto rowAt = [this](int row) { return static_cast<const uint8_t*>(picture_.ScanLine(row)); };
    sampler_.Sample(width, height, 3, rowAt, shown_.bits(), shown_.bytesPerLine(), shownWidth, shownHeight);
    return true;
}
