#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "framework/PropertyList.h"

namespace fw {

class Window;

// A control placed in a window at a fixed position, in the window's content
// coordinates. A control anchored (locked) to a side keeps its distance to
// that side when the window is resized; locked to two opposite sides, it
// stretches between them. A control's accessible name is what a user sees on
// it (caption or text); its object name is its name in the window.
class RectControl : public PropertyHolder, public std::enable_shared_from_this<RectControl> {
public:
    ~RectControl() override;
    RectControl(const RectControl&) = delete;
    RectControl& operator=(const RectControl&) = delete;

    // The name the window registered the control under (empty until then).
    const std::string& Name() const;

    std::int32_t Left() const;
    void SetLeft(std::int32_t left);
    std::int32_t Top() const;
    void SetTop(std::int32_t top);
    std::int32_t Width() const;
    void SetWidth(std::int32_t width);
    std::int32_t Height() const;
    void SetHeight(std::int32_t height);

    bool LockLeft() const;
    void SetLockLeft(bool lock);
    bool LockTop() const;
    void SetLockTop(bool lock);
    bool LockRight() const;
    void SetLockRight(bool lock);
    bool LockBottom() const;
    void SetLockBottom(bool lock);

    bool Enabled() const;
    void SetEnabled(bool enabled);
    bool Visible() const;
    void SetVisible(bool visible);
    std::int32_t TabIndex() const;
    void SetTabIndex(std::int32_t index);

    // "System" and size 0 mean the platform's standard font and size.
    const std::string& TextFont() const;
    void SetTextFont(const std::string& font);
    std::int32_t TextSize() const;
    void SetTextSize(std::int32_t size);
    bool Bold() const;
    void SetBold(bool bold);
    bool Italic() const;
    void SetItalic(bool italic);
    bool Underline() const;
    void SetUnderline(bool underline);
    // The tooltip; empty for none.
    const std::string& HelpTag() const;
    void SetHelpTag(const std::string& tag);

    std::optional<PropertyType> DeclaredType(std::string_view name) const override;
    void SetProperty(std::string_view name, const PropertyValue& value) override;

    struct Backend;  // the toolkit widget behind the control
    Backend& GetBackend() const { return *backend_; }

protected:
    RectControl(Window& owner, std::unique_ptr<Backend> backend);

private:
    friend class Window;
    std::unique_ptr<Backend> backend_;
};

class PushButton : public RectControl {
public:
    explicit PushButton(Window& owner);

    const std::string& Caption() const;
    void SetCaption(const std::string& caption);
    // The default button is pressed by Return in its window while enabled.
    bool Default() const;
    void SetDefault(bool isDefault);
    // A cancel button is pressed by Escape in its window while enabled.
    bool Cancel() const;
    void SetCancel(bool isCancel);

    // Binds the Action event: the handler runs when the button is pressed.
    // An exception escaping it is reported and the event loop goes on.
    void BindAction(std::function<void()> handler);
    // Presses the button as a click would: nothing when it is disabled.
    void Push();

    std::optional<PropertyType> DeclaredType(std::string_view name) const override;
    void SetProperty(std::string_view name, const PropertyValue& value) override;
};

// A list of text rows under an optional heading. Row texts are raw bytes and
// are shown one character per byte (ISO-8859-1), so nothing is replaced.
class Listbox : public RectControl {
public:
    explicit Listbox(Window& owner);

    void AddRow(const std::string& text);
    void DeleteAllRows();
    std::int32_t RowCount() const;
    // The text of row `row`, counted from 0; empty outside the list.
    std::string RowText(std::int32_t row) const;

    // The heading of the first column, shown when HasHeading is set.
    const std::string& InitialValue() const;
    void SetInitialValue(const std::string& value);
    bool HasHeading() const;
    void SetHasHeading(bool hasHeading);
    std::int32_t ColumnCount() const;
    void SetColumnCount(std::int32_t count);
    // A scroll bar that is on shows when the rows need it (AutoHideScrollbars)
    // or always; one that is off never shows.
    bool ScrollbarHorizontal() const;
    void SetScrollbarHorizontal(bool on);
    bool ScrollBarVertical() const;
    void SetScrollBarVertical(bool on);
    bool AutoHideScrollbars() const;
    void SetAutoHideScrollbars(bool autoHide);
    // 0 one row at a time, 1 several rows.
    std::int32_t SelectionType() const;
    void SetSelectionType(std::int32_t type);

    std::optional<PropertyType> DeclaredType(std::string_view name) const override;
    void SetProperty(std::string_view name, const PropertyValue& value) override;
};

// A label. Its text is raw bytes shown one character per byte; a carriage
// return starts a new line in a multi-line label.
class StaticText : public RectControl {
public:
    explicit StaticText(Window& owner);

    const std::string& Text() const;
    void SetText(const std::string& text);
    bool Multiline() const;
    void SetMultiline(bool multiline);
    // 0 left, 1 centre, 2 right.
    std::int32_t TextAlign() const;
    void SetTextAlign(std::int32_t align);
    fw::Color TextColor() const;
    void SetTextColor(fw::Color color);

    std::optional<PropertyType> DeclaredType(std::string_view name) const override;
    void SetProperty(std::string_view name, const PropertyValue& value) override;
};

// A one-line text field. Text() gives what the user typed as UTF-8 bytes.
class EditField : public RectControl {
public:
    explicit EditField(Window& owner);

    std::string Text() const;
    void SetText(const std::string& text);
    // The most characters the field takes; 0 for no limit.
    std::int32_t LimitText() const;
    void SetLimitText(std::int32_t limit);
    bool ReadOnly() const;
    void SetReadOnly(bool readOnly);
    bool Password() const;
    void SetPassword(bool password);
    bool Border() const;
    void SetBorder(bool border);
    // 0 the platform's default, 1 left, 2 centre, 3 right.
    std::int32_t Alignment() const;
    void SetAlignment(std::int32_t alignment);
    fw::Color BackColor() const;
    void SetBackColor(fw::Color color);
    fw::Color TextColor() const;
    void SetTextColor(fw::Color color);

    std::optional<PropertyType> DeclaredType(std::string_view name) const override;
    void SetProperty(std::string_view name, const PropertyValue& value) override;
};

}  // namespace fw
