#pragma once

#include <QColor>
#include <QString>

class QWidget;

// Every box and dialog the main window shows goes through this seam, so that tests can answer
// them without anything blocking. The program uses QtDialogs. GUI thread.
class IDialogs {
public:
    enum class Icon { Information, Error };

    virtual ~IDialogs() = default;
    // A modal message box with one OK button.
    virtual void MessageBox(QWidget* owner, const QString& caption, const QString& text, Icon icon) = 0;
    // A one-line text prompt; true when confirmed, `value` then holds the text.
    virtual bool InputQuery(const QString& caption, const QString& prompt, QString& value) = 0;
    // The open-picture dialog; true when a file was chosen into `fileName`.
    virtual bool OpenPicture(QWidget* owner, QString& fileName) = 0;
    // The colour dialog, starting at `colour`; true when confirmed, `colour` then holds the choice.
    virtual bool ChooseColour(QWidget* owner, QColor& colour) = 0;
};

// The real dialogs, on Qt's widgets.
class QtDialogs final : public IDialogs {
public:
    void MessageBox(QWidget* owner, const QString& caption, const QString& text, Icon icon) override;
    bool InputQuery(const QString& caption, const QString& prompt, QString& value) override;
    bool OpenPicture(QWidget* owner, QString& fileName) override;
    bool ChooseColour(QWidget* owner, QColor& colour) override;
};
