#include "shell/MenuBar1.h"

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "framework/Exceptions.h"
#include "framework/Menus.h"

std::shared_ptr<class MenuBar1> MenuBar1_implicitInstance;

namespace {

enum class EntryClass { MenuItem, AppleMenuItem, QuitMenuItem };

// One entry of the menu tree. An empty parent means the menu bar itself; a
// shortcut of nullopt is never set (the separators), while "" is set as the
// empty shortcut.
struct MenuEntry {
    std::string_view Parent;
    std::string_view Name;
    EntryClass Class;
    std::string_view Text;
    std::optional<std::string_view> Shortcut;
};

constexpr MenuEntry FileEntries[] = {
    {"", "FileMenu", EntryClass::MenuItem, "&File", ""},
    {"FileMenu", "AboutAppz", EntryClass::AppleMenuItem, "About", ""},
    {"FileMenu", "FileQuit", EntryClass::QuitMenuItem, "&Quit", "Cmd+Q"},
};

constexpr MenuEntry EditEntries[] = {
    {"", "EditMenu", EntryClass::MenuItem, "&Edit", ""},
    {"EditMenu", "EditUndo", EntryClass::MenuItem, "&Undo", "Cmd+Z"},
    {"EditMenu", "UntitledMenu1", EntryClass::MenuItem, "-", std::nullopt},
    {"EditMenu", "EditCut", EntryClass::MenuItem, "Cu&t", "Cmd+X"},
    {"EditMenu", "EditCopy", EntryClass::MenuItem, "&Copy", "Cmd+C"},
    {"EditMenu", "EditPaste", EntryClass::MenuItem, "&Paste", "Cmd+V"},
    {"EditMenu", "EditClear", EntryClass::MenuItem, "&Delete", ""},
    {"EditMenu", "UntitledMenu0", EntryClass::MenuItem, "-", std::nullopt},
    {"EditMenu", "EditSelectAll", EntryClass::MenuItem, "Select &All", "Cmd+A"},
};

std::shared_ptr<fw::MenuItem> NewEntry(EntryClass cls) {
    switch (cls) {
    case EntryClass::AppleMenuItem: return std::make_shared<fw::AppleMenuItem>();
    case EntryClass::QuitMenuItem: return std::make_shared<fw::QuitMenuItem>();
    case EntryClass::MenuItem: break;
    }
    return std::make_shared<fw::MenuItem>();
}

// Builds the entries in table order. Each item's parent menu is looked up by
// name on the bar afresh, after the menu itself has been appended.
void BuildEntries(fw::MenuBar& bar, std::span<const MenuEntry> entries) {
    for (const MenuEntry& entry : entries) {
        auto item = NewEntry(entry.Class);
        item->SetName(std::string(entry.Name));
        item->SetAutoEnable(true);
        item->SetText(std::string(entry.Text));
        if (entry.Shortcut) item->SetKeyboardShortcut(std::string(*entry.Shortcut));

        if (entry.Parent.empty()) {
            bar.Append(item);
            continue;
        }
        auto parent = bar.Child(entry.Parent);
        if (!parent) throw fw::NilObjectException("No menu named " + std::string(entry.Parent));
        parent->Append(item);
    }
}

}  // namespace

void MenuBar1::Constructor() {
    Untitled0();
    Untitled1();
}

void MenuBar1::Untitled0() { BuildEntries(*this, FileEntries); }

void MenuBar1::Untitled1() { BuildEntries(*this, EditEntries); }

std::shared_ptr<class MenuBar1> MenuBar1() {
    if (!MenuBar1_implicitInstance) {
        // The global is set only once both menus are built, so a failure
        // while building leaves it empty.
        auto bar = std::make_shared<class MenuBar1>();
        bar->Constructor();
        MenuBar1_implicitInstance = bar;
    }
    return MenuBar1_implicitInstance;
}

void MenuBar1_implicitInstance_Exit() { MenuBar1_implicitInstance = nullptr; }
