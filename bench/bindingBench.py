#!/usr/bin/python3
"""The binding benchmark: the per-call overhead of the Python module over the
C++ exports on a 5 MP frame, and the speed-up of two Python threads calling
getSpotCoord at once.

bindingBench.py EXPORT_TIMER   (the module on PYTHONPATH)

EXPORT_TIMER (bench/exportTimer.cpp) renders the frame, writes it for this
script and times the C++ exports on it; this script times the module's
functions on the same pixels in the same way. The overhead is the difference
of the medians: on getPlaneHeightByLinear with a calibration path that names
no file, which returns at once, it is the whole cost of the boundary
(argument conversion, the GIL, the result tuple); on getSpotCoord it is lost
in the call's own time. Both processes run with one OpenCV thread, so that
two Python threads meet two cores, and with logging configured away.
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


def median_microseconds(calls, call):
    runs = []
    for _ in range(REPEATS):
        start = time.perf_counter()
        for _ in range(calls):
            call()
        runs.append((time.perf_counter() - start) / calls * 1e6)
    return statistics.median(runs)


def throughput(threads, calls, call):
    """Calls per second of `threads` threads making `calls` calls each."""
    workers = [threading.Thread(target=lambda: [call() for _ in range(calls)]) for _ in range(threads)]
    start = time.perf_counter()
    for worker in workers:
        worker.start()
    for worker in workers:
        worker.join()
    return threads * calls / (time.perf_counter() - start)


def main(timer):
    with tempfile.TemporaryDirectory() as scratch:
        config = os.path.join(scratch, "quiet.properties")
        with open(config, "w") as f:
            f.write("log4cpp.rootCategory=FATAL\nlog4cpp.category.talmeq.print=FATAL\n"
                    "log4cpp.category.talmeq.file=FATAL\n")
        os.environ.update(TALMEQ_LOG_CONFIG=config, OPENCV_FOR_THREADS_NUM="1")
        frame_path = os.path.join(scratch, "frame.png")
        load_before = os.getloadavg()
        cpp = json.loads(subprocess.run([timer, frame_path], check=True, capture_output=True, text=True).stdout)

        import cv2
        import talmeq
        frame = cv2.imread(frame_path)
        missing = "no-such-calibration.yml"
        assert talmeq.getSpotCoord(frame)[0] == cpp["spot_code"] == 0
        assert talmeq.getPlaneHeightByLinear(frame, missing)[0] == cpp["missing_file_code"] == -2
        python = {
            "missing_file_us": median_microseconds(5000, lambda: talmeq.getPlaneHeightByLinear(frame, missing)),
            "spot_us": median_microseconds(20, lambda: talmeq.getSpotCoord(frame)),
        }
        one = statistics.median(throughput(1, 40, lambda: talmeq.getSpotCoord(frame)) for _ in range(3))
        two = statistics.median(throughput(2, 20, lambda: talmeq.getSpotCoord(frame)) for _ in range(3))
        load_after = os.getloadavg()

    print(f"binding benchmark on a {cpp['width']} x {cpp['height']} frame ({cpp['width'] * cpp['height'] / 1e6:.1f} MP), "
          f"{os.cpu_count()} cores, one OpenCV thread")
    print(f"{'call':<46} {'C++':>10} {'Python':>10} {'overhead':>10}")
    for name, key in (("getPlaneHeightByLinear, no calibration file", "missing_file_us"),
                      ("getSpotCoord, spot found", "spot_us")):
        print(f"{name:<46} {cpp[key]:>7.2f} us {python[key]:>7.2f} us {python[key] - cpp[key]:>7.2f} us")
    print(f"getSpotCoord throughput: one thread {one:.1f} calls/s, two threads {two:.1f} calls/s, "
          f"speed-up {two / one:.2f}x")
    print(f"load average (1 min) before {load_before[0]:.2f}, after {load_after[0]:.2f}")
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: bindingBench.py EXPORT_TIMER")
    sys.exit(main(sys.argv[1]))
