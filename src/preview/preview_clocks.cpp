#include "preview_clocks.h"

#include "preview_sequence.h"

#include <QTimer>
#include <utility>

namespace lumatic {

PreviewClocks::PreviewClocks(std::function<void(const QString &)> writePosition)
    : writePosition_(std::move(writePosition)) {
    setObjectName(QStringLiteral("Form2"));
    for (int number = 1; number <= clockCount; ++number) {
        auto *timer = new QTimer(this);
        timer->setObjectName(QStringLiteral("Timer%1").arg(number));
        // A precise timer keeps to its schedule: a late tick does not push the later ones back.
        timer->setTimerType(Qt::PreciseTimer);
        timer->setInterval(interval);
        connect(timer, &QTimer::timeout, this, [this, number] { tick(number); });
        timers_[number - 1] = timer;
        clocks_[number - 1] = PreviewClock(int(PreviewSequence::of(number).size()));
    }
}

void PreviewClocks::setEnabled(int clock, bool enabled) {
    QTimer *t = timers_.at(clock - 1);
    if (!enabled)
        t->stop();
    else if (!t->isActive())
        t->start();
}

bool PreviewClocks::isEnabled(int clock) const {
    return timers_.at(clock - 1)->isActive();
}

std::optional<int> PreviewClocks::runningClock() const {
    for (int number = 1; number <= clockCount; ++number)
        if (isEnabled(number))
            return number;
    return std::nullopt;
}

void PreviewClocks::stopAll() {
    for (int number = 1; number <= clockCount; ++number)
        setEnabled(number, false);
}

void PreviewClocks::tick(int clock) {
    const PositionText position = clocks_.at(clock - 1).advance();
    writePosition_(QString::fromStdString(position.str()));
}

} // namespace lumatic
