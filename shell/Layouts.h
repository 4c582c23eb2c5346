#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "framework/PropertyList.h"
#include "framework/Window.h"

// What the design-time lists of the program's three windows share. Each
// window's own file states only the values that set its layout apart.
namespace layouts {

inline constexpr fw::Color White{255, 255, 255};
inline constexpr fw::Color Black{0, 0, 0};

// Frame kinds: a document window, and a sheet shown over the main window,
// which takes no input while the sheet is up.
inline constexpr std::int32_t DocumentFrame = 0;
inline constexpr std::int32_t SheetFrame = 8;

// The Index of a control that belongs to no control array.
inline constexpr std::int32_t NoControlArray = std::numeric_limits<std::int32_t>::min();

struct WindowLayout {
    std::int32_t Width;
    std::int32_t Height;
    std::int32_t Frame;
    std::string_view Title;
    bool Resizeable;
    bool MaximizeButton;
};

// A window's list: every window carries the same properties in the same
// stored order, with these values for the ones that differ.
fw::PropertyList WindowList(const WindowLayout& layout);

struct ControlPlacement {
    std::int32_t Left;
    std::int32_t Top;
    std::int32_t Width;
    std::int32_t Height;
    std::int32_t TabIndex;
    bool LockLeft = false;
    bool LockTop = false;
    bool LockRight = false;
    bool LockBottom = false;
};

// A control's list starts with its place, anchors and tab position.
fw::PropertyList PlacedList(const ControlPlacement& place);

// Ends a control's list with what every control of the program carries:
// shown, the system font, no tooltip and no control array.
void AddCommonControlValues(fw::PropertyList& list);

// Ends a label's or a field's list: bound to no data source.
void AddNoDataBinding(fw::PropertyList& list);

// Makes a control of class C owned by `window`, registers it under `name`,
// then finds it again by that name and applies its list.
template <class C>
void BuildControl(fw::Window& window, const std::string& name, const fw::PropertyList& list) {
    window.AddControl(name, window.New<C>());
    fw::SetProperties(*window.Control<C>(name), list);
}

}  // namespace layouts
