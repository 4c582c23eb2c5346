#include "framework/Runtime.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QPointer>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>

#include "framework/Dialogs.h"
#include "framework/Menus.h"
#include "framework/Window.h"
#include "framework/qt/Internal.h"
#include "framework/qt/MenuBinding.h"

namespace fw {
namespace {

std::unique_ptr<QApplication> application;
std::shared_ptr<Application> appObject;
int exitStatus = 0;
bool quitRequested = false;
int yieldDepth = 0;

#ifdef Q_OS_MACOS
// Only macOS has a menu bar of the application's own, shown when no window
// puts its own there.
std::unique_ptr<MenuBinding> applicationMenus;
#endif

}  // namespace

void Application::SetMenuBar(std::shared_ptr<fw::MenuBar> menuBar) {
    menuBar_ = std::move(menuBar);
#ifdef Q_OS_MACOS
    applicationMenus.reset();
    if (menuBar_ && QCoreApplication::instance())
        applicationMenus = std::make_unique<MenuBinding>(nullptr, *menuBar_, [] { return ActiveWindow(); });
#endif
}

void RuntimeInit(int& argc, char** argv) {
    if (QCoreApplication::instance()) return;
    application = std::make_unique<QApplication>(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tagshroud"));
    exitStatus = 0;
    quitRequested = false;
}

void RuntimeRegisterAppObject(std::shared_ptr<Application> app) { appObject = std::move(app); }

std::shared_ptr<Application> RegisteredAppObject() { return appObject; }

void RuntimeRun() {
    // A quit that came before the loop ends it as soon as it starts.
    if (QCoreApplication::instance() && !quitRequested) exitStatus = QApplication::exec();
    quitRequested = false;
}

void Quit(int status) {
    exitStatus = status;
    quitRequested = true;
    if (QCoreApplication::instance()) QCoreApplication::exit(status);
}

namespace {
void DeliverPendingAndDeferred() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
}  // namespace

int RuntimeExit() {
    // Windows first: their widgets must go while the application exists.
    auto windows = std::move(detail::LiveWindows());
    detail::LiveWindows().clear();
    windows.clear();
#ifdef Q_OS_MACOS
    applicationMenus.reset();
#endif
    appObject.reset();
    if (application) {
        DeliverPendingAndDeferred();
        // Windows that something still holds lose their widgets now.
        QList<QPointer<QWidget>> remaining;
        for (QWidget* widget : QApplication::topLevelWidgets()) remaining.append(widget);
        for (const auto& widget : remaining) delete widget.data();
        DeliverPendingAndDeferred();
        application.reset();
    }
    return exitStatus;
}

void UnhandledException(std::exception_ptr error) {
    std::string what = "an unknown error";
    try {
        if (error) std::rethrow_exception(error);
    } catch (const std::exception& e) {
        what = e.what();
    } catch (...) {
    }
    MsgBox("An unexpected error occurred: " + what);
}

void DispatchEvent(const std::function<void()>& handler) {
    try {
        handler();
    } catch (...) {
        try {
            UnhandledException(std::current_exception());
        } catch (...) {
            // The report itself failed; the event loop still has to go on.
            std::fputs("Tagshroud: an error could not be reported\n", stderr);
        }
    }
}

namespace detail {

// A call with nothing to do costs the inline decrement; the clock is read
// once per countdown, and the countdown adapts so that a clock read falls
// every 0.1 to 1 ms of the caller's work.
std::uint32_t yieldCountdown = 1;

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto RepaintInterval = std::chrono::milliseconds(16);
constexpr auto FastestCheck = std::chrono::microseconds(100);
constexpr auto SlowestCheck = std::chrono::milliseconds(1);
constexpr std::uint32_t FirstCountdown = 1024;
constexpr std::uint32_t LongestCountdown = 1u << 16;

std::uint32_t armedCountdown = FirstCountdown;
Clock::time_point lastCheck{};
Clock::time_point lastProcessed{};

void AdaptCountdown(Clock::duration sinceCheck) {
    if (sinceCheck < FastestCheck)
        armedCountdown = std::min(armedCountdown * 2, LongestCountdown);
    else if (sinceCheck > SlowestCheck)
        armedCountdown = std::max<std::uint32_t>(armedCountdown / 2, 1);
}

}  // namespace

void YieldToEventLoop() {
    if (!QCoreApplication::instance()) {
        yieldCountdown = LongestCountdown;
        return;
    }
    const auto now = Clock::now();
    AdaptCountdown(now - lastCheck);
    lastCheck = now;
    if (now - lastProcessed >= RepaintInterval) {
        ++yieldDepth;
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        --yieldDepth;
        // The input held back must reach the event loop once the caller is
        // done; without a wake-up Qt's dispatcher leaves it waiting for the
        // next event of any kind.
        if (auto* dispatcher = QCoreApplication::eventDispatcher()) dispatcher->wakeUp();
        lastProcessed = lastCheck = Clock::now();
    }
    yieldCountdown = armedCountdown;
}

bool InYield() { return yieldDepth > 0; }

namespace {
// The window of the innermost event being handled; a handler may show a
// modal dialog, in which the user acts in another window meanwhile.
std::weak_ptr<Window> actingWindow;
}  // namespace

void DispatchEventIn(Window* window, const std::function<void()>& handler) {
    std::weak_ptr<Window> outer = std::exchange(actingWindow, window ? window->weak_from_this() : std::weak_ptr<Window>());
    DispatchEvent(handler);
    actingWindow = std::move(outer);
}

Window* ActingWindow() { return actingWindow.lock().get(); }

std::vector<std::shared_ptr<Window>>& LiveWindows() {
    static std::vector<std::shared_ptr<Window>> windows;
    return windows;
}

void ReleaseLater(std::shared_ptr<const void> object) {
    if (!QCoreApplication::instance()) return;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [object = std::move(object)] {},
        Qt::QueuedConnection);
}

}  // namespace detail
}  // namespace fw
