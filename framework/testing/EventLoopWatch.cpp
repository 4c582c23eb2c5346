#include "framework/testing/EventLoopWatch.h"

#include <QApplication>
#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <chrono>

#include "framework/Window.h"
#include "framework/qt/WindowBackend.h"

namespace fw::testing {

namespace {
using Clock = std::chrono::steady_clock;

// The longest stretch so far, given the last mark and a new one.
struct Gaps {
    Clock::time_point last;
    Clock::duration longest{};
    int marks = 0;

    void Mark(Clock::time_point now) {
        longest = std::max(longest, now - last);
        last = now;
        ++marks;
    }
    double LongestMs() const { return std::chrono::duration<double, std::milli>(longest).count(); }
};
}  // namespace

struct EventLoopWatch::Watcher : QObject {
    explicit Watcher(QWidget* watched) : top(watched) {
        const auto now = Clock::now();
        turns.last = paints.last = now;
        qApp->installEventFilter(this);
        QObject::connect(&timer, &QTimer::timeout, this, [this] { turns.Mark(Clock::now()); });
        timer.setTimerType(Qt::PreciseTimer);
        timer.start(1);
    }
    ~Watcher() override { Stop(); }

    void Stop() {
        if (stopped) return;
        stopped = true;
        timer.stop();
        qApp->removeEventFilter(this);
        const auto now = Clock::now();
        turns.Mark(now);
        paints.Mark(now);
        --paints.marks;  // the stop is no paint
    }

    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::Paint && top) {
            auto* widget = qobject_cast<QWidget*>(object);
            if (widget && widget->window() == top) paints.Mark(Clock::now());
        }
        return false;
    }

    QPointer<QWidget> top;
    QTimer timer;
    Gaps turns;
    Gaps paints;
    bool stopped = false;
};

EventLoopWatch::EventLoopWatch(Window& window)
    : watcher_(std::make_unique<Watcher>(window.GetBackend().widget)) {}

EventLoopWatch::~EventLoopWatch() = default;

void EventLoopWatch::Stop() { watcher_->Stop(); }

int EventLoopWatch::Paints() const { return watcher_->paints.marks; }

double EventLoopWatch::LongestGapMs() const { return watcher_->turns.LongestMs(); }

double EventLoopWatch::LongestPaintGapMs() const { return watcher_->paints.LongestMs(); }

}  // namespace fw::testing
