#pragma once

#include <QWidget>

class QAction;
class QBoxLayout;

// "Pełny ekran": the processed picture alone, filling the screen. The pane itself moves into
// this window and back, so it goes on showing every frame (and its note) just as it does in the
// main window. F11 (the menu item's key) enters; F11 or Esc leaves, as does closing. GUI thread.
class TFullScreenView : public QWidget {
public:
    // `pane`: the processed picture's pane, in a box layout of the main window `owner`.
    TFullScreenView(QWidget* pane, QWidget* owner);

    QAction* Action() const { return action_; }
    bool Showing() const { return home_ != nullptr; }
    void Enter();
    void Leave();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* pane_;
    QWidget* owner_;
    QAction* action_;
    // Where the pane came from, while it is here.
    QBoxLayout* home_ = nullptr;
    int homeIndex_ = 0;
    int homeStretch_ = 0;
};
