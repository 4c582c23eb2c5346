#include "framework/Window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPalette>
#include <QVBoxLayout>

#include <algorithm>

#include "framework/Menus.h"
#include "framework/qt/ControlBackend.h"
#include "framework/qt/Internal.h"
#include "framework/qt/WindowBackend.h"

namespace fw {
namespace {

#ifdef Q_OS_MACOS
constexpr Qt::WindowType SheetWindowType = Qt::Sheet;
#else
// Other platforms have no sheets; a window-modal dialog over its parent is
// the nearest.
constexpr Qt::WindowType SheetWindowType = Qt::Dialog;
#endif

std::uint64_t frontCounter = 0;

const PropertyTable<Window>& WindowProperties() {
    static const PropertyTable<Window> table = [] {
        PropertyTable<Window> t;
        t.Inert("Placement", PropertyType::Integer)
            .Integer("Width", &Window::SetWidth)
            .Integer("Height", &Window::SetHeight)
            .Integer("MinWidth", &Window::SetMinWidth)
            .Integer("MinHeight", &Window::SetMinHeight)
            .Integer("MaxWidth", &Window::SetMaxWidth)
            .Integer("MaxHeight", &Window::SetMaxHeight)
            .Integer("Frame", &Window::SetFrame)
            .Inert("Composite", PropertyType::Boolean)
            .Boolean("HasBackColor", &Window::SetHasBackColor)
            .ColorValue("BackColor", &Window::SetBackColor)
            .String("Title", &Window::SetTitle)
            .Boolean("Visible", &Window::SetVisible)
            .Boolean("FullScreen", &Window::SetFullScreen)
            .Boolean("MenuBarVisible", &Window::SetMenuBarVisible)
            .Boolean("CloseButton", &Window::SetCloseButton)
            .Boolean("Resizeable", &Window::SetResizeable)
            .Inert("LiveResize", PropertyType::Boolean)
            .Boolean("MaximizeButton", &Window::SetMaximizeButton)
            .Boolean("MinimizeButton", &Window::SetMinimizeButton)
            .Inert("BalloonHelp", PropertyType::String)
            .Inert("MacProcID", PropertyType::Integer);
        return t;
    }();
    return table;
}

void ActivateLayout(QWidget* widget) {
    if (QLayout* layout = widget->layout()) {
        layout->invalidate();
        layout->activate();
    }
}

Window* FrontmostDocument(const Window* except) {
    Window* best = nullptr;
    for (const auto& window : detail::LiveWindows()) {
        const auto& b = window->GetBackend();
        if (window.get() == except || b.frame != Window::Backend::DocumentFrame || !b.widget ||
            !b.widget->isVisible())
            continue;
        if (!best || b.frontStamp >= best->GetBackend().frontStamp) best = window.get();
    }
    return best;
}

}  // namespace

Window* ActiveWindow() {
    QWidget* active = QApplication::activeWindow();
    for (const auto& window : detail::LiveWindows())
        if (active && window->GetBackend().widget == active) return window.get();
    return FrontmostDocument(nullptr);
}


ContentWidget::ContentWidget(Window::Backend* owner, QWidget* parent) : QWidget(parent), backend(owner) {}

void ContentWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (backend) backend->ContentResized();
}

WindowWidget::WindowWidget(Window::Backend* owner) : backend(owner) {
    box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);
    // The window takes its limits from the content area (and the menu bar).
    box->setSizeConstraint(QLayout::SetMinAndMaxSize);
    content = new ContentWidget(owner, this);
    box->addWidget(content);
    content->show();
}

void WindowWidget::closeEvent(QCloseEvent* event) {
    // A close request from the window system while a long loop yields would
    // pull the window out from under that loop.
    if (event->spontaneous() && detail::InYield()) {
        event->ignore();
        return;
    }
    event->accept();
    if (backend) backend->MarkClosed(false);
}

void WindowWidget::keyPressEvent(QKeyEvent* event) {
    const auto commandKeys = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    if (backend && !(event->modifiers() & commandKeys) && backend->PressButtonForKey(event->key())) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void WindowWidget::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && backend && isActiveWindow())
        backend->frontStamp = ++frontCounter;
}


Window::Backend::Backend(Window& window) : owner(window) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        throw RuntimeException("The framework has not been started (RuntimeInit)");
    widget = new WindowWidget(this);
    // The widget can go first: with its parent window (a sheet) or at exit.
    destroyedConnection = QObject::connect(widget, &QObject::destroyed, [this] {
        widget.clear();
        if (open) MarkClosed(true);
    });
    ApplyFlags();
    ApplyGeometry();
}

Window::Backend::~Backend() {
    QObject::disconnect(destroyedConnection);
    controls.clear();
    menus.reset();
    if (widget && QCoreApplication::instance()) {
        widget->backend = nullptr;
        widget->content->backend = nullptr;
        widget->hide();
        widget->deleteLater();
    }
}

QLineEdit* Window::Backend::FocusedField() const {
    return widget ? qobject_cast<QLineEdit*>(widget->focusWidget()) : nullptr;
}

void Window::Backend::ApplyGeometry() {
    if (resizeable) {
        width = std::max(std::min(width, maxWidth), minWidth);
        height = std::max(std::min(height, maxHeight), minHeight);
    }
    ContentWidget* content = Content();
    if (!content) return;
    content->logicalSize = QSize(width, height);
    // Pinning the content area to its size makes the window's layout fit the
    // window around it, menu bar included; then the limits are put back.
    content->setFixedSize(width, height);
    ActivateLayout(widget);
    if (resizeable) {
        content->setMinimumSize(minWidth, minHeight);
        content->setMaximumSize(maxWidth, maxHeight);
        ActivateLayout(widget);
    }
    // A window never sized explicitly is fitted to its size hint when shown.
    widget->resize(widget->size());
    LayOutControls();
}

void Window::Backend::ApplyFlags() {
    if (!widget) return;
    Qt::WindowFlags flags = frame == SheetFrame ? SheetWindowType : Qt::Window;
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint;
    if (closeButton) flags |= Qt::WindowCloseButtonHint;
    if (minimizeButton) flags |= Qt::WindowMinimizeButtonHint;
    if (maximizeButton && resizeable) flags |= Qt::WindowMaximizeButtonHint;
    if (!resizeable) flags |= Qt::MSWindowsFixedSizeDialogHint;
    if (flags == widget->windowFlags()) return;
    const bool shown = widget->isVisible();
    widget->setWindowFlags(flags);
    if (shown) widget->show();
}

void Window::Backend::ApplyBackColor() {
    ContentWidget* content = Content();
    if (!content) return;
    content->setAutoFillBackground(hasBackColor);
    QPalette palette = content->palette();
    if (hasBackColor)
        palette.setColor(QPalette::Window, QColor(backColor.Red, backColor.Green, backColor.Blue));
    else
        palette = QPalette();
    content->setPalette(palette);
}

void Window::Backend::LayOutControls() {
    for (const auto& control : controls) control->GetBackend().Place();
}

void Window::Backend::ContentResized() {
    ContentWidget* content = Content();
    if (!content) return;
    if (content->isVisible()) {
        width = content->width();
        height = content->height();
        content->logicalSize = content->size();
    }
    LayOutControls();
}

namespace {
std::vector<RectControl*> InTabOrder(const std::vector<std::shared_ptr<RectControl>>& controls) {
    std::vector<RectControl*> order;
    for (const auto& control : controls) order.push_back(control.get());
    std::stable_sort(order.begin(), order.end(),
                     [](RectControl* a, RectControl* b) { return a->TabIndex() < b->TabIndex(); });
    return order;
}
}  // namespace

void Window::Backend::ApplyTabOrder() {
    // Qt leaves widgets that take no focus (labels) out of setTabOrder; they
    // are given a focus policy for the moment, so that the whole focus chain
    // follows TabIndex. Tab still passes over them.
    QWidget* previous = nullptr;
    for (RectControl* control : InTabOrder(controls)) {
        QWidget* next = control->GetBackend().widget;
        if (!next) continue;
        if (previous) {
            const Qt::FocusPolicy before = previous->focusPolicy(), after = next->focusPolicy();
            if (before == Qt::NoFocus) previous->setFocusPolicy(Qt::TabFocus);
            if (after == Qt::NoFocus) next->setFocusPolicy(Qt::TabFocus);
            QWidget::setTabOrder(previous, next);
            previous->setFocusPolicy(before);
            next->setFocusPolicy(after);
        }
        previous = next;
    }
}

void Window::Backend::LabelFields() {
    // A field's label is the label just before it in tab order.
    RectControl* previous = nullptr;
    for (RectControl* control : InTabOrder(controls)) {
        auto* label = dynamic_cast<StaticText*>(previous);
        if (dynamic_cast<EditField*>(control) && label) {
            auto* labelWidget = qobject_cast<QLabel*>(label->GetBackend().widget);
            QWidget* field = control->GetBackend().widget;
            if (labelWidget && field) {
                labelWidget->setBuddy(field);
                if (field->accessibleName().isEmpty()) field->setAccessibleName(labelWidget->text());
            }
        }
        previous = control;
    }
}

void Window::Backend::BuildMenus() {
    if (menus && widget) widget->box->setMenuBar(nullptr);
    menus.reset();
    if (!menuBar || !widget) return;
    menus = std::make_unique<MenuBinding>(widget, *menuBar, [this] { return &owner; });
    widget->box->setMenuBar(menus->Bar());
    menus->Bar()->setVisible(menuBarVisible);
    ApplyGeometry();
}

void Window::Backend::BringToFront(bool wasShown) {
    frontStamp = ++frontCounter;
    if (!widget) return;
    // A window that has just been shown is in front already.
    if (wasShown) widget->raise();
    widget->activateWindow();
}

namespace {
// A sheet belongs to the document window in which the user acted to show it;
// only with no event being handled is it the frontmost one. Which window the
// window system activated last may lag behind the user's click.
Window* SheetParent(const Window& sheet) {
    Window* acting = detail::ActingWindow();
    if (acting && acting != &sheet && acting->IsOpen()) {
        const auto& b = acting->GetBackend();
        if (b.frame == Window::Backend::DocumentFrame && b.widget && b.widget->isVisible()) return acting;
    }
    return FrontmostDocument(&sheet);
}
}  // namespace

void Window::Backend::PresentSheet() {
    Window* parent = SheetParent(owner);
    QWidget* parentWidget = parent ? parent->GetBackend().widget.data() : nullptr;
    if (widget->isVisible() && widget->parentWidget() == parentWidget) return;
    widget->hide();
    if (widget->parentWidget() != parentWidget) widget->setParent(parentWidget, widget->windowFlags());
    widget->setWindowModality(parentWidget ? Qt::WindowModal : Qt::NonModal);
    if (parentWidget) {
        // Like a sheet: centred across the parent, at the top of its content.
        const QRect area = parentWidget->geometry();
        widget->move(area.center().x() - widget->width() / 2, area.top());
    }
    widget->show();
}

void Window::Backend::Present() {
    if (!open || !widget) return;
    const bool wasShown = widget->isVisible();
    if (frame == SheetFrame)
        PresentSheet();
    else if (fullScreen)
        widget->showFullScreen();
    else
        widget->show();
    BringToFront(wasShown);
}

void Window::Backend::MarkClosed(bool widgetGone) {
    if (!open) return;
    open = false;
    visible = false;
    auto& live = detail::LiveWindows();
    auto it = std::find_if(live.begin(), live.end(), [this](const auto& w) { return w.get() == &owner; });
    if (it != live.end()) {
        std::shared_ptr<Window> keep = std::move(*it);
        live.erase(it);
        detail::ReleaseLater(std::move(keep));
    }
    if (!widgetGone && widget) {
        widget->hide();
        widget->deleteLater();
    }
}

bool Window::Backend::PressButtonForKey(int key) {
    const bool isReturn = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (!isReturn && key != Qt::Key_Escape) return false;
    for (const auto& control : controls) {
        auto* button = dynamic_cast<PushButton*>(control.get());
        if (!button || !(isReturn ? button->Default() : button->Cancel())) continue;
        QWidget* w = button->GetBackend().widget;
        if (!w || !w->isEnabled() || !w->isVisibleTo(widget)) continue;
        button->Push();
        return true;
    }
    return false;
}


Window::Window(std::string className)
    : className_(std::move(className)), backend_(std::make_unique<Backend>(*this)) {}

Window::~Window() = default;

void Window::Construct() {
    Backend& b = *backend_;
    if (b.constructed) return;
    Layout();
    CreateControls();
    AddMenuHandlers(*this);
    b.ApplyTabOrder();
    b.LabelFields();
    b.constructed = true;
    b.open = true;
    detail::LiveWindows().push_back(shared_from_this());
    if (b.visible) b.Present();
}

const std::string& Window::Title() const { return backend_->title; }

void Window::SetTitle(const std::string& title) {
    backend_->title = title;
    if (backend_->widget) backend_->widget->setWindowTitle(detail::FromBytes(title));
}

void Window::Show() {
    backend_->visible = true;
    backend_->Present();
}

void Window::Close() {
    Backend& b = *backend_;
    if (!b.open) return;
    if (b.widget) b.widget->close();
    b.MarkClosed(false);
}

bool Window::IsOpen() const { return backend_->open; }

std::int32_t Window::Width() const { return backend_->width; }
std::int32_t Window::Height() const { return backend_->height; }
std::int32_t Window::MinWidth() const { return backend_->minWidth; }
std::int32_t Window::MinHeight() const { return backend_->minHeight; }
std::int32_t Window::MaxWidth() const { return backend_->maxWidth; }
std::int32_t Window::MaxHeight() const { return backend_->maxHeight; }

void Window::SetWidth(std::int32_t width) {
    backend_->width = width;
    backend_->ApplyGeometry();
}
void Window::SetHeight(std::int32_t height) {
    backend_->height = height;
    backend_->ApplyGeometry();
}
void Window::SetMinWidth(std::int32_t width) {
    backend_->minWidth = width;
    backend_->ApplyGeometry();
}
void Window::SetMinHeight(std::int32_t height) {
    backend_->minHeight = height;
    backend_->ApplyGeometry();
}
void Window::SetMaxWidth(std::int32_t width) {
    backend_->maxWidth = width;
    backend_->ApplyGeometry();
}
void Window::SetMaxHeight(std::int32_t height) {
    backend_->maxHeight = height;
    backend_->ApplyGeometry();
}

std::int32_t Window::Frame() const { return backend_->frame; }
void Window::SetFrame(std::int32_t frame) {
    backend_->frame = frame;
    backend_->ApplyFlags();
}

bool Window::Visible() const { return backend_->visible; }
void Window::SetVisible(bool visible) {
    Backend& b = *backend_;
    b.visible = visible;
    if (!b.constructed || !b.widget) return;
    if (visible)
        b.Present();
    else
        b.widget->hide();
}

bool Window::Resizeable() const { return backend_->resizeable; }
void Window::SetResizeable(bool resizeable) {
    backend_->resizeable = resizeable;
    backend_->ApplyFlags();
    backend_->ApplyGeometry();
}

bool Window::CloseButton() const { return backend_->closeButton; }
void Window::SetCloseButton(bool closeButton) {
    backend_->closeButton = closeButton;
    backend_->ApplyFlags();
}
bool Window::MinimizeButton() const { return backend_->minimizeButton; }
void Window::SetMinimizeButton(bool minimizeButton) {
    backend_->minimizeButton = minimizeButton;
    backend_->ApplyFlags();
}
bool Window::MaximizeButton() const { return backend_->maximizeButton; }
void Window::SetMaximizeButton(bool maximizeButton) {
    backend_->maximizeButton = maximizeButton;
    backend_->ApplyFlags();
}

bool Window::FullScreen() const { return backend_->fullScreen; }
void Window::SetFullScreen(bool fullScreen) {
    Backend& b = *backend_;
    b.fullScreen = fullScreen;
    if (!b.widget || !b.widget->isVisible() || b.frame == Backend::SheetFrame) return;
    if (fullScreen)
        b.widget->showFullScreen();
    else
        b.widget->showNormal();
}

bool Window::MenuBarVisible() const { return backend_->menuBarVisible; }
void Window::SetMenuBarVisible(bool menuBarVisible) {
    backend_->menuBarVisible = menuBarVisible;
    if (backend_->menus) {
        backend_->menus->Bar()->setVisible(menuBarVisible);
        backend_->ApplyGeometry();
    }
}

bool Window::HasBackColor() const { return backend_->hasBackColor; }
void Window::SetHasBackColor(bool hasBackColor) {
    backend_->hasBackColor = hasBackColor;
    backend_->ApplyBackColor();
}
Color Window::BackColor() const { return backend_->backColor; }
void Window::SetBackColor(Color color) {
    backend_->backColor = color;
    backend_->ApplyBackColor();
}

std::shared_ptr<MenuBar> Window::MenuBar() const { return backend_->menuBar; }
void Window::SetMenuBar(std::shared_ptr<fw::MenuBar> menuBar) {
    backend_->menuBar = std::move(menuBar);
    backend_->BuildMenus();
}

void Window::AddControl(const std::string& name, std::shared_ptr<RectControl> control) {
    if (!control) throw NilObjectException("AddControl was given no control");
    RectControl::Backend& cb = *control->backend_;
    cb.name = name;
    if (cb.widget) cb.widget->setObjectName(detail::FromUtf8(name));
    cb.Place();
    backend_->controls.push_back(std::move(control));
    if (backend_->constructed) {
        backend_->ApplyTabOrder();
        backend_->LabelFields();
    }
}

std::shared_ptr<RectControl> Window::ControlByName(std::string_view name) const {
    for (const auto& control : backend_->controls)
        if (control->Name() == name) return control;
    return nullptr;
}

void Window::AddMenuHandler(const std::string& itemName, std::function<bool()> handler) {
    backend_->menuHandlers[itemName] = std::move(handler);
    if (backend_->menus) backend_->menus->UpdateEnabled();
}

std::optional<PropertyType> Window::DeclaredType(std::string_view name) const {
    return WindowProperties().TypeOf(name);
}

void Window::SetProperty(std::string_view name, const PropertyValue& value) {
    WindowProperties().Set(*this, name, value);
}

std::shared_ptr<Window> GetImplicitWindow(std::string_view className) {
    for (const auto& window : detail::LiveWindows())
        if (window->ClassName() == className && window->IsOpen()) return window;
    return nullptr;
}

}  // namespace fw
