#pragma once

#include <exception>

class QApplication;
class QString;

// Loads Qt's Polish translations, so that the standard dialogs speak Polish.
void LoadPolishTranslations(QApplication& application);

// The last-chance box for an error while the main window's components are made:
// "Application Error", "Exception <class> in module <module> at <address>.\n<message>[.]".
void ShowApplicationStartError(const std::exception& error);
// The box's text.
QString ApplicationStartErrorText(const std::exception& error);
