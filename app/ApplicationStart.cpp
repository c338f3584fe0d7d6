#include "app/ApplicationStart.h"

#include "platform/runtime/Exception.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>

#include <typeinfo>

void LoadPolishTranslations(QApplication& application) {
    auto* translator = new QTranslator(&application);
    if (translator->load("qtbase_pl", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
}

QString ApplicationStartErrorText(const std::exception& error) {
    const auto* known = dynamic_cast<const Exception*>(&error);
    const QString className =
        known ? QString::fromLatin1(known->ClassName()) : QString::fromLatin1(typeid(error).name());
    QString message = QString::fromUtf8(error.what());
    const QString stop = message.endsWith('.') ? QString() : QString(".");
    return QString("Exception %1 in module %2 at %3.\n%4%5")
        .arg(className, QFileInfo(QCoreApplication::applicationFilePath()).fileName(),
             QString::asprintf("%p", static_cast<const void*>(&error)), message, stop);
}

void ShowApplicationStartError(const std::exception& error) {
    QMessageBox box(QMessageBox::Critical, "Application Error", ApplicationStartErrorText(error),
                    QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}
