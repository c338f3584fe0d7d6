#include "platform/windows/PostedCall.h"

#include <QMetaObject>
#include <QObject>

#if defined(__SANITIZE_THREAD__)
extern "C" {
void __tsan_acquire(void* address);
void __tsan_release(void* address);
void __tsan_ignore_thread_begin();
void __tsan_ignore_thread_end();
}
#endif

namespace {

#if defined(__SANITIZE_THREAD__)
char queue; // stands for Qt's posted-event queue: released before a call is queued, acquired before it runs
void Queued() {
    __tsan_release(&queue);
}
void Dequeued() {
    __tsan_acquire(&queue);
}
// Qt keeps the call in a slot object made here and freed by whichever thread lets go of it last,
// ordered by a reference count inside Qt: the slot object's own memory is kept out of sight.
struct SlotObjectUnseen {
    SlotObjectUnseen() { __tsan_ignore_thread_begin(); }
    ~SlotObjectUnseen() { __tsan_ignore_thread_end(); }
};
#else
void Queued() {}
void Dequeued() {}
struct SlotObjectUnseen {};
#endif

} // namespace

void PostCall(QObject* receiver, std::function<void()> call) {
    Queued();
    [[maybe_unused]] const SlotObjectUnseen unseen; // an empty scope without the thread sanitizer
    QMetaObject::invokeMethod(
        receiver,
        [call = std::move(call)] {
            Dequeued();
            call();
        },
        Qt::QueuedConnection);
}
