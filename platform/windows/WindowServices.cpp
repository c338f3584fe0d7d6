#include "platform/windows/WindowServices.h"

#include "platform/runtime/ApplicationErrors.h"
#include "platform/windows/PostedCall.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QVariant>
#include <QWheelEvent>
#include <QWidget>

#include <memory>
#include <mutex>
#include <unordered_map>

namespace {

constexpr const char* kHandleProperty = "tarnolix.hwnd";

// Turns a widget's mouse and keyboard input into messages posted to the drain window.
class DrainFilter : public QObject {
public:
    DrainFilter(HWND source, HWND drain) : source_(source), drain_(drain) {}
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    HWND source_;
    HWND drain_;
};

struct Entry {
    QPointer<QObject> receiver; // delivers posted messages: the widget or the hidden object
    QPointer<QWidget> widget;   // null for hidden message windows
    std::unique_ptr<QObject> hiddenObject;
    std::unique_ptr<DrainFilter> drainFilter;
    std::shared_ptr<WindowProcedure> procedure;
    std::string className;
    std::string title;
    DWORD style = 0;
    DWORD exStyle = 0;
    HWND drain = nullptr;
};

// The process-wide table of live windows, keyed by handle value.
class WindowTable {
public:
    static WindowTable& Instance() {
        static WindowTable table;
        return table;
    }

    HWND Add(std::unique_ptr<Entry> entry) {
        std::lock_guard lock(mutex_);
        const uintptr_t key = nextKey_;
        nextKey_ += 8;
        entries_.emplace(key, std::move(entry));
        return reinterpret_cast<HWND>(key);
    }

    std::unique_ptr<Entry> Remove(HWND window) {
        std::lock_guard lock(mutex_);
        auto it = entries_.find(Key(window));
        if (it == entries_.end())
            return nullptr;
        auto entry = std::move(it->second);
        entries_.erase(it);
        return entry;
    }

    // The entry itself, for the GUI thread, which alone adds and removes widget entries.
    Entry* Find(HWND window) {
        std::lock_guard lock(mutex_);
        auto it = entries_.find(Key(window));
        return it == entries_.end() ? nullptr : it->second.get();
    }

    bool Post(HWND window, const MSG& message);

    std::shared_ptr<WindowProcedure> ProcedureOf(HWND window) {
        std::lock_guard lock(mutex_);
        auto it = entries_.find(Key(window));
        return it == entries_.end() ? nullptr : it->second->procedure;
    }

    void SetProcedure(HWND window, WindowProcedure procedure) {
        std::lock_guard lock(mutex_);
        auto it = entries_.find(Key(window));
        if (it != entries_.end())
            it->second->procedure = std::make_shared<WindowProcedure>(std::move(procedure));
    }

private:
    static uintptr_t Key(HWND window) { return reinterpret_cast<uintptr_t>(window); }

    std::mutex mutex_; // guards entries_ and nextKey_
    std::unordered_map<uintptr_t, std::unique_ptr<Entry>> entries_;
    uintptr_t nextKey_ = 0x10000;
};

void Deliver(const MSG& message) {
    auto procedure = WindowTable::Instance().ProcedureOf(message.hwnd);
    if (!procedure || !*procedure)
        return;
    try {
        (*procedure)(message);
    } catch (...) {
        ReportCurrentException();
    }
}

bool WindowTable::Post(HWND window, const MSG& message) {
    std::lock_guard lock(mutex_);
    auto it = entries_.find(Key(window));
    if (it == entries_.end() || !it->second->receiver)
        return false;
    // Queued to the receiver's thread; Qt discards the call if the receiver dies first.
    PostCall(it->second->receiver.data(), [message] { Deliver(message); });
    return true;
}

Entry* EntryOf(HWND window) {
    return WindowTable::Instance().Find(window);
}

QWidget* ParentWidget(HWND parent) {
    return parent ? WidgetOf(parent) : nullptr;
}

void ApplyStyle(Entry& entry) {
    QWidget* widget = entry.widget;
    if (!widget)
        return;
    Qt::WindowFlags flags = Qt::Widget;
    if (!(entry.style & WS_CHILD) || !widget->parentWidget()) {
        flags = Qt::Window;
        if (!(entry.style & (WS_CAPTION | WS_THICKFRAME)))
            flags |= Qt::FramelessWindowHint;
        if (entry.exStyle & WS_EX_TOPMOST)
            flags |= Qt::WindowStaysOnTopHint;
    }
    if (widget->windowFlags() != flags) {
        const bool visible = widget->isVisible();
        widget->setWindowFlags(flags); // hides the widget
        if (visible)
            widget->show();
    }
}

int MouseKeys(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    int keys = 0;
    if (buttons & Qt::LeftButton)
        keys |= MK_LBUTTON;
    if (buttons & Qt::RightButton)
        keys |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton)
        keys |= MK_MBUTTON;
    if (modifiers & Qt::ShiftModifier)
        keys |= MK_SHIFT;
    if (modifiers & Qt::ControlModifier)
        keys |= MK_CONTROL;
    return keys;
}

UINT ButtonMessage(Qt::MouseButton button, QEvent::Type type) {
    const int offset = type == QEvent::MouseButtonPress ? 0 : type == QEvent::MouseButtonRelease ? 1 : 2;
    switch (button) {
    case Qt::LeftButton:
        return WM_LBUTTONDOWN + offset;
    case Qt::RightButton:
        return WM_RBUTTONDOWN + offset;
    case Qt::MiddleButton:
        return offset == 2 ? WM_NULL : WM_MBUTTONDOWN + offset;
    default:
        return WM_NULL;
    }
}

bool DrainFilter::eventFilter(QObject*, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint at = mouse->position().toPoint();
        PostMessage(drain_, WM_MOUSEMOVE, MouseKeys(mouse->buttons(), mouse->modifiers()),
                    MakeLParam(at.x(), at.y()));
        break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const UINT message = ButtonMessage(mouse->button(), event->type());
        const QPoint at = mouse->position().toPoint();
        if (message != WM_NULL)
            PostMessage(drain_, message, MouseKeys(mouse->buttons(), mouse->modifiers()),
                        MakeLParam(at.x(), at.y()));
        break;
    }
    case QEvent::Wheel: {
        auto* wheel = static_cast<QWheelEvent*>(event);
        const QPoint at = wheel->position().toPoint();
        const auto delta = static_cast<uint16_t>(static_cast<int16_t>(wheel->angleDelta().y()));
        PostMessage(drain_, WM_MOUSEWHEEL,
                    (static_cast<WPARAM>(delta) << 16) | MouseKeys(wheel->buttons(), wheel->modifiers()),
                    MakeLParam(at.x(), at.y()));
        break;
    }
    case QEvent::ContextMenu: {
        // WM_CONTEXTMENU (0x7B) carries the cursor's screen position.
        const QPoint at = static_cast<QContextMenuEvent*>(event)->globalPos();
        PostMessage(drain_, 0x007B, reinterpret_cast<WPARAM>(source_), MakeLParam(at.x(), at.y()));
        break;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        auto* key = static_cast<QKeyEvent*>(event);
        PostMessage(drain_, event->type() == QEvent::KeyPress ? WM_KEYDOWN : WM_KEYUP,
                    static_cast<WPARAM>(key->key()), 1);
        break;
    }
    default:
        break;
    }
    return false;
}

} // namespace

HWND HandleOf(QWidget* widget) {
    if (!widget)
        return nullptr;
    const QVariant stored = widget->property(kHandleProperty);
    if (stored.isValid()) {
        auto window = reinterpret_cast<HWND>(stored.value<quintptr>());
        if (EntryOf(window))
            return window;
    }
    auto entry = std::make_unique<Entry>();
    entry->receiver = widget;
    entry->widget = widget;
    entry->className = widget->metaObject()->className();
    entry->style =
        (widget->isWindow() ? WS_OVERLAPPEDWINDOW : WS_CHILD) | (widget->isVisible() ? WS_VISIBLE : 0);
    HWND window = WindowTable::Instance().Add(std::move(entry));
    widget->setProperty(kHandleProperty, QVariant::fromValue(reinterpret_cast<quintptr>(window)));
    QObject::connect(widget, &QObject::destroyed, [window] { WindowTable::Instance().Remove(window); });
    return window;
}

QWidget* WidgetOf(HWND window) {
    Entry* entry = EntryOf(window);
    return entry ? entry->widget.data() : nullptr;
}

HWND AllocateHWnd(WindowProcedure procedure) {
    auto entry = std::make_unique<Entry>();
    entry->hiddenObject = std::make_unique<QObject>();
    entry->receiver = entry->hiddenObject.get();
    entry->procedure = std::make_shared<WindowProcedure>(std::move(procedure));
    entry->className = "TPUtilWindow";
    return WindowTable::Instance().Add(std::move(entry));
}

void DeallocateHWnd(HWND window) {
    Entry* entry = EntryOf(window);
    if (entry && !entry->widget)
        WindowTable::Instance().Remove(window); // the hidden object dies here, dropping queued calls
}

void SetWindowProcedure(HWND window, WindowProcedure procedure) {
    WindowTable::Instance().SetProcedure(window, std::move(procedure));
}

bool PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return WindowTable::Instance().Post(window, MSG{window, message, wParam, lParam});
}

bool IsWindow(HWND window) {
    return EntryOf(window) != nullptr;
}

HWND CreateWindowEx(DWORD exStyle, const std::string& className, const std::string& title, DWORD style, int x,
                    int y, int width, int height, HWND parent, QWidget* widget) {
    QWidget* parentWidget = ParentWidget(parent);
    if (parent && !parentWidget)
        return nullptr;
    if (!widget)
        widget = new QWidget; // owned by its parent, or deleted by DestroyWindow
    if (style & WS_CHILD)
        widget->setParent(parentWidget);
    HWND window = HandleOf(widget);
    Entry* entry = EntryOf(window);
    entry->className = className;
    entry->title = title;
    entry->style = style;
    entry->exStyle = exStyle;
    widget->setWindowTitle(QString::fromStdString(title));
    ApplyStyle(*entry);
    widget->setGeometry(x, y, width, height);
    if (style & WS_VISIBLE)
        widget->show();
    return window;
}

bool DestroyWindow(HWND window) {
    Entry* entry = EntryOf(window);
    if (!entry)
        return false;
    if (!entry->widget) {
        DeallocateHWnd(window);
        return true;
    }
    // The window owns its widget; its destroyed signal removes the entry.
    std::unique_ptr<QWidget> widget(entry->widget.data());
    widget.reset();
    return true;
}

LONG GetWindowLong(HWND window, int index) {
    Entry* entry = EntryOf(window);
    if (!entry)
        return 0;
    if (index == GWL_STYLE) {
        DWORD style = entry->style & ~WS_VISIBLE;
        if (entry->widget && entry->widget->isVisible())
            style |= WS_VISIBLE;
        return static_cast<LONG>(style);
    }
    return index == GWL_EXSTYLE ? static_cast<LONG>(entry->exStyle) : 0;
}

LONG SetWindowLong(HWND window, int index, LONG value) {
    Entry* entry = EntryOf(window);
    if (!entry)
        return 0;
    const LONG previous = GetWindowLong(window, index);
    if (index == GWL_STYLE)
        entry->style = static_cast<DWORD>(value);
    else if (index == GWL_EXSTYLE)
        entry->exStyle = static_cast<DWORD>(value);
    else
        return 0;
    ApplyStyle(*entry);
    return previous;
}

HWND SetParent(HWND window, HWND parent) {
    Entry* entry = EntryOf(window);
    if (!entry || !entry->widget)
        return nullptr;
    QWidget* widget = entry->widget;
    HWND previous = widget->parentWidget() ? HandleOf(widget->parentWidget()) : nullptr;
    const bool visible = widget->isVisible();
    QWidget* newParent = ParentWidget(parent);
    widget->setParent(newParent, newParent && (entry->style & WS_CHILD) ? Qt::Widget : Qt::Window);
    ApplyStyle(*entry);
    if (visible)
        widget->show();
    return previous;
}

HWND GetParent(HWND window) {
    QWidget* widget = WidgetOf(window);
    return widget && widget->parentWidget() ? HandleOf(widget->parentWidget()) : nullptr;
}

bool SetWindowPos(HWND window, HWND, int x, int y, int width, int height, UINT flags) {
    QWidget* widget = WidgetOf(window);
    if (!widget)
        return false;
    if (!(flags & SWP_NOMOVE))
        widget->move(x, y);
    if (!(flags & SWP_NOSIZE))
        widget->resize(std::max(0, width), std::max(0, height));
    if (flags & SWP_SHOWWINDOW)
        widget->show();
    if (flags & SWP_HIDEWINDOW)
        widget->hide();
    return true;
}

bool MoveWindow(HWND window, int x, int y, int width, int height) {
    return SetWindowPos(window, nullptr, x, y, width, height, SWP_NOZORDER);
}

bool ShowWindow(HWND window, int command) {
    QWidget* widget = WidgetOf(window);
    if (!widget)
        return false;
    const bool wasVisible = widget->isVisible();
    widget->setVisible(command != SW_HIDE);
    return wasVisible;
}

bool IsWindowVisible(HWND window) {
    QWidget* widget = WidgetOf(window);
    return widget && widget->isVisible();
}

bool GetWindowBounds(HWND window, RECT* rect) {
    QWidget* widget = WidgetOf(window);
    if (!widget || !rect)
        return false;
    const QRect g = widget->geometry();
    *rect = {g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
    return true;
}

bool GetClientRect(HWND window, RECT* rect) {
    QWidget* widget = WidgetOf(window);
    if (!widget || !rect)
        return false;
    *rect = {0, 0, widget->width(), widget->height()};
    return true;
}

bool SetWindowText(HWND window, const std::string& text) {
    Entry* entry = EntryOf(window);
    if (!entry)
        return false;
    entry->title = text;
    if (entry->widget)
        entry->widget->setWindowTitle(QString::fromStdString(text));
    return true;
}

std::string GetWindowText(HWND window) {
    Entry* entry = EntryOf(window);
    return entry ? entry->title : std::string();
}

std::string GetClassName(HWND window) {
    Entry* entry = EntryOf(window);
    return entry ? entry->className : std::string();
}

HWND FindWindowEx(HWND parent, HWND childAfter, const std::string& className, const std::string& title) {
    QList<QWidget*> candidates;
    if (parent) {
        QWidget* parentWidget = WidgetOf(parent);
        if (!parentWidget)
            return nullptr;
        candidates = parentWidget->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    } else {
        candidates = QApplication::topLevelWidgets();
    }
    bool passed = childAfter == nullptr;
    for (QWidget* candidate : candidates) {
        const QVariant stored = candidate->property(kHandleProperty);
        if (!stored.isValid())
            continue;
        auto window = reinterpret_cast<HWND>(stored.value<quintptr>());
        Entry* entry = EntryOf(window);
        if (!entry)
            continue;
        if (!passed) {
            passed = window == childAfter;
            continue;
        }
        if ((className.empty() || entry->className == className) && (title.empty() || entry->title == title))
            return window;
    }
    return nullptr;
}

int GetSystemMetrics(int index) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 0;
    switch (index) {
    case SM_CXSCREEN:
        return screen->geometry().width();
    case SM_CYSCREEN:
        return screen->geometry().height();
    default:
        return 0;
    }
}

void SetMessageDrain(HWND window, HWND drain) {
    Entry* entry = EntryOf(window);
    if (!entry || !entry->widget)
        return;
    if (entry->drainFilter) {
        entry->widget->removeEventFilter(entry->drainFilter.get());
        entry->drainFilter.reset();
    }
    entry->drain = drain;
    if (drain) {
        entry->drainFilter = std::make_unique<DrainFilter>(window, drain);
        entry->widget->installEventFilter(entry->drainFilter.get());
    }
}

HWND GetMessageDrain(HWND window) {
    Entry* entry = EntryOf(window);
    return entry ? entry->drain : nullptr;
}
