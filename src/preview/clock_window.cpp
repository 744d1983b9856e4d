#include "clock_window.h"

#include "preview_sequence.h"

#include <QTimer>
#include <utility>

namespace lumatic {

namespace {

std::array<PreviewClock, clockCount> makeClocks() {
    return [&]<std::size_t... k>(std::index_sequence<k...>) {
        return std::array<PreviewClock, clockCount>{
            PreviewClock(int(PreviewSequence::of(int(k) + 1).size()))...};
    }
    (std::make_index_sequence<clockCount>{});
}

} // namespace

ClockWindow::ClockWindow(std::function<void(const QString &)> writePosition)
    : writePosition_(std::move(writePosition)), clocks_(makeClocks()) {
    setObjectName(QStringLiteral("Form2"));
    for (int number = 1; number <= clockCount; ++number) {
        auto *timer = new QTimer(this);
        timer->setObjectName(QStringLiteral("Timer%1").arg(number));
        // A precise timer keeps to its schedule: a late tick does not push the later ones back.
        timer->setTimerType(Qt::PreciseTimer);
        timer->setInterval(interval);
        connect(timer, &QTimer::timeout, this, [this, number] { tick(number); });
        timers_[number - 1] = timer;
    }
}

void ClockWindow::setEnabled(int clock, bool enabled) {
    QTimer *t = timer(clock);
    if (!enabled)
        t->stop();
    else if (!t->isActive())
        t->start();
}

bool ClockWindow::isEnabled(int clock) const {
    return timer(clock)->isActive();
}

std::optional<int> ClockWindow::runningClock() const {
    for (int number = 1; number <= clockCount; ++number)
        if (isEnabled(number))
            return number;
    return std::nullopt;
}

void ClockWindow::stopAll() {
    for (int number = 1; number <= clockCount; ++number)
        setEnabled(number, false);
}

void ClockWindow::tick(int clock) {
    const PositionText position = clocks_.at(clock - 1).advance();
    writePosition_(QString::fromStdString(position.str()));
}

} // namespace lumatic
