#pragma once

#include <functional>

class QObject;

// Queues `call` to run on the thread of `receiver`; Qt drops it if the receiver goes first. Any
// thread. Every call handed from one thread to another goes through here: Qt's event queue orders
// the posting thread's work before the call, but its lock lives in Qt's own library, which the
// thread sanitizer does not see, so the hand-over is told to the sanitizer here.
void PostCall(QObject* receiver, std::function<void()> call);
