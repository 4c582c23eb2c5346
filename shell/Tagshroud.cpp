#include "shell/Tagshroud.h"

#include <memory>
#include <string>
#include <string_view>

#include "framework/Exceptions.h"
#include "framework/Menus.h"
#include "framework/Window.h"
#include "shell/AboutApp.h"

namespace {

// The entry of that name in the window's menu bar, as an item of class T.
template <class T>
std::shared_ptr<T> MenuItemNamed(const fw::Window& window, std::string_view name) {
    auto bar = window.MenuBar();
    if (!bar) throw fw::NilObjectException("The window has no menu bar");
    auto item = std::dynamic_pointer_cast<T>(bar->Lookup(name));
    if (!item) throw fw::NilObjectException("No menu item named " + std::string(name));
    return item;
}

}  // namespace

Tagshroud::Tagshroud() : fw::Window(std::string(FrameworkClassName)) {}

// The stream is released, never closed: it closes when its last reference goes.
Tagshroud::~Tagshroud() {
    f = nullptr;
    br = nullptr;
}

std::shared_ptr<class Tagshroud> Tagshroud() { return fw::ImplicitWindow<class Tagshroud>(); }

void Tagshroud::AddMenuHandlers(fw::Window& window) {
    auto* tagshroud = dynamic_cast<class Tagshroud*>(&window);
    if (!tagshroud) throw fw::NilObjectException("The window is not a Tagshroud");
    AddMenuHandler("AboutAppz", tagshroud->Delegate(&Tagshroud::AboutAppz_Action));
}

bool Tagshroud::AboutAppz_Action() {
    ::AboutApp()->Show();
    return false;
}

std::shared_ptr<fw::MenuItem> Tagshroud::EditMenu() { return MenuItemNamed<fw::MenuItem>(*this, "EditMenu"); }
std::shared_ptr<fw::MenuItem> Tagshroud::EditSelectAll() { return MenuItemNamed<fw::MenuItem>(*this, "EditSelectAll"); }
std::shared_ptr<fw::MenuItem> Tagshroud::UntitledMenu0() { return MenuItemNamed<fw::MenuItem>(*this, "UntitledMenu0"); }
std::shared_ptr<fw::MenuItem> Tagshroud::EditClear() { return MenuItemNamed<fw::MenuItem>(*this, "EditClear"); }
std::shared_ptr<fw::MenuItem> Tagshroud::EditPaste() { return MenuItemNamed<fw::MenuItem>(*this, "EditPaste"); }
std::shared_ptr<fw::MenuItem> Tagshroud::EditCopy() { return MenuItemNamed<fw::MenuItem>(*this, "EditCopy"); }
std::shared_ptr<fw::MenuItem> Tagshroud::EditCut() { return MenuItemNamed<fw::MenuItem>(*this, "EditCut"); }
std::shared_ptr<fw::MenuItem> Tagshroud::UntitledMenu1() { return MenuItemNamed<fw::MenuItem>(*this, "UntitledMenu1"); }
std::shared_ptr<fw::MenuItem> Tagshroud::EditUndo() { return MenuItemNamed<fw::MenuItem>(*this, "EditUndo"); }
std::shared_ptr<fw::MenuItem> Tagshroud::FileMenu() { return MenuItemNamed<fw::MenuItem>(*this, "FileMenu"); }
std::shared_ptr<fw::QuitMenuItem> Tagshroud::FileQuit() { return MenuItemNamed<fw::QuitMenuItem>(*this, "FileQuit"); }
std::shared_ptr<fw::AppleMenuItem> Tagshroud::AboutAppz() { return MenuItemNamed<fw::AppleMenuItem>(*this, "AboutAppz"); }
