#pragma once

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/NearestSampler.h"
#include "platform/runtime/LatencyStats.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <QWidget>

#include <atomic>

// The image pane that shows the processed picture: it draws its bitmap stretched to its whole
// area. The bitmap is the frame bitmap: the streaming thread replaces and processes it under the
// bitmap's canvas lock, and every replacement asks the pane (from whatever thread) to repaint;
// painting takes the same lock while it reads the picture. GUI thread, except RequestRepaint.
class QPainter;

class TImagePane : public QWidget {
public:
    explicit TImagePane(QWidget* parent = nullptr);
    ~TImagePane() override;

    // The pane's picture. Asking for the drawing surface (Canvas) while the pane holds no
    // picture first gives it a blank bitmap of the pane's own size.
    TBitmap& Picture() { return picture_; }
    // The picture's size, read under its lock, so any thread may ask while frames arrive.
    QSize PictureSize();
    TCanvas& Canvas();
    // Gives the pane a blank picture of its own size when it holds none.
    void EnsurePicture();
    // True once the pane holds a picture (even one of no pixels).
    bool HasPicture() const { return hasPicture_.load(std::memory_order_relaxed); }

    // How many times the pane painted a picture (for tests and the benchmark).
    int Paints() const { return paints_; }
    // Streaming thread, under the picture's lock: the camera's time stamp (CLOCK_MONOTONIC
    // nanoseconds) of the frame now in the picture, 0 for none.
    void SetFrameCaptureTime(int64_t captureTime) {
        frameCaptureTime_.store(captureTime, std::memory_order_relaxed);
    }
    // From each frame's time stamp to the end of the first paint that shows it; any thread.
    const LatencyStats& PaintLatency() const { return paintLatency_; }

    // A line of text shown over the foot of the pane, above whatever picture it holds; an
    // empty one shows none.
    void SetNote(const QString& note);
    const QString& Note() const { return note_; }
    // A short text in the pane's top left corner, over the picture and beside any note (the
    // recording's time); a leading "●" is drawn red. An empty one shows none.
    void SetBadge(const QString& badge);
    const QString& Badge() const { return badge_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void RequestRepaint();
    // Copies the picture, sampled down to the pane's size where larger, into shown_; false
    // when there is no 24-bit picture to show. Under the canvas lock.
    bool CopyShownPicture();
    void PaintNote(QPainter& painter);
    void PaintBadge(QPainter& painter);

    // The pane's size, for the streaming thread's blank picture.
    std::atomic<int> paneWidth_{0};
    std::atomic<int> paneHeight_{0};

    TBitmap picture_;
    std::atomic<bool> hasPicture_{false};
    std::atomic<bool> repaintPending_{false};
    int paints_ = 0;
    std::atomic<int64_t> frameCaptureTime_{0};
    int64_t paintedCaptureTime_ = 0; // the GUI thread's: the frame painted last
    LatencyStats paintLatency_;
    QString note_;
    QString badge_;
    // The GUI thread's copy of what the pane shows, and how it is sampled from the picture.
    QImage shown_;
    TNearestSampler sampler_;
};
