#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace fw {
class Listbox;
class RectControl;
class Window;
}  // namespace fw

// Acting as a user in tests, with real toolkit input events, and reading back
// what the toolkit shows. Texts going in and out are UTF-8.
namespace fw::testing {

// Delivers everything pending: posted events, window-system events, repaints.
void ProcessEvents();
// Leaves `work` waiting for the event loop, as a timer or another program's
// event would: the next event processing runs it, a yield's included.
void PostToEventLoop(std::function<void()> work);
// Runs `watcher` each time the window's shown title changes, at that moment.
void WatchTitle(Window& window, std::function<void()> watcher);

// A left click in the middle of the control, through the window system's
// path: a window blocked by a modal one does not get it.
void Click(RectControl& control);
// The same click, left in the window system's queue; the next event
// processing that takes user input delivers it.
void QueueClick(RectControl& control);

enum class Key { Return, Enter, Escape, Tab };
// Makes the window active and presses `key` in it; the window's focused
// widget gets it first.
void PressKey(Window& window, Key key);
// Makes the window active and presses a key combination written in Qt's
// portable form, e.g. "Ctrl+Q".
void PressShortcut(Window& window, const std::string& keys);
// Puts the focus in the control and types `text` into it, one key per character.
void TypeText(RectControl& control, const std::string& text);

// Resizes the window, as the user dragging its corner would, so that its
// content area becomes width by height (within the window's limits).
void ResizeContent(Window& window, int width, int height);
// The window system's close request (the close box), delivered at once.
void ClickCloseBox(Window& window);
// The same request left in the window system's queue, which Qt holds back,
// like user input, from event processing that excludes user input.
void QueueCloseBox(Window& window);
// The same request posted to the window, as platforms that do not hold close
// requests back deliver it: any event processing delivers it, a yield's too.
void PostCloseRequest(Window& window);

// Chooses the item in the window's menu bar, as a user would after opening
// its menu: false when the item is disabled or not there.
bool ChooseMenuItem(Window& window, const std::string& itemName);
// Whether the item is enabled once its menu has been opened.
bool MenuItemEnabled(Window& window, const std::string& itemName);
struct MenuEntry {
    std::string Name;
    std::string Text;      // as the toolkit shows it, mnemonics included
    std::string Shortcut;  // the key sequence in Qt's portable form; empty for none
    std::string Role;      // "About", "Quit" or "None"
    bool IsMenu = false;
    bool IsSeparator = false;
};
// Every entry of the window's menu bar, menus and items in order.
std::vector<MenuEntry> MenuEntries(Window& window);

bool IsShown(Window& window);
std::string ShownTitle(Window& window);
struct Size {
    int Width = 0;
    int Height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};
Size ContentSize(Window& window);
struct Frame {
    bool CloseButton = false;
    bool MinimizeButton = false;
    bool MaximizeButton = false;
    bool Resizable = false;
};
Frame FrameOf(Window& window);
// The sheet is shown modal to `parent` alone, so `parent` takes no input.
bool IsWindowModalOver(Window& sheet, Window& parent);
// The repaints of the window's content area since the first call for it.
std::int64_t PaintCount(Window& window);
// The name of the control holding the window's focus; empty for none.
std::string FocusedControlName(Window& window);
// The controls' names in the order Tab walks them, from the first in tab order.
std::vector<std::string> TabOrder(Window& window);
// How many windows the framework lists as open.
std::size_t ListedWindowCount();
// Closes every window the framework lists as open.
void CloseAllWindows();

struct Rect {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};
// The control's geometry in its window's content area, as the toolkit has it.
Rect GeometryOf(RectControl& control);
std::string AccessibleName(RectControl& control);
std::string ObjectName(RectControl& control);
// What the control shows: a button's caption, a label's or a field's text,
// a list's heading.
std::string ShownText(RectControl& control);
bool ShownEnabled(RectControl& control);
bool ShownVisible(RectControl& control);
bool HeadingShown(Listbox& list);
std::string ShownRowText(Listbox& list, int row);
// The row the list's cursor is on, or -1.
int CurrentRow(Listbox& list);
// The height of each of the list's rows, and of a line of text in the
// control's font, in pixels.
int ShownRowHeight(Listbox& list);
int LineHeight(RectControl& control);
// Paints of the list's rows area since the first call for this list.
std::int64_t RowAreaPaints(Listbox& list);

void SetClipboardText(const std::string& text);
std::string ClipboardText();

}  // namespace fw::testing
