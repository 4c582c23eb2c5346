#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <typeinfo>
#include <utility>

#include "framework/Controls.h"
#include "framework/Exceptions.h"
#include "framework/PropertyList.h"

namespace fw {

class MenuBar;

// A window of the application. A window class hands the framework three
// construction hooks, which Construct runs: Layout (menu bar and the window's
// design-time list), CreateControls, then AddMenuHandlers.
//
// Frame kinds: 0 is a document window; 8 is a sheet, which Show presents
// window-modal over the document window in which the user acted (whose
// control or menu event is being handled), or over the frontmost document
// window when no event is, so that window takes no input while the sheet is up.
//
// While a window is open the framework keeps it and GetImplicitWindow finds it
// by its class name; once closed it is no longer found.
class Window : public PropertyHolder, public std::enable_shared_from_this<Window> {
public:
    ~Window() override;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // The framework's name of the window's class, "Module.Class".
    const std::string& ClassName() const { return className_; }

    // Builds the window: runs the construction hooks, makes it its class's
    // live window, and shows it when its layout set Visible.
    void Construct();

    const std::string& Title() const;
    void SetTitle(const std::string& title);  // raw bytes, one character each

    void Show();
    void Close();
    bool IsOpen() const;

    std::int32_t Width() const;
    void SetWidth(std::int32_t width);
    std::int32_t Height() const;
    void SetHeight(std::int32_t height);
    std::int32_t MinWidth() const;
    void SetMinWidth(std::int32_t width);
    std::int32_t MinHeight() const;
    void SetMinHeight(std::int32_t height);
    std::int32_t MaxWidth() const;
    void SetMaxWidth(std::int32_t width);
    std::int32_t MaxHeight() const;
    void SetMaxHeight(std::int32_t height);
    std::int32_t Frame() const;
    void SetFrame(std::int32_t frame);
    bool Visible() const;
    void SetVisible(bool visible);
    bool Resizeable() const;
    void SetResizeable(bool resizeable);
    bool CloseButton() const;
    void SetCloseButton(bool closeButton);
    bool MinimizeButton() const;
    void SetMinimizeButton(bool minimizeButton);
    bool MaximizeButton() const;
    void SetMaximizeButton(bool maximizeButton);
    bool FullScreen() const;
    void SetFullScreen(bool fullScreen);
    bool MenuBarVisible() const;
    void SetMenuBarVisible(bool menuBarVisible);
    // The content area's background; BackColor counts only with HasBackColor.
    bool HasBackColor() const;
    void SetHasBackColor(bool hasBackColor);
    fw::Color BackColor() const;
    void SetBackColor(fw::Color color);

    std::shared_ptr<fw::MenuBar> MenuBar() const;
    void SetMenuBar(std::shared_ptr<fw::MenuBar> menuBar);

    // A new control of class T, owned by this window.
    template <class T>
    std::shared_ptr<T> New() {
        return std::make_shared<T>(*this);
    }
    // Registers `control` under `name`; the window keeps it from then on.
    void AddControl(const std::string& name, std::shared_ptr<RectControl> control);
    // The control registered under `name`, or nullptr.
    std::shared_ptr<RectControl> ControlByName(std::string_view name) const;
    // The control registered under `name`, cast to T; throws
    // NilObjectException when there is none of that name and class.
    template <class T>
    std::shared_ptr<T> Control(std::string_view name) const {
        auto found = ControlByName(name);
        // A control of exactly class T, the usual case, needs no search of
        // the class tree; loops that fetch a control per turn feel it.
        if (const RectControl* raw = found.get(); raw && typeid(*raw) == typeid(T))
            return std::static_pointer_cast<T>(std::move(found));
        auto control = std::dynamic_pointer_cast<T>(std::move(found));
        if (!control) throw NilObjectException("No control named " + std::string(name));
        return control;
    }

    // Runs `handler` when the user chooses the menu item named `itemName`
    // while this window is frontmost.
    void AddMenuHandler(const std::string& itemName, std::function<bool()> handler);

    // A handler that calls `method` on this window while the window lives.
    template <class W>
    std::function<void()> Delegate(void (W::*method)()) {
        return [self = WeakAs<W>(), method] {
            if (auto window = self.lock()) ((*window).*method)();
        };
    }
    template <class W>
    std::function<bool()> Delegate(bool (W::*method)()) {
        return [self = WeakAs<W>(), method] {
            auto window = self.lock();
            return window ? ((*window).*method)() : false;
        };
    }

    std::optional<PropertyType> DeclaredType(std::string_view name) const override;
    void SetProperty(std::string_view name, const PropertyValue& value) override;

    struct Backend;  // the toolkit window behind this one
    Backend& GetBackend() const { return *backend_; }

protected:
    explicit Window(std::string className);

    virtual void Layout() {}
    virtual void CreateControls() {}
    virtual void AddMenuHandlers(Window& window) { (void)window; }

private:
    template <class W>
    std::weak_ptr<W> WeakAs() {
        return std::dynamic_pointer_cast<W>(shared_from_this());
    }

    std::string className_;
    std::unique_ptr<Backend> backend_;
};

// The open window of the class named `className`, or nullptr.
std::shared_ptr<Window> GetImplicitWindow(std::string_view className);

// The accessor rule of a window class W: the live window of W's class, or,
// when none is open, a new W built with Construct. W names its class in
// `W::FrameworkClassName` and lets this function construct it.
template <class W>
std::shared_ptr<W> ImplicitWindow() {
    std::shared_ptr<Window> window = GetImplicitWindow(W::FrameworkClassName);
    if (!window) {
        std::shared_ptr<W> created(new W());
        created->Construct();
        window = created;
    }
    auto cast = std::dynamic_pointer_cast<W>(window);
    if (!cast) throw NilObjectException("The live window is not a " + std::string(W::FrameworkClassName));
    return cast;
}

}  // namespace fw
