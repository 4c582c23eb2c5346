#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fw {

// One entry of a menu tree: the menu bar, a menu, an item or a separator
// (an entry whose text is "-"). The tree is plain data; each window that
// shows a menu bar builds its own toolkit menus from it.
class MenuItem : public std::enable_shared_from_this<MenuItem> {
public:
    MenuItem() = default;
    virtual ~MenuItem() = default;
    MenuItem(const MenuItem&) = delete;
    MenuItem& operator=(const MenuItem&) = delete;

    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }

    // The caption; an '&' stands before the mnemonic letter.
    const std::string& Text() const { return text_; }
    void SetText(std::string text) { text_ = std::move(text); }
    bool IsSeparator() const { return text_ == "-"; }

    // Written "Cmd+Q": Cmd is the platform's command key (Ctrl on Linux and
    // Windows). Empty when set to no shortcut; nullopt when never set.
    const std::optional<std::string>& KeyboardShortcut() const { return shortcut_; }
    void SetKeyboardShortcut(std::string shortcut) { shortcut_ = std::move(shortcut); }

    // An auto-enabled item is enabled whenever what it acts on is there.
    bool AutoEnable() const { return autoEnable_; }
    void SetAutoEnable(bool autoEnable) { autoEnable_ = autoEnable; }

    // Appends `child` as the last entry below this one; an empty `child` is
    // refused with a NilObjectException.
    void Append(std::shared_ptr<MenuItem> child);
    std::int32_t Count() const { return static_cast<std::int32_t>(children_.size()); }
    // The entry at `index`, counted from 0; an OutOfBoundsException outside
    // 0 to Count() - 1.
    std::shared_ptr<MenuItem> Item(std::int32_t index) const;
    // The direct child of that name, or nullptr.
    std::shared_ptr<MenuItem> Child(std::string_view name) const;
    // The entry of that name anywhere below this one, or nullptr.
    std::shared_ptr<MenuItem> Lookup(std::string_view name) const;

    // The place a platform gives the entry on its menu bar.
    enum class Role { Plain, About, Quit };
    virtual Role MenuRole() const { return Role::Plain; }

private:
    std::string name_;
    std::string text_;
    std::optional<std::string> shortcut_;
    bool autoEnable_ = false;
    std::vector<std::shared_ptr<MenuItem>> children_;
};

class MenuBar : public MenuItem {};

// The About item: macOS puts it in the application menu.
class AppleMenuItem : public MenuItem {
public:
    Role MenuRole() const override { return Role::About; }
};

// The Quit item: choosing it quits the application and ends the event loop.
class QuitMenuItem : public MenuItem {
public:
    Role MenuRole() const override { return Role::Quit; }
};

}  // namespace fw
