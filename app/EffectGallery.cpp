#include "app/EffectGallery.h"

#include "platform/graphics/NearestSampler.h"
#include "platform/windows/PostedCall.h"

#include <QAction>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QToolTip>

#include <algorithm>
#include <chrono>

namespace {

// The window's first size at 96 pixels per inch, and the gap to the main window.
constexpr int kDesignWidth = 640;
constexpr int kDesignHeight = 400;
constexpr int kDesignGap = 8;
// Without frames for this long the camera counts as stopped.
constexpr std::chrono::milliseconds kLiveFor{1500};

// The caption in at most two lines of the given width, broken between words. Where the rest
// does not fit the second line, its middle gives way, since items that share their first words
// differ at the end ("Odcienie szarości (R)", "(G)", "(B)").
QString TwoLines(const QFontMetrics& metrics, const QString& caption, int width) {
    const QStringList words = caption.split(' ');
    QString first = words[0];
    qsizetype next = 1;
    while (next < words.size() && metrics.horizontalAdvance(first + ' ' + words[next]) <= width)
        first += ' ' + words[next++];
    const QString rest = words.mid(next).join(' ');
    first = metrics.elidedText(first, Qt::ElideRight, width);
    return rest.isEmpty() ? first : first + '\n' + metrics.elidedText(rest, Qt::ElideMiddle, width);
}

} // namespace

TEffectGallery::TEffectGallery(const std::array<QAction*, kEffectItemCount>& items, QWidget* owner)
    : QWidget(owner, Qt::Window), items_(items), owner_(owner),
      action_(new QAction(QString::fromUtf8("Galeria efektów"), this)), liveTimer_(new QTimer(this)),
      feed_([this] {
          // One queued repaint at a time; posted, so the worker never waits for the GUI thread.
          if (!repaintPending_.exchange(true, std::memory_order_acq_rel))
              PostCall(this, [this] { update(PicturesRegion()); });
      }) {
    setObjectName("EffectGallery");
    setWindowTitle(QString::fromUtf8("Galeria efektów"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    action_->setObjectName("GaleriaEfektow1");
    action_->setCheckable(true);
    connect(action_, &QAction::toggled, this, [this](bool checked) { Show(checked); });
    for (QAction* item : items_)
        connect(item, &QAction::changed, this, [this] { update(); });
    liveTimer_->setInterval(500);
    connect(liveTimer_, &QTimer::timeout, this, [this] { CheckLive(); });
    owner_->installEventFilter(this);
}

TEffectGallery::~TEffectGallery() {
    feed_.Close();
}

void TEffectGallery::Show(bool shown) {
    if (!shown) {
        hide();
        liveTimer_->stop();
        feed_.Close();
        shown_.reset();
        return;
    }
    feed_.Open();
    liveTimer_->start();
    if (!placed_)
        PlaceBesideOwner();
    show();
    raise();
}

bool TEffectGallery::eventFilter(QObject* watched, QEvent* event) {
    // The gallery closes with the main window.
    if (watched == owner_ && event->type() == QEvent::Close)
        action_->setChecked(false);
    return QWidget::eventFilter(watched, event);
}

void TEffectGallery::closeEvent(QCloseEvent* event) {
    action_->setChecked(false);
    event->accept();
}

int TEffectGallery::Scaled(int design) const {
    const double scale = logicalDpiX() > 0 ? logicalDpiX() / 96.0 : 1.0;
    return static_cast<int>(design * scale + 0.5);
}

void TEffectGallery::PlaceBesideOwner() {
    // To the right of the main window where the screen has room, else to its left.
    placed_ = true;
    resize(Scaled(kDesignWidth), Scaled(kDesignHeight));
    const QRect main = owner_->frameGeometry();
    const QScreen* screen = owner_->screen() ? owner_->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const int gap = Scaled(kDesignGap);
    const int frame = frameGeometry().width() - width(); // what the window manager adds
    int x = main.right() + 1 + gap;
    if (x + width() + frame > area.right() + 1 && main.left() - gap - width() - frame >= area.left())
        x = main.left() - gap - width() - frame;
    move(std::clamp(x, area.left(), std::max(area.left(), area.right() + 1 - width() - frame)), main.top());
}

void TEffectGallery::SetKeying(const TBitmap* background, TKeyColour key) {
    hasBackground_ = background && !background->Empty();
    feed_.SetKeying(background, key);
    update();
}

QString TEffectGallery::Caption(int tile) const {
    QString caption = items_[static_cast<size_t>(tile)]->text();
    if (static_cast<TEffectItem>(tile) == TEffectItem::Nakadanieta1 && !hasBackground_)
        caption += QString::fromUtf8(" (wybierz tło)");
    return caption;
}

int TEffectGallery::FramedTile() const {
    for (int tile = 0; tile < kEffectItemCount; ++tile)
        if (items_[static_cast<size_t>(tile)]->isChecked())
            return tile;
    return -1;
}

QString TEffectGallery::Note() const {
    return live_ ? QString()
                 : QString::fromUtf8("Żadna kamera nie przesyła obrazu. Wybierz kamerę w menu „Urządzenia”.");
}

bool TEffectGallery::Live() const {
    const int64_t last = feed_.LastFrameTime();
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return last != 0 && now - std::chrono::nanoseconds(last) < kLiveFor;
}

void TEffectGallery::CheckLive() {
    if (Live() != live_)
        update(); // the note comes or goes over the whole window
}

void TEffectGallery::LayOut() {
    // The column count that gives the largest pictures at the thumbnails' aspect.
    const QSize aspect = shown_ && !shown_->pictures[0].Empty()
                             ? QSize(shown_->pictures[0].Width(), shown_->pictures[0].Height())
                             : QSize(4, 3);
    spacing_ = Scaled(6);
    captionHeight_ = 2 * QFontMetrics(font()).lineSpacing() + Scaled(2);
    int best = 0;
    for (int columns = 1; columns <= kEffectItemCount; ++columns) {
        const int rows = (kEffectItemCount + columns - 1) / columns;
        const int byWidth = (width() - spacing_ * (columns + 1)) / columns;
        const int byHeight = ((height() - spacing_ * (rows + 1)) / rows - captionHeight_) * aspect.width() /
                             std::max(1, aspect.height());
        const int pictureWidth = std::min(byWidth, byHeight);
        if (pictureWidth > best) {
            best = pictureWidth;
            columns_ = columns;
        }
    }
    best = std::max(best, 1);
    picture_ = QSize(best, std::max(1, best * aspect.height() / std::max(1, aspect.width())));
    const int rows = (kEffectItemCount + columns_ - 1) / columns_;
    const int gridWidth = columns_ * picture_.width() + (columns_ - 1) * spacing_;
    const int gridHeight = rows * (picture_.height() + captionHeight_) + (rows - 1) * spacing_;
    origin_ = QPoint((width() - gridWidth) / 2, (height() - gridHeight) / 2);
}

QRect TEffectGallery::TileRect(int tile) const {
    const int column = tile % columns_;
    const int row = tile / columns_;
    return QRect(origin_.x() + column * (picture_.width() + spacing_),
                 origin_.y() + row * (picture_.height() + captionHeight_ + spacing_), picture_.width(),
                 picture_.height() + captionHeight_);
}

int TEffectGallery::TileAt(const QPoint& point) const {
    for (int tile = 0; tile < kEffectItemCount; ++tile)
        if (TileRect(tile).contains(point))
            return tile;
    return -1;
}

bool TEffectGallery::event(QEvent* event) {
    // The whole caption where the tile's lines cut it short.
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int tile = TileAt(help->pos());
        QString tip = tile >= 0 ? items_[static_cast<size_t>(tile)]->text() : QString();
        if (tile == static_cast<int>(TEffectItem::Nakadanieta1) && !hasBackground_)
            tip += QString::fromUtf8("\nNajpierw trzeba wybrać tło: kliknij, a program o nie zapyta.");
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, this, TileRect(tile));
        return true;
    }
    return QWidget::event(event);
}

void TEffectGallery::resizeEvent(QResizeEvent*) {
    LayOut();
}

void TEffectGallery::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    // As choosing the item in the menu: a checked item chosen again is unchecked, and the
    // keying item asks for its picture.
    if (const int tile = TileAt(event->position().toPoint()); tile >= 0)
        items_[static_cast<size_t>(tile)]->trigger();
}

const QImage& TEffectGallery::ShownPicture(const TBitmap& thumbnail, QSize size) {
    // Sampled to the shown size in the window's own pixel format, so that drawing it is a plain
    // copy: drawn scaled, the raster engine would first convert the whole thumbnail.
    if (scaled_.size() != size)
        scaled_ = QImage(size, QImage::Format_RGB32);
    if (sampledColumns_.size() != static_cast<size_t>(size.width()) || sampledOf_ != thumbnail.Width()) {
        sampledColumns_.resize(static_cast<size_t>(size.width()));
        for (int x = 0; x < size.width(); ++x)
            sampledColumns_[static_cast<size_t>(x)] =
                3 * TNearestSampler::Nearest(x, size.width(), thumbnail.Width());
        sampledOf_ = thumbnail.Width();
    }
    for (int y = 0; y < size.height(); ++y) {
        const uint8_t* from =
            thumbnail.ScanLine(TNearestSampler::Nearest(y, size.height(), thumbnail.Height()));
        auto* to = reinterpret_cast<QRgb*>(scaled_.scanLine(y));
        for (const int column : sampledColumns_)
            *to++ = qRgb(from[column + 2], from[column + 1], from[column]);
    }
    return scaled_;
}

QRegion TEffectGallery::PicturesRegion() const {
    QRegion pictures;
    for (int tile = 0; tile < kEffectItemCount; ++tile)
        pictures += QRect(TileRect(tile).topLeft(), picture_);
    return pictures;
}

void TEffectGallery::paintEvent(QPaintEvent* event) {
    repaintPending_.store(false, std::memory_order_release);
    live_ = Live();
    if (!live_)
        shown_.reset(); // the last pictures are no longer the camera's
    const QSize before = shown_ ? QSize(shown_->pictures[0].Width(), shown_->pictures[0].Height()) : QSize();
    if (live_ && feed_.TakeThumbnails(shown_)) {
        ++setsShown_;
        if (QSize(shown_->pictures[0].Width(), shown_->pictures[0].Height()) != before) {
            LayOut(); // thumbnails of another aspect: the whole window again
            update();
        }
    }
    // A new set repaints the pictures alone; the captions and the frame only when asked for.
    const QRegion& region = event->region();
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    const int framed = FramedTile();
    const QFontMetrics metrics(font());
    for (int tile = 0; tile < kEffectItemCount; ++tile) {
        const QRect cell = TileRect(tile);
        const QRect picture(cell.topLeft(), picture_);
        const TBitmap* thumbnail = shown_ ? &shown_->pictures[static_cast<size_t>(tile)] : nullptr;
        if (live_ && thumbnail && !thumbnail->Empty()) {
            if (region.intersects(picture))
                painter.drawImage(picture.topLeft(), ShownPicture(*thumbnail, picture.size()));
        } else {
            painter.fillRect(picture, palette().dark());
        }
        const int pen = Scaled(3);
        const QRect frame = cell.adjusted(-pen / 2 - 1, -pen / 2 - 1, pen / 2 + 1, pen / 2 + 1);
        if (tile == framed && !region.intersected(frame.adjusted(-pen, -pen, pen, pen)).isEmpty()) {
            painter.setPen(
                QPen(palette().highlight().color(), pen, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
            painter.drawRect(frame);
        }
        const QRect text(cell.left(), picture.bottom() + 1, cell.width(), captionHeight_);
        if (region.intersects(text)) {
            painter.setPen(palette().windowText().color());
            painter.drawText(text, Qt::AlignHCenter | Qt::AlignTop,
                             TwoLines(metrics, Caption(tile), cell.width()));
        }
    }
    if (!live_) {
        // A band across the middle, in the palette's tooltip colours, as the pane's notes are.
        const int margin = metrics.height() / 2;
        const QRect bounds =
            metrics.boundingRect(rect().adjusted(margin, 0, -margin, 0), Qt::TextWordWrap, Note());
        const QRect band(0, (height() - bounds.height()) / 2 - margin, width(), bounds.height() + 2 * margin);
        painter.fillRect(band, palette().toolTipBase());
        painter.setPen(palette().toolTipText().color());
        painter.drawText(band.adjusted(margin, margin, -margin, -margin), Qt::TextWordWrap | Qt::AlignCenter,
                         Note());
    }
}
