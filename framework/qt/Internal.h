#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace fw {

class Window;

namespace detail {

// True while the cooperative yield is letting the event loop run. A window
// refuses the window system's close requests then, so nothing is closed under
// a running loop.
bool InYield();

// The framework's list of open windows, in the order they were opened.
std::vector<std::shared_ptr<Window>>& LiveWindows();

// Runs an event handler of `window` (a control's or a menu item's) through
// DispatchEvent, with `window` as the window the user acted in while it runs.
void DispatchEventIn(Window* window, const std::function<void()>& handler);
// The window whose control or menu event is being handled, or nullptr.
Window* ActingWindow();

// Keeps `object` alive until the event loop next gets control. A window that
// closes from inside one of its own event handlers is released this way, so
// it is never destroyed in the middle of the handler.
void ReleaseLater(std::shared_ptr<const void> object);

// Map bytes are shown one character per byte; program literals are UTF-8.
inline QString FromBytes(std::string_view bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}
inline QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::string ToUtf8(const QString& text) {
    return text.toUtf8().toStdString();
}

}  // namespace detail
}  // namespace fw
