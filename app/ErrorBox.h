#pragma once

#include <QString>

#include <exception>

class IDialogs;
class QWidget;

// The title of error boxes: the program file's name up to its first full stop.
QString ErrorBoxTitle();

// The text of an error box: the message, with a full stop appended when its last character
// comes after the full stop in the character table (letters and digits do).
QString ErrorBoxText(const QString& message);

// Shows an error that ended a command, with the error icon. Never throws.
void ShowErrorBox(IDialogs& dialogs, QWidget* owner, const std::exception& error) noexcept;
