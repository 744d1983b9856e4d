#pragma once

#include "data/style_catalogue.h"
#include "preview_clock.h"

#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <optional>

class QTimer;

namespace lumatic {

// The hidden window Form2 that hosts the twenty preview clocks, Timer1 to Timer20. It is never
// shown, so it is a plain object: its timers and their counts are all it holds.
class PreviewClocks : public QObject {
    Q_OBJECT
public:
    static constexpr int interval = 120; // ms per position

    // Each tick writes its position text through the given writer (the main window's box).
    explicit PreviewClocks(std::function<void(const QString &)> writePosition);

    // Starting a clock that already runs keeps its beat.
    void setEnabled(int clock, bool enabled);
    bool isEnabled(int clock) const;
    std::optional<int> runningClock() const;

    // Enabled False on every clock, Timer1 first, also on those already stopped.
    void stopAll();

    // One tick of a clock, as its timer delivers it.
    void tick(int clock);

    const PreviewClock &clock(int number) const { return clocks_.at(number - 1); }

private:
    std::function<void(const QString &)> writePosition_;
    std::array<QTimer *, clockCount> timers_{};
    std::array<PreviewClock, clockCount> clocks_;
};

} // namespace lumatic
