#include "app/ErrorBox.h"

#include "app/Dialogs.h"

#include <QCoreApplication>
#include <QPointer>
#include <QWidget>

#include "platform/runtime/ApplicationErrors.h"
#include "platform/windows/PostedCall.h"

#include <QFileInfo>
#include <stdexcept>
#include <string>

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

void InstallErrorBoxReport(IDialogs& dialogs, QWidget* owner) {
    QPointer<QWidget> window(owner);
    SetApplicationErrorHandler([&dialogs, window](const std::exception& error) {
        const std::string message = error.what();
        PostCall(QCoreApplication::instance(), [&dialogs, window, message] {
            static bool showing = false; // GUI thread only
            if (showing)
                return;
            showing = true;
            ShowErrorBox(dialogs, window.data(), std::runtime_error(message));
            showing = false;
        });
    });
}
