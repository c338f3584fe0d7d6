#include "app/FullScreenView.h"

#include <QAction>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QKeyEvent>

TFullScreenView::TFullScreenView(QWidget* pane, QWidget* owner)
    : QWidget(owner, Qt::Window), pane_(pane), owner_(owner),
      action_(new QAction(QString::fromUtf8("Pełny ekran"), this)) {
    setObjectName("FullScreenView");
    setWindowTitle("Tarnolix");
    setFocusPolicy(Qt::StrongFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    action_->setObjectName("PelnyEkran1");
    action_->setShortcut(QKeySequence(Qt::Key_F11));
    connect(action_, &QAction::triggered, this, [this] { Showing() ? Leave() : Enter(); });
    owner_->installEventFilter(this);
}

bool TFullScreenView::eventFilter(QObject* watched, QEvent* event) {
    // The pane goes home when the main window closes.
    if (watched == owner_ && event->type() == QEvent::Close)
        Leave();
    return QWidget::eventFilter(watched, event);
}

void TFullScreenView::Enter() {
    auto* home = pane_->parentWidget() ? qobject_cast<QBoxLayout*>(pane_->parentWidget()->layout()) : nullptr;
    if (Showing() || !home)
        return;
    home_ = home;
    homeIndex_ = home->indexOf(pane_);
    homeStretch_ = home->stretch(homeIndex_);
    home->removeWidget(pane_);
    layout()->addWidget(pane_);
    pane_->show();
    setScreen(owner_->screen());
    showFullScreen();
    activateWindow();
    setFocus();
}

void TFullScreenView::Leave() {
    if (!Showing())
        return;
    layout()->removeWidget(pane_);
    home_->insertWidget(homeIndex_, pane_, homeStretch_);
    pane_->show();
    home_ = nullptr;
    hide();
    owner_->activateWindow();
}

void TFullScreenView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F11 || event->key() == Qt::Key_Escape)
        Leave();
    else
        QWidget::keyPressEvent(event);
}

void TFullScreenView::closeEvent(QCloseEvent* event) {
    Leave();
    event->accept();
}
