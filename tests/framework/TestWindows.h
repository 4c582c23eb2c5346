#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/Controls.h"
#include "framework/Menus.h"
#include "framework/PropertyList.h"
#include "framework/Window.h"

// Windows for framework tests: each test states its window as a layout list
// and a few controls.
namespace fwtest {

// The window list in the form the program's layouts carry, every entry of it.
inline fw::PropertyList WindowLayout(int width, int height, int frame = 0, bool resizeable = true,
                                     const std::string& title = "", bool visible = true) {
    fw::PropertyList list;
    list.AddInteger("Placement", 0)
        .AddInteger("Width", width)
        .AddInteger("Height", height)
        .AddInteger("MinWidth", 64)
        .AddInteger("MinHeight", 64)
        .AddInteger("MaxWidth", 32000)
        .AddInteger("MaxHeight", 32000)
        .AddInteger("Frame", frame)
        .AddBoolean("Composite", false)
        .AddBoolean("HasBackColor", false)
        .AddColor("BackColor", {255, 255, 255})
        .AddString("Title", title)
        .AddBoolean("Visible", visible)
        .AddBoolean("FullScreen", false)
        .AddBoolean("MenuBarVisible", true)
        .AddBoolean("CloseButton", true)
        .AddBoolean("Resizeable", resizeable)
        .AddBoolean("LiveResize", true)
        .AddBoolean("MaximizeButton", resizeable)
        .AddBoolean("MinimizeButton", true)
        .AddString("BalloonHelp", "")
        .AddInteger("MacProcID", 0);
    return list;
}

struct Locks {
    bool left = true, top = true, right = false, bottom = false;
};

// The entries every control's list carries.
inline fw::PropertyList ControlLayout(int left, int top, int width, int height, int tabIndex = 0,
                                      Locks locks = {}) {
    fw::PropertyList list;
    list.AddInteger("Left", left)
        .AddInteger("Top", top)
        .AddInteger("Width", width)
        .AddInteger("Height", height)
        .AddBoolean("LockLeft", locks.left)
        .AddBoolean("LockTop", locks.top)
        .AddBoolean("LockRight", locks.right)
        .AddBoolean("LockBottom", locks.bottom)
        .AddInteger("TabIndex", tabIndex)
        .AddInteger("TabPanelIndex", 0)
        .AddInteger("Index", INT32_MIN)
        .AddBoolean("Visible", true)
        .AddString("HelpTag", "")
        .AddBoolean("AutoDeactivate", true)
        .AddBoolean("Enabled", true)
        .AddString("TextFont", "System")
        .AddInteger("TextSize", 0)
        .AddBoolean("Bold", false)
        .AddBoolean("Italic", false)
        .AddBoolean("Underline", false)
        .AddString("InitialParent", "");
    return list;
}

inline fw::PropertyList Then(fw::PropertyList list, const fw::PropertyList& more) {
    return fw::PropertyList(list.Bytes() + more.Bytes());
}

class RecipeWindow;

// What a test window is made of, given piece by piece.
struct Recipe {
    std::string className = "RecipeWindow.RecipeWindow";
    fw::PropertyList layout = WindowLayout(300, 200);
    std::shared_ptr<fw::MenuBar> menuBar;
    std::function<void(RecipeWindow&)> controls;
    std::function<void(RecipeWindow&)> menuHandlers;

    Recipe& Class(std::string name) {
        className = std::move(name);
        return *this;
    }
    Recipe& Layout(fw::PropertyList list) {
        layout = std::move(list);
        return *this;
    }
    Recipe& Menus(std::shared_ptr<fw::MenuBar> bar) {
        menuBar = std::move(bar);
        return *this;
    }
    Recipe& Controls(std::function<void(RecipeWindow&)> build) {
        controls = std::move(build);
        return *this;
    }
    Recipe& Handlers(std::function<void(RecipeWindow&)> add) {
        menuHandlers = std::move(add);
        return *this;
    }
};

// A window whose hooks a test gives it.
class RecipeWindow : public fw::Window {
public:
    explicit RecipeWindow(Recipe recipe) : Window(recipe.className), recipe_(std::move(recipe)) {}

    // Registers a new control under `name` and applies its list to it, the
    // way the program's layouts build their controls.
    template <class T>
    std::shared_ptr<T> Add(const std::string& name, const fw::PropertyList& list) {
        AddControl(name, New<T>());
        auto control = Control<T>(name);
        fw::SetProperties(*control, list);
        return control;
    }

    std::vector<std::string> hooksRun;

protected:
    void Layout() override {
        hooksRun.push_back("Layout");
        if (recipe_.menuBar) SetMenuBar(recipe_.menuBar);
        fw::SetProperties(*this, recipe_.layout);
    }
    void CreateControls() override {
        hooksRun.push_back("CreateControls");
        if (recipe_.controls) recipe_.controls(*this);
    }
    void AddMenuHandlers(fw::Window& window) override {
        hooksRun.push_back(&window == this ? "AddMenuHandlers" : "AddMenuHandlers(other)");
        if (recipe_.menuHandlers) recipe_.menuHandlers(*this);
    }

private:
    Recipe recipe_;
};

inline std::shared_ptr<RecipeWindow> Build(Recipe recipe) {
    auto window = std::make_shared<RecipeWindow>(std::move(recipe));
    window->Construct();
    return window;
}

inline fw::PropertyList ButtonLayout(int left, int top, const std::string& caption, bool isDefault = false,
                                     bool isCancel = false, int tabIndex = 0, Locks locks = {}) {
    fw::PropertyList extra;
    extra.AddString("Caption", caption).AddBoolean("Default", isDefault).AddBoolean("Cancel", isCancel);
    return Then(ControlLayout(left, top, 80, 20, tabIndex, locks), extra);
}

inline fw::PropertyList FieldLayout(int left, int top, int width, int tabIndex = 0) {
    fw::PropertyList extra;
    extra.AddString("Text", "")
        .AddBoolean("Multiline", false)
        .AddInteger("LimitText", 0)
        .AddBoolean("ReadOnly", false)
        .AddBoolean("Password", false)
        .AddBoolean("Styled", false)
        .AddBoolean("Border", true)
        .AddBoolean("AcceptTabs", false)
        .AddInteger("Alignment", 0)
        .AddString("Mask", "")
        .AddString("Format", "")
        .AddBoolean("ScrollbarVertical", true)
        .AddBoolean("ScrollbarHorizontal", false)
        .AddBoolean("UseFocusRing", true)
        .AddColor("BackColor", {255, 255, 255})
        .AddColor("TextColor", {0, 0, 0})
        .AddString("DataField", "")
        .AddString("DataSource", "");
    return Then(ControlLayout(left, top, width, 22, tabIndex), extra);
}

inline fw::PropertyList LabelLayout(int left, int top, int width, int height, const std::string& text,
                                    int tabIndex = 0, bool multiline = false) {
    fw::PropertyList extra;
    extra.AddString("Text", text)
        .AddBoolean("Multiline", multiline)
        .AddInteger("TextAlign", 0)
        .AddColor("TextColor", {0, 0, 0})
        .AddString("DataField", "")
        .AddString("DataSource", "");
    return Then(ControlLayout(left, top, width, height, tabIndex), extra);
}

inline fw::PropertyList ListLayout(int left, int top, int width, int height, const std::string& heading,
                                   int tabIndex = 0, Locks locks = {}) {
    fw::PropertyList extra;
    extra.AddString("InitialValue", heading)
        .AddInteger("ColumnCount", 1)
        .AddString("ColumnWidths", "")
        .AddBoolean("HasHeading", true)
        .AddBoolean("UseFocusRing", true)
        .AddInteger("HeadingIndex", -1)
        .AddBoolean("ScrollbarHorizontal", false)
        .AddBoolean("ScrollBarVertical", true)
        .AddInteger("GridLinesHorizontal", 0)
        .AddInteger("GridLinesVertical", 0)
        .AddInteger("DefaultRowHeight", -1)
        .AddInteger("_ScrollWidth", -1)
        .AddInteger("_ScrollOffset", 0)
        .AddBoolean("Hierarchical", true)
        .AddBoolean("EnableDrag", false)
        .AddBoolean("EnableDragReorder", false)
        .AddBoolean("RequiresSelection", false)
        .AddInteger("SelectionType", 0)
        .AddBoolean("ColumnsResizable", false)
        .AddBoolean("AutoHideScrollbars", true)
        .AddString("DataField", "")
        .AddString("DataSource", "");
    return Then(ControlLayout(left, top, width, height, tabIndex, locks), extra);
}

}  // namespace fwtest
