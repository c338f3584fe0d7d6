#include "app/Dialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>

void QtDialogs::MessageBox(QWidget* owner, const QString& caption, const QString& text, Icon icon) {
    QMessageBox box(icon == Icon::Error ? QMessageBox::Critical : QMessageBox::Information, caption, text,
                    QMessageBox::Ok, owner);
    box.exec();
}

bool QtDialogs::InputQuery(const QString& caption, const QString& prompt, QString& value) {
    QInputDialog dialog;
    dialog.setWindowTitle(caption);
    dialog.setLabelText(prompt);
    dialog.setTextValue(value);
    dialog.setOkButtonText("OK");
    dialog.setCancelButtonText("Cancel");
    if (auto* edit = dialog.findChild<QLineEdit*>()) {
        edit->setMaxLength(255);
        edit->selectAll();
    }
    if (dialog.exec() != QDialog::Accepted)
        return false;
    value = dialog.textValue();
    return true;
}

bool QtDialogs::OpenPicture(QWidget* owner, QString& fileName) {
    // Qt's own file dialog (rather than the desktop's) shows the chosen picture in its preview.
    QFileDialog dialog(owner);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(
        {QFileDialog::tr("All (*.jpg *.jpeg *.bmp)"), "JPEG (*.jpg *.jpeg)", "Bitmap (*.bmp)"});
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    auto* preview = new QLabel(&dialog);
    preview->setFixedSize(160, 120);
    preview->setAlignment(Qt::AlignCenter);
    QObject::connect(&dialog, &QFileDialog::currentChanged, preview, [preview](const QString& path) {
        const QPixmap picture(path);
        preview->setPixmap(picture.isNull() ? QPixmap()
                                            : picture.scaled(preview->size(), Qt::KeepAspectRatio));
    });
    if (auto* layout = dialog.layout())
        layout->addWidget(preview);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    fileName = dialog.selectedFiles().first();
    return true;
}

bool QtDialogs::ChooseColour(QWidget* owner, QColor& colour) {
    const QColor chosen = QColorDialog::getColor(colour, owner);
    if (!chosen.isValid())
        return false;
    colour = chosen;
    return true;
}
