#pragma once

class QWidget;

// SIGTERM and SIGINT close `window` as its close button does, so that whatever it is doing (a
// film being recorded) is finished properly. The handlers only write the signal to a pipe; the
// event loop reads it and closes the window on the GUI thread. Call once, on the GUI thread,
// with a window that lives until the event loop ends.
void CloseOnQuitSignals(QWidget& window);
