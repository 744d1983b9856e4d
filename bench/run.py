#!/usr/bin/env python3
"""Lumatic's benchmark: start-up, memory, preview cadence, CPU and wakeups, and the news window,
each beside a bare Qt window where a comparison makes sense. Prints a table and one line per
budget, writes the table into docs/performance.md, and exits 1 when a budget falls short.

    bench/run.py [--build build-bench] [--doc docs/performance.md] [--pairs 20]
"""

import argparse
import datetime
import http.server
import os
import platform
import re
import select
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time

TICK_MS = 120.0
TICKS = 250


def percentile(values, p):
    """Linear interpolation between closest ranks, as numpy's default."""
    data = sorted(values)
    if not data:
        return float("nan")
    k = (len(data) - 1) * p / 100.0
    low = int(k)
    high = min(low + 1, len(data) - 1)
    return data[low] + (data[high] - data[low]) * (k - low)


class Child:
    """One bench process: its report lines as they come, its peak RSS and wall time at exit."""

    def __init__(self, argv, env, on_line=None, timeout=120):
        self.values = {}
        read_fd, write_fd = os.pipe()
        self.log = tempfile.TemporaryFile()
        self.start_ns = time.monotonic_ns()
        pid = os.posix_spawn(argv[0], argv, env, file_actions=[
            (os.POSIX_SPAWN_DUP2, write_fd, 1),
            (os.POSIX_SPAWN_DUP2, self.log.fileno(), 2),
        ])
        os.close(write_fd)
        deadline = time.monotonic() + timeout
        pending = b""
        with os.fdopen(read_fd, "rb", buffering=0) as out:
            while True:
                left = deadline - time.monotonic()
                if left <= 0 or not select.select([out], [], [], left)[0]:
                    os.kill(pid, signal.SIGKILL)
                    break
                chunk = out.read(65536)
                if not chunk:
                    break
                pending += chunk
                *lines, pending = pending.split(b"\n")
                for line in lines:
                    key, _, value = line.decode().partition(" ")
                    self.values[key] = value
                    if on_line:
                        on_line(key, value)
        _, status, usage = os.wait4(pid, 0)
        self.end_ns = time.monotonic_ns()
        self.status = os.waitstatus_to_exitcode(status)
        self.peak_rss_kib = usage.ru_maxrss
        self.log.seek(0)
        self.stderr = self.log.read().decode(errors="replace")
        if self.status != 0:
            raise RuntimeError(f"{' '.join(argv)} ended with {self.status}:\n{self.stderr}")

    def number(self, key):
        return float(self.values[key])


class Display:
    """One Xvfb for the whole run, so that a real X server paints every window."""

    def __init__(self):
        read_fd, write_fd = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1280x1024x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=[write_fd], stderr=subprocess.DEVNULL)
        os.close(write_fd)
        with os.fdopen(read_fd) as numbers:
            self.name = ":" + numbers.readline().strip()

    def cpu_ms(self):
        fields = open(f"/proc/{self.process.pid}/stat").read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) * 1000.0 / os.sysconf("SC_CLK_TCK")

    def close(self):
        self.process.terminate()
        self.process.wait()


class NewsPage:
    """The news page, served on the loopback interface only."""

    BODY = (b"<!doctype html><html><head><title>News</title></head><body>"
            b"<h1>Latest news</h1><p>" + b"Nothing new. " * 200 + b"</p></body></html>")

    def __init__(self):
        body = self.BODY

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                self.send_response(200)
                self.send_header("Content-Type", "text/html; charset=utf-8")
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)

            def log_message(self, *args):
                pass

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.url = f"http://127.0.0.1:{self.server.server_port}/"
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def close(self):
        self.server.shutdown()


def startup_pairs(contenders, env, pairs, warmup):
    """Whole processes, the contenders (name: argv) taking turns, the order reversed every
    other round."""
    rows = []
    for index in range(warmup + pairs):
        order = list(contenders.items())
        if index % 2:
            order.reverse()
        runs = {}
        for name, argv in order:
            child = Child(argv, env, timeout=30)
            runs[name] = {
                "start_ms": (child.number("first_frame_ns") - child.start_ns) / 1e6,
                "load_ms": (child.number("main_ns") - child.start_ns) / 1e6,
                "build_ms": (child.number("shown_ns") - child.number("main_ns")) / 1e6,
                "paint_ms": (child.number("first_frame_ns") - child.number("shown_ns")) / 1e6,
                "whole_ms": (child.end_ns - child.start_ns) / 1e6,
                "rss_kib": child.peak_rss_kib,
                "webengine": child.number("webengine_files_mapped"),
                "module": float(child.values.get("web_module_mapped", 0)),
                "libraries": child.number("libraries_mapped"),
            }
        if index >= warmup:
            rows.append(runs)
    return rows


def summary(values):
    return {"median": statistics.median(values), "p10": percentile(values, 10),
            "p90": percentile(values, 90), "n": len(values)}


def ticks(child):
    stamps = [int(t) for t in child.values["tick_ns"].split(",")]
    intervals = [(b - a) / 1e6 for a, b in zip(stamps, stamps[1:])]
    errors = [abs(i - TICK_MS) for i in intervals]
    drift = [((t - stamps[0]) / 1e6 - k * TICK_MS) for k, t in enumerate(stamps)]
    # Against the schedule that the earliest tick kept: how late each tick came.
    late = [d - min(drift) for d in drift]
    return {
        "late_p50": percentile(late, 50),
        "late_p99": percentile(late, 99),
        "late_max": max(late),
        "count": len(intervals),
        "mean": statistics.fmean(intervals),
        "p50_error": percentile(errors, 50),
        "p99_error": percentile(errors, 99),
        "max_error": max(errors),
        "drift": drift[TICKS],
        "max_drift": max(drift, key=abs),
        "worst_interval": max(intervals, key=lambda i: abs(i - TICK_MS)),
    }


def preview_run(app, env, display):
    """Idle after start-up, entry 2 playing, idle again once a click stopped it; the X server's
    CPU is sampled over the same windows."""
    marks = {}

    def on_line(key, _value):
        if key.endswith("_begin"):
            marks[key[:-6]] = display.cpu_ms() if display else float("nan")
        elif key.endswith("_seconds"):
            prefix = key[:-8]
            marks[prefix] = display.cpu_ms() - marks[prefix] if display else float("nan")

    child = Child([app, "preview"], env, on_line=on_line, timeout=120)
    result = {"ticks": ticks(child)}
    for window in ("idle_started", "preview", "idle_stopped"):
        seconds = child.number(f"{window}_seconds")
        result[window] = {
            "seconds": seconds,
            "cpu_ms_per_min": child.number(f"{window}_cpu_ms_per_min"),
            "x_cpu_ms_per_min": marks[window] / seconds * 60.0,
            "timer_events": child.number(f"{window}_timer_events"),
            "loop_wakeups": child.number(f"{window}_loop_wakeups"),
            "thread_wakeups": child.number(f"{window}_thread_wakeups"),
            "timer_receivers": child.values[f"{window}_timer_receivers"],
            "event_types": child.values[f"{window}_event_types"],
            "painted": child.values[f"{window}_painted"],
            "threads_woken": child.values[f"{window}_threads_woken"],
        }
    return result


def bare_idle(bare, env):
    child = Child([bare, "idle"], env, timeout=60)
    return {key: child.number(f"idle_{key}")
            for key in ("cpu_ms_per_min", "timer_events", "loop_wakeups", "thread_wakeups")}


def bare_play(bare, env):
    """The floor for a preview: two small opaque widgets repainted every 120 ms."""
    child = Child([bare, "play", str(TICKS)], env, timeout=90)
    return {"cpu_ms_per_min": child.number("play_cpu_ms_per_min"),
            "painted": child.values["play_painted"],
            "loop_wakeups": child.number("play_loop_wakeups"),
            "timer_events": child.number("play_timer_events")}


def news_run(app, env, page):
    """Okay to page loaded, twice in one process, then the resident set."""
    news_env = dict(env, QTWEBENGINE_DISABLE_SANDBOX="1")
    child = Child([app, "news", page.url], news_env, timeout=120)
    if "news_unavailable" in child.values:
        return {"gap": child.values["news_unavailable"]}
    return {key: child.number(key) for key in child.values if key.startswith("news_")}


def machine():
    cpu = next((line.split(":", 1)[1].strip() for line in open("/proc/cpuinfo")
                if line.startswith("model name")), platform.processor())
    qt = subprocess.run(["dpkg-query", "-W", "-f=${Version}", "libqt6core6"],
                        capture_output=True, text=True).stdout or "unknown"
    return {"cores": os.cpu_count(), "cpu": cpu, "qt": qt, "kernel": platform.release(),
            "date": datetime.datetime.now().strftime("%Y-%m-%d %H:%M")}


def spread(s, unit, digits=1):
    return (f"{s['median']:.{digits}f} {unit} (p10 {s['p10']:.{digits}f}, "
            f"p90 {s['p90']:.{digits}f})")


def per_tick(painted, ticks):
    """Paint events per tick by widget, from "Class:name=count,..."."""
    if painted == "-":
        return "none"
    parts = (item.rsplit("=", 1) for item in painted.split(","))
    return ", ".join(f"{name.split(':')[-1].split('::')[-1]} {int(count) / ticks:.2f}"
                     for name, count in parts)


def report(m, startup, offscreen, preview, bare, bare_preview, news, pairs):
    app_start = summary([r["app"]["start_ms"] for r in startup])
    bare_start = summary([r["bare"]["start_ms"] for r in startup])
    start_ratio = summary([r["app"]["start_ms"] / r["bare"]["start_ms"] for r in startup])
    label_start = summary([r["label"]["start_ms"] for r in startup])
    label_ratio = summary([r["app"]["start_ms"] / r["label"]["start_ms"] for r in startup])
    app_whole = summary([r["app"]["whole_ms"] for r in startup])
    bare_whole = summary([r["bare"]["whole_ms"] for r in startup])
    app_rss = summary([r["app"]["rss_kib"] / 1024 for r in startup])
    bare_rss = summary([r["bare"]["rss_kib"] / 1024 for r in startup])
    rss_ratio = summary([r["app"]["rss_kib"] / r["bare"]["rss_kib"] for r in startup])
    off_app = summary([r["app"]["start_ms"] for r in offscreen])
    off_bare = summary([r["bare"]["start_ms"] for r in offscreen])
    off_ratio = summary([r["app"]["start_ms"] / r["bare"]["start_ms"] for r in offscreen])
    webengine = max(r["app"]["webengine"] + r["app"]["module"] for r in startup)
    libraries = (statistics.median(r["app"]["libraries"] for r in startup),
                 statistics.median(r["bare"]["libraries"] for r in startup))
    t = preview["ticks"]
    play, idle1, idle2 = preview["preview"], preview["idle_started"], preview["idle_stopped"]

    rows = [
        ("Start-up to first frame, Xvfb", spread(app_start, "ms"), spread(bare_start, "ms"),
         f"{spread(start_ratio, 'x', 3)}"),
        *[(f"- of which {label}", spread(summary([r["app"][key] for r in startup]), "ms"),
           spread(summary([r["bare"][key] for r in startup]), "ms"), "")
          for key, label in (("load_ms", "process start to main()"),
                             ("build_ms", "main() to the window shown"),
                             ("paint_ms", "shown to first frame done"))],
        ("Start-up to first frame, Xvfb, against the bare window with one label",
         spread(app_start, "ms"), spread(label_start, "ms"), spread(label_ratio, "x", 3)),
        ("Whole process (start, frame, quit), Xvfb", spread(app_whole, "ms"),
         spread(bare_whole, "ms"), ""),
        ("Start-up to first frame, offscreen", spread(off_app, "ms"), spread(off_bare, "ms"),
         spread(off_ratio, "x", 3)),
        ("Peak RSS (start-up runs)", spread(app_rss, "MiB"), spread(bare_rss, "MiB"),
         spread(rss_ratio, "x", 3)),
        ("WebEngine files mapped after start-up", f"{webengine:.0f}", "0", ""),
        ("Shared libraries mapped after start-up", f"{libraries[0]:.0f}", f"{libraries[1]:.0f}",
         ""),
        (f"Tick interval, {t['count']} intervals", f"mean {t['mean']:.3f} ms; abs. error p50 "
         f"{t['p50_error']:.3f}, p99 {t['p99_error']:.3f}, max {t['max_error']:.3f} ms "
         f"(worst interval {t['worst_interval']:.3f} ms)", "", ""),
        ("Lateness of each tick against the schedule of the earliest",
         f"p50 {t['late_p50']:.3f}, p99 {t['late_p99']:.3f}, max {t['late_max']:.3f} ms", "", ""),
        ("Drift of tick k against k x 120 ms", f"{t['drift']:+.3f} ms at tick {TICKS}; "
         f"largest {t['max_drift']:+.3f} ms", "", ""),
        ("CPU while previewing (bare: a line edit and a swatch, both opaque, changed per tick)",
         f"{play['cpu_ms_per_min']:.1f} ms/min = {play['cpu_ms_per_min'] / 600:.3f} % of a core "
         f"(X server {play['x_cpu_ms_per_min']:.1f} ms/min)",
         f"{bare_preview['cpu_ms_per_min']:.1f} ms/min = "
         f"{bare_preview['cpu_ms_per_min'] / 600:.3f} % of a core",
         f"{play['cpu_ms_per_min'] / bare_preview['cpu_ms_per_min']:.3f} x (one run each)"),
        ("Paint events per tick", per_tick(play["painted"], t["count"]),
         per_tick(bare_preview["painted"], TICKS), ""),
        ("Wakeups while previewing, per tick",
         f"{play['loop_wakeups'] / t['count']:.2f} loop, {play['timer_events'] / t['count']:.2f} "
         f"timer events; other threads: {per_tick(play['threads_woken'], t['count'])}", f"{bare_preview['loop_wakeups'] / TICKS:.2f} loop, "
         f"{bare_preview['timer_events'] / TICKS:.2f} timer events", ""),
    ]
    for label, idle in (("after start-up", idle1), ("after the preview stopped", idle2)):
        rows.append((f"Idle {label}: CPU; wakeups in {idle['seconds']:.0f} s",
                     f"{idle['cpu_ms_per_min']:.2f} ms/min; {idle['timer_events']:.0f} timer "
                     f"events, {idle['loop_wakeups']:.0f} loop, {idle['thread_wakeups']:.0f} "
                     f"kernel; timers: {idle['timer_receivers']}; other threads woken: "
                     f"{idle['threads_woken']}",
                     f"{bare['cpu_ms_per_min']:.2f} ms/min; {bare['timer_events']:.0f} timer "
                     f"events, {bare['loop_wakeups']:.0f} loop, {bare['thread_wakeups']:.0f} "
                     "kernel", ""))
    if "gap" in news:
        rows.append(("News window", f"NOT MEASURED: {news['gap']}", "", ""))
    else:
        rows += [
            ("News: Okay to page loaded, first opening", f"{news['news_first_ms']:.1f} ms", "", ""),
            ("News: Okay to page loaded, second opening", f"{news['news_second_ms']:.1f} ms", "",
             ""),
            ("News: memory after both openings", f"RSS {news['news_rss_kib'] / 1024:.1f} MiB "
             f"(peak {news['news_hwm_kib'] / 1024:.1f} MiB); PSS of all "
             f"{news['news_processes']:.0f} processes {news['news_tree_pss_kib'] / 1024:.1f} MiB",
             "", ""),
        ]

    budgets = [
        ("startup_ratio", start_ratio["median"], 1.15, "x", "{:.3f}"),
        ("peak_rss_ratio", rss_ratio["median"], 1.15, "x", "{:.3f}"),
        ("tick_p99_error", t["p99_error"], 1.0, "ms", "{:.3f}"),
        ("tick_max_error", t["max_error"], 5.0, "ms", "{:.3f}"),
        ("drift_250_ticks", abs(t["drift"]), 60.0, "ms", "{:.3f}"),
        ("cpu_previewing", play["cpu_ms_per_min"] / 600, 0.5, "% of a core", "{:.3f}"),
        ("idle_timer_wakeups", max(idle1["timer_events"], idle2["timer_events"]), 0, "",
         "{:.0f}"),
        ("no_webengine_at_startup", webengine, 0, "files mapped", "{:.0f}"),
    ]
    lines = []
    failed = False
    for name, value, limit, unit, fmt in budgets:
        ok = value <= limit
        failed |= not ok
        lines.append(f"budget {name}: {fmt.format(value)} {unit} (limit {fmt.format(limit)} "
                     f"{unit}) {'ok' if ok else 'short'}".replace("  ", " ").replace(" )", ")"))
    if "gap" in news:
        lines.append("budget news_second_opening: not measured (limit 300 ms) gap")
    else:
        loaded = news["news_first_ok"] and news["news_second_ok"]
        ok = loaded and news["news_second_ms"] <= 300
        failed |= not ok
        lines.append(f"budget news_second_opening: {news['news_second_ms']:.1f} ms "
                     f"{'' if loaded else '(page failed to load) '}(limit 300 ms) "
                     f"{'ok' if ok else 'short'}")

    header = (f"Machine: {m['cores']} cores ({m['cpu']}), Linux {m['kernel']}, Qt {m['qt']}; "
              f"{m['date']}. Release build; {pairs} start-up rounds after a warm-up. Figures: "
              "median (p10, p90) over the runs; ratios are the median of the per-pair ratios.")
    table = ["| measure | Lumatic | bare window | ratio per pair |", "|---|---|---|---|"]
    table += [f"| {' | '.join(cell.replace('|', '/') for cell in row)} |" for row in rows]
    return header, table, lines, failed


def write_doc(path, header, table, lines):
    begin, end = "<!-- results: written by bench/run.py -->", "<!-- results end -->"
    block = "\n".join([begin, "", header, "", *table, "", "```", *lines, "```", "", end])
    text = open(path).read() if os.path.exists(path) else f"# Performance\n\n{begin}\n{end}\n"
    if begin not in text:
        text += f"\n{begin}\n{end}\n"
    text = re.sub(re.escape(begin) + ".*?" + re.escape(end), lambda _: block, text, flags=re.S)
    with open(path, "w") as doc:
        doc.write(text)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build-bench")
    parser.add_argument("--doc", default="docs/performance.md")
    parser.add_argument("--pairs", type=int, default=30)
    args = parser.parse_args()
    app = os.path.abspath(os.path.join(args.build, "lumatic_bench"))
    bare = os.path.abspath(os.path.join(args.build, "bench_bare_window"))

    runtime = tempfile.mkdtemp(prefix="lumatic-bench-")
    base = {k: v for k, v in os.environ.items()
            if not k.startswith(("QT_", "WAYLAND_", "QTWEBENGINE_")) and k != "DISPLAY"}
    base["XDG_RUNTIME_DIR"] = runtime
    display = Display()
    page = NewsPage()
    try:
        env = dict(base, DISPLAY=display.name, QT_QPA_PLATFORM="xcb")
        offscreen_env = dict(base, QT_QPA_PLATFORM="offscreen")
        print(f"start-up: {args.pairs} rounds on Xvfb {display.name}", flush=True)
        startup = startup_pairs({"app": [app, "startup"], "bare": [bare, "startup"],
                                 "label": [bare, "label"]}, env, args.pairs, warmup=3)
        print("start-up: offscreen", flush=True)
        offscreen = startup_pairs({"app": [app, "startup"], "bare": [bare, "startup"]},
                                  offscreen_env, max(10, args.pairs // 2), warmup=1)
        print("preview: idle 10 s, 250+ ticks, idle 10 s", flush=True)
        preview = preview_run(app, env, display)
        print("bare window idle 10 s", flush=True)
        bare_result = bare_idle(bare, env)
        print(f"bare window playing {TICKS} ticks", flush=True)
        bare_preview = bare_play(bare, env)
        print("news window", flush=True)
        news = news_run(app, env, page)
    finally:
        page.close()
        display.close()

    header, table, lines, failed = report(machine(), startup, offscreen, preview, bare_result,
                                          bare_preview, news, args.pairs)
    print("\n" + header + "\n\n" + "\n".join(table) + "\n\n" + "\n".join(lines))
    write_doc(args.doc, header, table, lines)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
