#pragma once

#include "effects/EffectItem.h"
#include "effects/GalleryFeed.h"

#include <QImage>
#include <QRegion>
#include <QString>
#include <QWidget>

#include <array>
#include <atomic>
#include <memory>
#include <vector>

class QAction;
class QTimer;

// "Galeria efektów": a window of its own beside the main window showing the running camera
// through every item of the effects menu at once, live. A grid of thumbnails in the menu's
// order, each with the item's caption, follows the window's size; the checked item is framed,
// and a click on a thumbnail chooses that item just as the menu does. The thumbnails come from
// the gallery's feed (effects/GalleryFeed.h), which the streaming thread offers each processed
// frame. Closing the window unchecks its item in the menu. GUI thread.
class TEffectGallery : public QWidget {
public:
    // `items`: the effects menu's items in menu order. `owner`: the main window; the gallery
    // opens beside it, closes with it and goes with it.
    TEffectGallery(const std::array<QAction*, kEffectItemCount>& items, QWidget* owner);
    ~TEffectGallery() override;

    // The checkable menu item that shows and hides the gallery.
    QAction* Action() const { return action_; }
    // What the streaming thread offers its frames to.
    TGalleryFeed& Feed() { return feed_; }
    // The keying item's background and key colour, as the main pass has them; null for none.
    void SetKeying(const TBitmap* background, TKeyColour key);

    // What the gallery shows, for tests: a tile's caption and place, the framed tile (-1 for
    // none), and the note shown instead of pictures (empty while frames come).
    QString Caption(int tile) const;
    QRect TileRect(int tile) const;
    int FramedTile() const;
    QString Note() const;
    // The thumbnails shown now, or null.
    const TGalleryThumbnails* Shown() const { return shown_.get(); }
    // Sets of thumbnails painted so far.
    int SetsShown() const { return setsShown_; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Show(bool shown);
    void PlaceBesideOwner();
    void LayOut();
    // Frames came within the last moments.
    bool Live() const;
    void CheckLive();
    int TileAt(const QPoint& point) const;
    QRegion PicturesRegion() const;
    const QImage& ShownPicture(const TBitmap& thumbnail, QSize size);
    int Scaled(int design) const;

    std::array<QAction*, kEffectItemCount> items_;
    QWidget* owner_;
    QAction* action_;
    QTimer* liveTimer_;
    bool hasBackground_ = false;
    bool placed_ = false;
    bool live_ = false;
    std::atomic<bool> repaintPending_{false};
    std::unique_ptr<TGalleryThumbnails> shown_;
    int setsShown_ = 0;
    // A thumbnail as drawn, and the thumbnail's columns it samples.
    QImage scaled_;
    std::vector<int> sampledColumns_;
    int sampledOf_ = 0;

    // The grid: columns, the picture's size, a caption line under it and the space between.
    int columns_ = 6;
    QSize picture_{160, 120};
    int captionHeight_ = 0;
    int spacing_ = 0;
    QPoint origin_;

    TGalleryFeed feed_; // last: its worker ends before anything it reports to goes
};
