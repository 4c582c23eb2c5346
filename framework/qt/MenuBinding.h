#pragma once

#include <QAction>
#include <QKeySequence>
#include <QMenuBar>
#include <QMetaObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Menus.h"

class QLineEdit;
class QMenu;
class QWidget;

namespace fw {

class Window;

// The toolkit menus built from one menu tree: a QMenuBar with a QMenu per
// menu and a QAction per item. `parentWindow` is the window that shows it, or
// nullptr for a parentless bar (the application's, on macOS). `target` names
// the window whose handlers and focused field the items act on.
class MenuBinding {
public:
    MenuBinding(QWidget* parentWindow, const MenuBar& tree, std::function<Window*()> target);
    ~MenuBinding();
    MenuBinding(const MenuBinding&) = delete;
    MenuBinding& operator=(const MenuBinding&) = delete;

    QMenuBar* Bar() const { return bar_; }
    // The action of the entry named `name` (menus included), or nullptr.
    QAction* Action(std::string_view name) const;
    std::shared_ptr<MenuItem> Item(std::string_view name) const;

    // Enables each auto-enabled item exactly when choosing it would act.
    void UpdateEnabled();
    // Chooses the entry as the user would; false when it is disabled or unknown.
    bool Choose(std::string_view name);

    struct Entry {
        std::shared_ptr<MenuItem> item;
        QPointer<QAction> action;
        bool isMenu = false;
    };
    const std::vector<Entry>& Entries() const { return entries_; }

private:
    void AddChildren(QMenu* menu, const MenuItem& parent);
    void AddItem(QMenu* menu, const std::shared_ptr<MenuItem>& item);
    void Trigger(const MenuItem& item);
    void WatchField(QWidget* focus);

    QPointer<QMenuBar> bar_;
    std::function<Window*()> target_;
    std::vector<Entry> entries_;
    std::vector<QMetaObject::Connection> connections_;
    std::vector<QMetaObject::Connection> fieldConnections_;
};

// "Cmd+Q" as a key sequence: Cmd is the platform's command key, which Qt
// calls Ctrl (and maps to Command on macOS). Empty for no shortcut.
QKeySequence ShortcutFromText(std::string_view text);

// The window that the user works in: the active window, else the frontmost
// open document window; nullptr when none is open.
Window* ActiveWindow();

// The standard Edit items act on the focused one-line field of the window.
bool IsEditItem(std::string_view name);
bool EditItemApplies(std::string_view name, QLineEdit* field);
void PerformEditItem(std::string_view name, QLineEdit* field);

}  // namespace fw
