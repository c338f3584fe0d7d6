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

// Routes the application's error report to error boxes on the GUI thread, whichever thread the
// error came from (a failing frame pass reports on the streaming thread). While a box is open,
// further reports are dropped, so an error repeated on every frame shows one box at a time.
void InstallErrorBoxReport(IDialogs& dialogs, QWidget* owner);
