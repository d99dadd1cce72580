#!/usr/bin/python3
"""Start-up and idle figures of Tovik against a minimal Qt window.

Start-up: each program is started as a fresh process, runs to its window's first paint and
quits; the wall time from start to exit, the CPU time (user + system, which other work on
the machine disturbs far less) and the peak RSS (wait4's ru_maxrss) are taken per run, runs
of the two programs interleaved so that load on the machine hits both alike. The shared
libraries that Tovik maps and the minimal window does not are listed from one run of each.
Idle: Tovik runs with a 100-entry schedule that is never due; its utime + stime is read
from /proc over the measuring window.

Writes a JSON summary to --out and prints the figures.
"""
import argparse
import json
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

SCHEDULE_LIMIT = 32767


def schedule_bytes(n, year=2001):
    actions = ["シャットダウン", "再起動", "ログオフ"]
    options = ["", "+SENDMAIL", "+SAVELOG", "+SENDMAIL+SAVELOG"]
    lines = []
    for i in range(n):
        date = "%04d/%02d/%02d" % (year, 1 + i % 12, 1 + i % 28)
        clock = "%02d:%02d:00" % (i % 24, i % 60)
        when = ("毎週：%d(曜日) %s %s" % (1 + i % 7, date, clock)) if i % 5 == 4 else "%s %s" % (date, clock)
        lines.append("%s,%s,%s\r\n" % (when, actions[i % 3], options[i % 4]))
    return "".join(lines).encode("cp932")


def run_once(argv, env):
    start = time.perf_counter()
    proc = subprocess.Popen(argv, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.perf_counter() - start
    proc.returncode = os.waitstatus_to_exitcode(status)
    if proc.returncode != 0:
        sys.exit("%s exited with %d" % (argv[0], proc.returncode))
    return wall, usage.ru_maxrss, usage.ru_utime + usage.ru_stime  # RSS in KiB on Linux


def libraries(argv, env):
    """The shared objects the dynamic loader maps during one run."""
    proc = subprocess.run(argv, env=dict(env, LD_DEBUG="files"), stdout=subprocess.DEVNULL,
                          stderr=subprocess.PIPE, text=True, errors="replace", check=True)
    return {line.split("file=", 1)[1].split()[0] for line in proc.stderr.splitlines()
            if "file=" in line and "generating link map" in line}


def fresh_folder(root, schedule=None):
    folder = tempfile.mkdtemp(dir=root)
    if schedule is not None:
        with open(os.path.join(folder, "schedule.ini"), "wb") as f:
            f.write(schedule)
    return folder


def startup(build, env, runs, root, schedule=None, with_minimal=True):
    tovik = os.path.join(build, "bench_startup_tovik")
    minimal = os.path.join(build, "bench_startup_minimal")
    t_times, t_rss, t_cpu, m_times, m_rss, m_cpu = [], [], [], [], [], []
    # One warm-up run each: the first start reads the libraries from disk.
    run_once([tovik, fresh_folder(root, schedule)], env)
    if with_minimal:
        run_once([minimal], env)
    for _ in range(runs):
        w, r, c = run_once([tovik, fresh_folder(root, schedule)], env)
        t_times.append(w)
        t_rss.append(r)
        t_cpu.append(c)
        if with_minimal:
            w, r, c = run_once([minimal], env)
            m_times.append(w)
            m_rss.append(r)
            m_cpu.append(c)
    out = {"tovik_ms": statistics.median(t_times) * 1000, "tovik_rss_kib": statistics.median(t_rss),
           "tovik_cpu_ms": statistics.median(t_cpu) * 1000,
           "tovik_ms_all": [round(t * 1000, 1) for t in t_times]}
    if with_minimal:
        out.update({"minimal_ms": statistics.median(m_times) * 1000,
                    "minimal_rss_kib": statistics.median(m_rss),
                    "minimal_cpu_ms": statistics.median(m_cpu) * 1000,
                    "minimal_ms_all": [round(t * 1000, 1) for t in m_times]})
        out["time_ratio"] = out["tovik_ms"] / out["minimal_ms"]
        out["rss_ratio"] = out["tovik_rss_kib"] / out["minimal_rss_kib"]
        out["cpu_ratio"] = out["tovik_cpu_ms"] / out["minimal_cpu_ms"]
        out["extra_libraries"] = sorted(
            os.path.basename(p) for p in libraries([tovik, fresh_folder(root, schedule)], env)
            - libraries([minimal], env))
    return out


def cpu_ticks(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # utime, stime (fields 14 and 15)


def idle(build, env, root, seconds):
    folder = fresh_folder(root, schedule_bytes(100))
    proc = subprocess.Popen([os.path.join(build, "bench_startup_tovik"), folder, "--idle"], env=env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        time.sleep(3)  # past start-up and the first paint
        if proc.poll() is not None:
            sys.exit("idle run ended early")
        t0, c0 = time.monotonic(), cpu_ticks(proc.pid)
        time.sleep(seconds)
        t1, c1 = time.monotonic(), cpu_ticks(proc.pid)
    finally:
        proc.send_signal(signal.SIGTERM)
        try:
            proc.wait(10)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
    cpu = (c1 - c0) / os.sysconf("SC_CLK_TCK")
    return {"seconds": t1 - t0, "cpu_seconds": cpu, "percent_of_core": 100.0 * cpu / (t1 - t0)}


class Xvfb:
    def __enter__(self):
        read_fd, write_fd = os.pipe()
        self.proc = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0",
                                      "1024x768x24", "-nolisten", "tcp"],
                                     pass_fds=[write_fd], stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
        os.close(write_fd)
        with os.fdopen(read_fd) as f:
            number = f.readline().strip()
        if not number:
            self.proc.kill()
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number
        return self

    def __exit__(self, *exc):
        self.proc.terminate()
        try:
            self.proc.wait(10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", required=True)
    ap.add_argument("--runs", type=int, default=15)
    ap.add_argument("--idle-seconds", type=float, default=60)
    ap.add_argument("--no-xvfb", action="store_true")
    ap.add_argument("--out", required=True)
    args = ap.parse_args()
    if args.runs < 10:
        sys.exit("at least 10 runs each")

    root = tempfile.mkdtemp(prefix="tovik-startup-")
    env = dict(os.environ)
    # No session bus: Qt must not start dbus-launch, which would outlive the run.
    env["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=" + os.path.join(root, "no-bus")
    env["XDG_RUNTIME_DIR"] = root
    os.chmod(root, 0o700)
    results = {}
    try:
        off = dict(env, QT_QPA_PLATFORM="offscreen")
        results["offscreen_fresh"] = startup(args.build, off, args.runs, root)
        results["offscreen_full_schedule"] = startup(
            args.build, off, args.runs, root, schedule_bytes(SCHEDULE_LIMIT), with_minimal=False)
        if not args.no_xvfb and shutil.which("Xvfb"):
            with Xvfb() as x:
                xenv = dict(env, QT_QPA_PLATFORM="xcb", DISPLAY=x.display)
                results["xvfb_fresh"] = startup(args.build, xenv, args.runs, root)
        results["idle"] = idle(args.build, off, root, args.idle_seconds)
    finally:
        shutil.rmtree(root, ignore_errors=True)

    with open(args.out, "w") as f:
        json.dump(results, f, indent=1)
    print(json.dumps(results, indent=1))


if __name__ == "__main__":
    main()
