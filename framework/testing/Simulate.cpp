#include "framework/testing/Simulate.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QWindow>
// The window system's event queue is not public API. Tests need it for the
// one thing nothing else gives: input that waits in the queue the way a
// user's click does while the program is busy.
#include <qpa/qwindowsysteminterface.h>

#include <algorithm>

#include "framework/Controls.h"
#include "framework/Window.h"
#include "framework/qt/ControlBackend.h"
#include "framework/qt/Internal.h"
#include "framework/qt/WindowBackend.h"

namespace fw::testing {
namespace {

using detail::ToUtf8;

QWidget* WidgetOf(RectControl& control) { return control.GetBackend().widget; }
QWidget* TopOf(Window& window) { return window.GetBackend().widget; }
QTableView* ViewOf(Listbox& list) { return qobject_cast<QTableView*>(WidgetOf(list)); }

// The control's window handle and the control's centre in its coordinates.
QWindow* HandleAndCentre(RectControl& control, QPoint& centre) {
    QWidget* widget = WidgetOf(control);
    if (!widget || !widget->isVisible()) return nullptr;
    QWidget* top = widget->window();
    centre = widget->mapTo(top, widget->rect().center());
    return top->windowHandle();
}

void Activate(Window& window) {
    QWidget* top = TopOf(window);
    if (!top || !top->isVisible() || top->isActiveWindow()) return;
    top->activateWindow();
    ProcessEvents();
    if (!top->isActiveWindow()) {
        QT_WARNING_PUSH
        QT_WARNING_DISABLE_DEPRECATED
        QApplication::setActiveWindow(top);
        QT_WARNING_POP
    }
}

Qt::Key QtKey(Key key) {
    switch (key) {
    case Key::Return:
        return Qt::Key_Return;
    case Key::Enter:
        return Qt::Key_Enter;
    case Key::Escape:
        return Qt::Key_Escape;
    case Key::Tab:
        return Qt::Key_Tab;
    }
    return Qt::Key_unknown;
}

bool IsControlName(Window& window, const QString& name) {
    return !name.isEmpty() && window.ControlByName(ToUtf8(name)) != nullptr;
}

// Counts the events of one type that the widget it watches receives, and
// calls `onEvent` at each; it is the widget's child, and goes with it.
class EventWatcher : public QObject {
public:
    EventWatcher(QWidget* watched, QEvent::Type type, std::function<void()> onEvent = {})
        : QObject(watched), type_(type), onEvent_(std::move(onEvent)) {
        watched->installEventFilter(this);
    }
    QEvent::Type Type() const { return type_; }
    std::int64_t Seen() const { return seen_; }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != type_) return false;
        ++seen_;
        if (onEvent_) onEvent_();
        return false;
    }

private:
    QEvent::Type type_;
    std::function<void()> onEvent_;
    std::int64_t seen_ = 0;
};

}  // namespace

void ProcessEvents() {
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void PostToEventLoop(std::function<void()> work) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(work), Qt::QueuedConnection);
}

void WatchTitle(Window& window, std::function<void()> watcher) {
    if (QWidget* top = TopOf(window)) new EventWatcher(top, QEvent::WindowTitleChange, std::move(watcher));
}

void Click(RectControl& control) {
    QPoint centre;
    if (QWindow* handle = HandleAndCentre(control, centre))
        QTest::mouseClick(handle, Qt::LeftButton, Qt::NoModifier, centre);
}

void QueueClick(RectControl& control) {
    QPoint centre;
    QWindow* handle = HandleAndCentre(control, centre);
    if (!handle) return;
    const QPointF global = handle->mapToGlobal(centre);
    using Queue = QWindowSystemInterface;
    Queue::handleMouseEvent<Queue::AsynchronousDelivery>(handle, centre, global, Qt::LeftButton,
                                                         Qt::LeftButton, QEvent::MouseButtonPress,
                                                         Qt::NoModifier, Qt::MouseEventNotSynthesized);
    Queue::handleMouseEvent<Queue::AsynchronousDelivery>(handle, centre, global, Qt::NoButton,
                                                         Qt::LeftButton, QEvent::MouseButtonRelease,
                                                         Qt::NoModifier, Qt::MouseEventNotSynthesized);
}

void PressKey(Window& window, Key key) {
    Activate(window);
    QWidget* top = TopOf(window);
    if (!top || !top->windowHandle()) return;
    QTest::keyClick(top->windowHandle(), QtKey(key));
}

void PressShortcut(Window& window, const std::string& keys) {
    Activate(window);
    QWidget* top = TopOf(window);
    if (!top || !top->windowHandle()) return;
    const QKeySequence sequence = QKeySequence::fromString(detail::FromUtf8(keys), QKeySequence::PortableText);
    if (sequence.isEmpty()) return;
    const QKeyCombination combination = sequence[0];
    QTest::keyClick(top->windowHandle(), combination.key(), combination.keyboardModifiers());
}

void TypeText(RectControl& control, const std::string& text) {
    QWidget* widget = WidgetOf(control);
    if (!widget) return;
    widget->setFocus(Qt::MouseFocusReason);
    // One key per character, carrying the character itself, so that text
    // beyond Latin-1 is typed as it stands.
    for (char32_t codePoint : detail::FromUtf8(text).toUcs4()) {
        const QString character = QString::fromUcs4(&codePoint, 1);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, character);
        QCoreApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, character);
        QCoreApplication::sendEvent(widget, &release);
    }
}

void ResizeContent(Window& window, int width, int height) {
    QWidget* top = TopOf(window);
    ContentWidget* content = window.GetBackend().Content();
    if (!top || !content) return;
    const QSize around = top->size() - content->size();
    top->resize(width + around.width(), height + around.height());
    ProcessEvents();
}

void QueueCloseBox(Window& window) {
    QWidget* top = TopOf(window);
    if (top && top->windowHandle())
        QWindowSystemInterface::handleCloseEvent<QWindowSystemInterface::AsynchronousDelivery>(
            top->windowHandle());
}

void PostCloseRequest(Window& window) {
    QWidget* top = TopOf(window);
    // A window's toolkit handle treats every close event that does not come
    // from its own close() as the window system's request.
    if (top && top->windowHandle()) QCoreApplication::postEvent(top->windowHandle(), new QCloseEvent());
}

void ClickCloseBox(Window& window) {
    QueueCloseBox(window);
    ProcessEvents();
}

bool ChooseMenuItem(Window& window, const std::string& itemName) {
    auto& menus = window.GetBackend().menus;
    return menus && menus->Choose(itemName);
}

bool MenuItemEnabled(Window& window, const std::string& itemName) {
    auto& menus = window.GetBackend().menus;
    if (!menus) return false;
    menus->UpdateEnabled();
    QAction* action = menus->Action(itemName);
    return action && action->isEnabled();
}

std::vector<MenuEntry> MenuEntries(Window& window) {
    std::vector<MenuEntry> entries;
    auto& menus = window.GetBackend().menus;
    if (!menus) return entries;
    for (const auto& entry : menus->Entries()) {
        if (!entry.action) continue;
        MenuEntry shown;
        shown.Name = entry.item->Name();
        shown.Text = ToUtf8(entry.action->text());
        shown.Shortcut = ToUtf8(entry.action->shortcut().toString(QKeySequence::PortableText));
        switch (entry.action->menuRole()) {
        case QAction::AboutRole:
            shown.Role = "About";
            break;
        case QAction::QuitRole:
            shown.Role = "Quit";
            break;
        default:
            shown.Role = "None";
        }
        shown.IsMenu = entry.isMenu;
        shown.IsSeparator = entry.action->isSeparator();
        entries.push_back(shown);
    }
    return entries;
}

bool IsShown(Window& window) {
    QWidget* top = TopOf(window);
    return top && top->isVisible();
}

std::string ShownTitle(Window& window) {
    QWidget* top = TopOf(window);
    return top ? ToUtf8(top->windowTitle()) : std::string();
}

Size ContentSize(Window& window) {
    ContentWidget* content = window.GetBackend().Content();
    return content ? Size{content->width(), content->height()} : Size{};
}

Frame FrameOf(Window& window) {
    QWidget* top = TopOf(window);
    if (!top) return {};
    const Qt::WindowFlags flags = top->windowFlags();
    return {flags.testFlag(Qt::WindowCloseButtonHint), flags.testFlag(Qt::WindowMinimizeButtonHint),
            flags.testFlag(Qt::WindowMaximizeButtonHint), top->minimumSize() != top->maximumSize()};
}

bool IsWindowModalOver(Window& sheet, Window& parent) {
    QWidget* sheetWidget = TopOf(sheet);
    QWidget* parentWidget = TopOf(parent);
    if (!sheetWidget || !parentWidget || !sheetWidget->isVisible() || !sheetWidget->isWindow()) return false;
    if (sheetWidget->windowModality() != Qt::WindowModal) return false;
    if (!sheetWidget->parentWidget() || sheetWidget->parentWidget()->window() != parentWidget) return false;
    QWindow* handle = sheetWidget->windowHandle();
    return handle && handle->transientParent() == parentWidget->windowHandle() &&
           QGuiApplication::modalWindow() == handle;
}


std::string FocusedControlName(Window& window) {
    QWidget* top = TopOf(window);
    for (QWidget* w = top ? top->focusWidget() : nullptr; w && w != top; w = w->parentWidget())
        if (IsControlName(window, w->objectName())) return ToUtf8(w->objectName());
    return {};
}

std::vector<std::string> TabOrder(Window& window) {
    std::vector<std::string> names;
    QWidget* top = TopOf(window);
    if (!top) return names;
    for (QWidget* w = top->nextInFocusChain(); w && w != top; w = w->nextInFocusChain()) {
        if (!IsControlName(window, w->objectName())) continue;
        const std::string name = ToUtf8(w->objectName());
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }
    // The chain is a ring; it is read from the control that comes first in tab order.
    auto first = std::min_element(names.begin(), names.end(), [&](const auto& a, const auto& b) {
        return window.ControlByName(a)->TabIndex() < window.ControlByName(b)->TabIndex();
    });
    std::rotate(names.begin(), first, names.end());
    return names;
}

std::size_t ListedWindowCount() { return detail::LiveWindows().size(); }

void CloseAllWindows() {
    const auto windows = detail::LiveWindows();
    for (const auto& window : windows) window->Close();
    ProcessEvents();
}

Rect GeometryOf(RectControl& control) {
    QWidget* widget = WidgetOf(control);
    if (!widget) return {};
    const QRect g = widget->geometry();
    return {g.x(), g.y(), g.width(), g.height()};
}

std::string AccessibleName(RectControl& control) {
    QWidget* widget = WidgetOf(control);
    if (!widget) return {};
    if (QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget))
        return ToUtf8(accessible->text(QAccessible::Name));
    return ToUtf8(widget->accessibleName());
}

std::string ObjectName(RectControl& control) {
    QWidget* widget = WidgetOf(control);
    return widget ? ToUtf8(widget->objectName()) : std::string();
}

std::string ShownText(RectControl& control) {
    QWidget* widget = WidgetOf(control);
    if (auto* button = qobject_cast<QPushButton*>(widget)) return ToUtf8(button->text());
    if (auto* label = qobject_cast<QLabel*>(widget)) return ToUtf8(label->text());
    if (auto* field = qobject_cast<QLineEdit*>(widget)) return ToUtf8(field->text());
    if (auto* view = qobject_cast<QTableView*>(widget))
        return ToUtf8(view->model()->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString());
    return {};
}

bool ShownEnabled(RectControl& control) {
    QWidget* widget = WidgetOf(control);
    return widget && widget->isEnabled();
}

bool ShownVisible(RectControl& control) {
    QWidget* widget = WidgetOf(control);
    return widget && widget->isVisible();
}

bool HeadingShown(Listbox& list) {
    QTableView* view = ViewOf(list);
    return view && view->horizontalHeader()->isVisible();
}

std::string ShownRowText(Listbox& list, int row) {
    QTableView* view = ViewOf(list);
    if (!view) return {};
    // Rows reach the view when the event loop next runs; it shows none before.
    QCoreApplication::sendPostedEvents(view->model(), QEvent::MetaCall);
    return ToUtf8(view->model()->index(row, 0).data(Qt::DisplayRole).toString());
}

int CurrentRow(Listbox& list) {
    QTableView* view = ViewOf(list);
    return view ? view->currentIndex().row() : -1;
}

int ShownRowHeight(Listbox& list) {
    QTableView* view = ViewOf(list);
    return view ? view->verticalHeader()->defaultSectionSize() : 0;
}

int LineHeight(RectControl& control) {
    QWidget* widget = WidgetOf(control);
    return widget ? widget->fontMetrics().height() : 0;
}

namespace {
// The paints of `widget` since the first call for it.
std::int64_t PaintsOf(QWidget* widget) {
    if (!widget) return 0;
    for (QObject* child : widget->children())
        if (auto* counter = dynamic_cast<EventWatcher*>(child); counter && counter->Type() == QEvent::Paint)
            return counter->Seen();
    new EventWatcher(widget, QEvent::Paint);
    return 0;
}
}  // namespace

std::int64_t PaintCount(Window& window) { return PaintsOf(window.GetBackend().Content()); }

std::int64_t RowAreaPaints(Listbox& list) {
    QTableView* view = ViewOf(list);
    return PaintsOf(view ? view->viewport() : nullptr);
}

void SetClipboardText(const std::string& text) { QGuiApplication::clipboard()->setText(detail::FromUtf8(text)); }

std::string ClipboardText() { return ToUtf8(QGuiApplication::clipboard()->text()); }

}  // namespace fw::testing
