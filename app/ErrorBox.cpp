#include "app/ErrorBox.h"

#include "app/Dialogs.h"

#include <QCoreApplication>
#include <QFileInfo>

QString ErrorBoxTitle() {
    const QString name = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    const qsizetype dot = name.indexOf('.');
    return dot < 0 ? name : name.left(dot);
}

QString ErrorBoxText(const QString& message) {
    if (!message.isEmpty() && message.back() > QChar('.'))
        return message + '.';
    return message;
}

void ShowErrorBox(IDialogs& dialogs, QWidget* owner, const std::exception& error) noexcept {
    try {
        dialogs.MessageBox(owner, ErrorBoxTitle(), ErrorBoxText(QString::fromUtf8(error.what())),
                           IDialogs::Icon::Error);
    } catch (...) {
        // Nothing more can be shown; the program goes on.
    }
}
