#!/usr/bin/python3
"""The binding benchmark: the per-call overhead of the Python module over the
C++ exports on a 5 MP frame, and the speed-up of two Python threads calling
getSpotCoord at once.

bindingBench.py EXPORT_TIMER   (the module on PYTHONPATH)

EXPORT_TIMER (bench/exportTimer.cpp) renders the frame, writes it for this
script and times getPlaneHeightByLinear on it with a calibration path that
names no file, which returns at once; this script times the module's
function on the same pixels in the same way. The difference of the medians
is the whole cost of the boundary: argument conversion, the GIL, the result
tuple. (On a call that does work, such as getSpotCoord, that difference is
lost in the noise of the call's own time.) Logging is configured away in
both processes.

The speed-up of two threads is measured with one OpenCV thread per call, so
that two Python threads meet two cores, and again with OpenCV's default,
where one call may already use both. Each thread makes about a second's
worth of calls per run, as a host's loop does: in runs of a few
milliseconds, starting the threads and the first hand-overs of the GIL
weigh as much as the calls. Debian's cv2 shares the library's
OpenCV, so cv2.setNumThreads sets the library's thread count.
"""
import json
import os
import statistics
import subprocess
import sys
import tempfile
import threading
import time

REPEATS = 7
RUN_SECONDS = 1.0  # of calls per thread in one throughput run


def median_microseconds(calls, call):
    """Median over REPEATS runs of `calls` calls, in microseconds per call: on
    the clock, and of the processor, which a loaded machine stretches less."""
    wall, cpu = [], []
    for _ in range(REPEATS):
        start, start_cpu = time.perf_counter(), time.process_time()
        for _ in range(calls):
            call()
        cpu.append((time.process_time() - start_cpu) / calls * 1e6)
        wall.append((time.perf_counter() - start) / calls * 1e6)
    return [statistics.median(wall), statistics.median(cpu)]


def overlap(first, second):
    """The time two threads were both in a call; each list of (start, end)
    spans is in time order, one span ending before the next starts."""
    total, j = 0.0, 0
    for start, end in first:
        while j < len(second) and second[j][1] <= start:
            j += 1
        k = j
        while k < len(second) and second[k][0] < end:
            total += min(end, second[k][1]) - max(start, second[k][0])
            k += 1
    return total


def throughput(threads, calls, call):
    """Calls per second of `threads` threads making `calls` calls each, and
    the share of the first thread's time in calls during which the second
    was in a call too: near 0 if a call held the GIL, near 1 if not, however
    busy the machine."""
    spans = [[] for _ in range(threads)]

    def work(mine):
        for _ in range(calls):
            start = time.perf_counter()
            call()
            mine.append((start, time.perf_counter()))

    workers = [threading.Thread(target=work, args=(mine,)) for mine in spans]
    start = time.perf_counter()
    for worker in workers:
        worker.start()
    for worker in workers:
        worker.join()
    rate = threads * calls / (time.perf_counter() - start)
    if threads < 2:
        return rate, 0.0
    together = overlap(spans[0], spans[1])
    return rate, together / sum(end - begin for begin, end in spans[0])


def main(timer):
    with tempfile.TemporaryDirectory() as scratch:
        config = os.path.join(scratch, "quiet.properties")
        with open(config, "w") as f:
            f.write("log4cpp.rootCategory=FATAL\nlog4cpp.category.talmeq.print=FATAL\n"
                    "log4cpp.category.talmeq.file=FATAL\n")
        os.environ["TALMEQ_LOG_CONFIG"] = config
        frame_path = os.path.join(scratch, "frame.png")
        load_before = os.getloadavg()
        cpp = json.loads(subprocess.run([timer, frame_path], check=True, capture_output=True, text=True).stdout)

        import cv2
        import talmeq
        default_threads = cv2.getNumThreads()
        cv2.setNumThreads(1)
        frame = cv2.imread(frame_path)
        missing = "no-such-calibration.yml"
        assert talmeq.getPlaneHeightByLinear(frame, missing)[0] == cpp["code"] == -2
        assert talmeq.getSpotCoord(frame)[0] == 0
        python = median_microseconds(5000, lambda: talmeq.getPlaneHeightByLinear(frame, missing))
        spot = median_microseconds(20, lambda: talmeq.getSpotCoord(frame))
        calls = max(100, round(RUN_SECONDS / (spot[0] / 1e6)))
        speed_ups = {}
        for threads in (1, default_threads):
            cv2.setNumThreads(threads)
            one = statistics.median(throughput(1, calls, lambda: talmeq.getSpotCoord(frame))[0] for _ in range(3))
            runs = [throughput(2, calls, lambda: talmeq.getSpotCoord(frame)) for _ in range(3)]
            speed_ups[threads] = (one, statistics.median(r[0] for r in runs), statistics.median(r[1] for r in runs))
        load_after = os.getloadavg()

    print(f"binding benchmark on a {cpp['width']} x {cpp['height']} frame "
          f"({cpp['width'] * cpp['height'] / 1e6:.1f} MP), {os.cpu_count()} cores")
    print("getPlaneHeightByLinear without a calibration file, median per call:")
    for clock, index, key in (("clock", 0, "wall_us"), ("processor", 1, "cpu_us")):
        print(f"  {clock:<9}  C++ {cpp[key]:7.2f} us, Python {python[index]:7.2f} us, "
              f"overhead {python[index] - cpp[key]:5.2f} us")
    print(f"getSpotCoord from Python with one OpenCV thread, median per call: {spot[0] / 1e3:.2f} ms on the clock, "
          f"{spot[1] / 1e3:.2f} ms of the processor")
    for threads, (one, two, together) in speed_ups.items():
        print(f"getSpotCoord with {threads} OpenCV thread{'s' if threads > 1 else ''}: one Python thread "
              f"{one:.1f} calls/s, two {two:.1f} calls/s, speed-up {two / one:.2f}x; "
              f"calls of the two threads overlap {together:.0%} of the time")
    print(f"load average (1 min) before {load_before[0]:.2f}, after {load_after[0]:.2f}")
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: bindingBench.py EXPORT_TIMER")
    sys.exit(main(sys.argv[1]))
