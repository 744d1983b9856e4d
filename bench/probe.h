#pragma once

// What the bench executables share: they report "key value" lines on standard output, which
// bench/run.py reads.

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QObject>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <pthread.h>
#include <string>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <valgrind/callgrind.h>
#include <vector>

namespace bench {

// CLOCK_MONOTONIC, the clock Python's time.monotonic_ns() reads in the driver.
inline std::int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// User and system time of every thread of the process.
struct CpuTimes {
    std::int64_t userNs, systemNs;
};

inline CpuTimes cpuTimes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto ns = [](const timeval &t) {
        return std::int64_t(t.tv_sec) * 1000000000 + t.tv_usec * 1000;
    };
    return {ns(usage.ru_utime), ns(usage.ru_stime)};
}

// A field of /proc/self/status, or of one thread's status; -1 when missing.
inline long statusField(const char *field, long tid = 0) {
    const QString path = tid ? QStringLiteral("/proc/self/task/%1/status").arg(tid)
                             : QStringLiteral("/proc/self/status");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray &line : file.readAll().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLong();
    return -1;
}

// The kernel's own count of the times the GUI thread went to sleep and was woken.
inline long mainThreadSleeps() {
    return statusField("voluntary_ctxt_switches", gettid());
}

// The same count for the other threads of the process, by name, the measurement's own left out:
// the helper threads (the X event reader, D-Bus) must sleep too while nothing plays.
inline std::map<std::string, long> threadSleeps() {
    std::map<std::string, long> sleeps;
    for (const QString &tid : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs)) {
        QFile comm(QStringLiteral("/proc/self/task/%1/comm").arg(tid));
        if (tid.startsWith(QLatin1Char('.')) || tid.toLong() == getpid() ||
            !comm.open(QIODevice::ReadOnly))
            continue;
        const std::string name = comm.readAll().trimmed().toStdString();
        if (name == "bench-timer")
            continue;
        sleeps[name] += statusField("voluntary_ctxt_switches", tid.toLong());
    }
    return sleeps;
}

// Mapped files whose path contains the given text (proof that a library is not loaded).
inline int mappedFiles(const char *text) {
    QFile file(QStringLiteral("/proc/self/maps"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    QList<QByteArray> paths;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const int slash = line.indexOf('/');
        if (slash >= 0 && line.indexOf(text, slash) >= 0 && !paths.contains(line.mid(slash)))
            paths.append(line.mid(slash));
    }
    return int(paths.size());
}

// The process and every process it started, directly or not (the web engine's helpers).
inline std::vector<long> processTree() {
    std::map<long, long> parents;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const long pid = entry.toLong(&number);
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!number || !stat.open(QIODevice::ReadOnly))
            continue;
        // The parent is the second field after the command, which may itself hold spaces.
        const QByteArray text = stat.readAll();
        parents[pid] = text.mid(text.lastIndexOf(')') + 2).split(' ').value(1).toLong();
    }
    std::vector<long> tree{long(getpid())};
    for (std::size_t i = 0; i < tree.size(); ++i)
        for (const auto &[pid, parent] : parents)
            if (parent == tree[i])
                tree.push_back(pid);
    return tree;
}

// Proportional set size of the process tree: shared pages counted once across it.
inline long treePssKib() {
    long total = 0;
    for (long pid : processTree()) {
        QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
        if (!rollup.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &line : rollup.readAll().split('\n'))
            if (line.startsWith("Pss:"))
                total += line.mid(4).trimmed().split(' ').value(0).toLong();
    }
    return total;
}

inline void report(const char *key, double value) {
    std::printf("%s %.17g\n", key, value);
    std::fflush(stdout);
}

inline void report(const char *key, const std::string &value) {
    std::printf("%s %s\n", key, value.c_str());
    std::fflush(stdout);
}

// The items separated by commas, or "-" for none.
inline std::string joined(const std::vector<std::string> &items) {
    std::string line;
    for (const std::string &item : items) {
        if (!line.empty())
            line += ',';
        line += item;
    }
    return line.empty() ? "-" : line;
}

// Calls done once the window's first frame is complete: the Paint event starts the frame, and a
// zero timer runs only after the whole backing store (children included) has been flushed.
class FirstFrame : public QObject {
public:
    FirstFrame(QWidget *window, std::function<void()> done)
        : QObject(window), done_(std::move(done)) {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            watched->removeEventFilter(this);
            // Under callgrind, the instructions up to here are written out as the start-up's.
            QTimer::singleShot(0, this, [this] {
                CALLGRIND_DUMP_STATS_AT("first frame");
                done_();
            });
        }
        return false;
    }

private:
    std::function<void()> done_;
    bool seen_ = false;
};

// Counts what wakes the GUI thread: Timer events by receiver (every QTimer and startTimer()
// delivers one), all events by type, and event-loop iterations that were about to block.
class WakeupCounter : public QObject {
public:
    WakeupCounter() {
        QCoreApplication::instance()->installEventFilter(this);
        connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
                [this] { ++blocks_; });
    }

    // Counts for the given time, reports, then calls then. The end of the window comes from
    // another thread, as a posted event, so that ending it is no timer of the GUI thread; the
    // iteration that the posted event ends is counted, so the wakeups are the blocks less one.
    void measure(int seconds, std::string prefix, std::function<void()> then) {
        start(prefix);
        std::thread([this, seconds, prefix, then] {
            pthread_setname_np(pthread_self(), "bench-timer");
            std::this_thread::sleep_for(std::chrono::seconds(seconds));
            QMetaObject::invokeMethod(
                this,
                [this, prefix, then] {
                    stop(prefix, 1);
                    then();
                },
                Qt::QueuedConnection);
        }).detach();
    }

    // Tells the driver at once, so that it can sample other processes over the same window.
    void start(const std::string &prefix) {
        report((prefix + "_begin").c_str(), double(nowNs()));
        timers_.clear();
        paints_.clear();
        events_.clear();
        blocks_ = 0;
        timerEvents_ = 0;
        sleeps0_ = mainThreadSleeps();
        threads0_ = threadSleeps();
        cpu0_ = cpuTimes();
        wall0_ = nowNs();
        counting_ = true;
    }

    // ours: the wakeups that the measurement itself caused, left out of the counts.
    void stop(const std::string &prefix, int ours) {
        counting_ = false;
        const CpuTimes cpu = cpuTimes();
        const double userMs = double(cpu.userNs - cpu0_.userNs) / 1e6;
        const double systemMs = double(cpu.systemNs - cpu0_.systemNs) / 1e6;
        const long sleeps = mainThreadSleeps() - sleeps0_;
        std::vector<std::string> others;
        for (const auto &[name, count] : threadSleeps())
            if (long more = count - threads0_[name]; more > 0)
                others.push_back(name + '=' + std::to_string(more));
        const double seconds = double(nowNs() - wall0_) / 1e9;
        report((prefix + "_seconds").c_str(), seconds);
        report((prefix + "_timer_events").c_str(), double(timerEvents_));
        report((prefix + "_loop_wakeups").c_str(), double(blocks_ - ours));
        report((prefix + "_thread_wakeups").c_str(), double(sleeps - ours));
        report((prefix + "_threads_woken").c_str(), joined(others));
        report((prefix + "_cpu_ms_per_min").c_str(), (userMs + systemMs) / seconds * 60.0);
        report((prefix + "_system_cpu_ms_per_min").c_str(), systemMs / seconds * 60.0);
        std::vector<std::string> who, painted, kinds;
        for (const auto &[name, count] : timers_)
            who.push_back(name + '=' + std::to_string(count));
        for (const auto &[name, count] : paints_)
            painted.push_back(name + '=' + std::to_string(count));
        for (const auto &[type, count] : events_)
            kinds.push_back(std::to_string(type) + '=' + std::to_string(count));
        report((prefix + "_timer_receivers").c_str(), joined(who));
        report((prefix + "_event_types").c_str(), joined(kinds));
        report((prefix + "_painted").c_str(), joined(painted));
    }

private:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (counting_) {
            ++events_[int(event->type())];
            if (event->type() == QEvent::Timer) {
                ++timerEvents_;
                ++timers_[nameOf(watched)];
            } else if (event->type() == QEvent::Paint) {
                ++paints_[nameOf(watched)];
            }
        }
        return false;
    }

    static std::string nameOf(const QObject *object) {
        std::string name = object->metaObject()->className();
        if (!object->objectName().isEmpty()) {
            name += ':';
            name += object->objectName().toStdString();
        }
        return name;
    }

    std::map<std::string, long> timers_, paints_;
    std::map<int, long> events_;
    long blocks_ = 0, timerEvents_ = 0, sleeps0_ = 0;
    std::map<std::string, long> threads0_;
    CpuTimes cpu0_{};
    std::int64_t wall0_ = 0;
    bool counting_ = false;
};

} // namespace bench
