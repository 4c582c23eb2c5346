#pragma once

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/Window.h"
#include "framework/qt/MenuBinding.h"

class QVBoxLayout;
class QLineEdit;

namespace fw {

class WindowWidget;

// The area below the menu bar that holds the window's controls. Its size is
// the window's Width by Height.
class ContentWidget : public QWidget {
    Q_OBJECT
public:
    ContentWidget(Window::Backend* backend, QWidget* parent);

    Window::Backend* backend;
    // The content size that controls are placed against: the window's Width
    // and Height, which follow the user's resizing.
    QSize logicalSize;

protected:
    void resizeEvent(QResizeEvent* event) override;
};

// The top-level toolkit window: the menu bar (when the window has one) above
// the content area.
class WindowWidget : public QWidget {
    Q_OBJECT
public:
    explicit WindowWidget(Window::Backend* backend);

    Window::Backend* backend;
    QVBoxLayout* box = nullptr;
    ContentWidget* content = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
};

struct Window::Backend {
    explicit Backend(Window& owner);
    ~Backend();

    Window& owner;
    QPointer<WindowWidget> widget;
    QMetaObject::Connection destroyedConnection;

    std::string title;
    std::int32_t width = 300, height = 300;
    std::int32_t minWidth = 64, minHeight = 64, maxWidth = 32000, maxHeight = 32000;
    std::int32_t frame = 0;
    bool visible = false;
    bool resizeable = true;
    bool closeButton = true;
    bool minimizeButton = true;
    bool maximizeButton = true;
    bool fullScreen = false;
    bool menuBarVisible = true;
    bool hasBackColor = false;
    Color backColor{255, 255, 255};

    bool constructed = false;
    bool open = false;
    // Raised whenever the window is shown or activated; the highest open
    // document window is the frontmost.
    std::uint64_t frontStamp = 0;

    std::shared_ptr<fw::MenuBar> menuBar;
    std::unique_ptr<MenuBinding> menus;
    std::vector<std::shared_ptr<RectControl>> controls;
    std::map<std::string, std::function<bool()>, std::less<>> menuHandlers;

    static constexpr std::int32_t DocumentFrame = 0;
    static constexpr std::int32_t SheetFrame = 8;

    ContentWidget* Content() const { return widget ? widget->content : nullptr; }
    // The one-line field that has the window's focus, or nullptr.
    QLineEdit* FocusedField() const;

    void ApplyGeometry();
    void ApplyFlags();
    void ApplyBackColor();
    void LayOutControls();
    void ApplyTabOrder();
    void LabelFields();
    void BuildMenus();
    void Present();
    void PresentSheet();
    void BringToFront(bool wasShown);
    // Takes the window off the live list and lets its widget go. `widgetGone`
    // when the widget is already being destroyed.
    void MarkClosed(bool widgetGone);
    void ContentResized();
    // Return and Enter press the default button, Escape the cancel button.
    bool PressButtonForKey(int key);
};

}  // namespace fw
