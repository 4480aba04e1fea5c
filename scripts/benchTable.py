"""Formats the benchmark results as tables.

benchTable.py RESULTS.json   time table from Google Benchmark's JSON output, then
                             readSpot's time over getSpotCoord's, timed in alternation
benchTable.py --heap         heap table from spotHeapPeak's lines on stdin
benchTable.py --cost         per-call cost table from frameCost's lines on stdin
"""
import json
import platform
import sys

SECONDS_PER_UNIT = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}  # Google Benchmark's time units


def machine(context):
    cpu = platform.processor() or "unknown CPU"
    try:
        with open("/proc/cpuinfo") as info:
            cpu = next(line.split(":", 1)[1].strip() for line in info if line.startswith("model name"))
    except (OSError, StopIteration):
        pass
    return f"{cpu}, {context.get('num_cpus', '?')} cores, {context.get('mhz_per_cpu', '?')} MHz"


def split_name(run_name):
    """getSpotCoord/dim/found/5MP/1thread/library/min_time:.../real_time -> (call, case, implementation).

    Calls without a whole-frame reading (the camera calls) have only "library" rows; "logged" rows
    are the library with the logging a host has."""
    parts = [p for p in run_name.split("/") if not p.startswith(("min_time", "repeats", "real_time"))]
    return parts[0], "/".join(parts[1:-1]), parts[-1]


def time_table(path):
    with open(path) as f:
        results = json.load(f)
    medians = {}
    for b in results["benchmarks"]:
        if b.get("aggregate_name") != "median" or "error_occurred" in b:
            continue
        call, case, implementation = split_name(b["run_name"])
        medians[(call, case, implementation)] = (b["real_time"], b.get("megapixels", 0.0), b["time_unit"],
                                                 b.get("quiet_ms"))
    print(f"machine: {machine(results['context'])}")
    header = (f"{'call':<24} {'case':<30} {'median':>11} {'literal':>11} {'ratio':>7} {'MP/s':>9}"
              f" {'logged':>11} {'log share':>9} {'floor':>6}")
    print(header)
    print("-" * len(header))
    # Rows grouped by call, in the order the calls first ran.
    calls = list(dict.fromkeys(call for call, _, _ in medians))
    rows = sorted(medians.items(), key=lambda item: calls.index(item[0][0]))
    previous_call = None
    for (call, case, implementation), (time, megapixels, unit, _) in rows:
        if implementation != "library":
            continue
        if previous_call is not None and call != previous_call:
            print()
        previous_call = call
        literal = medians.get((call, case, "literal"))
        literal_text = f"{literal[0]:.2f} {unit}" if literal else "-"
        ratio = f"{literal[0] / time:.1f}x" if literal else "-"
        seconds = time * SECONDS_PER_UNIT[unit]
        rate = f"{megapixels / seconds:.0f}" if megapixels else "-"
        # The same call with the logging a host has, and the logging's share of
        # that time: against the same call run quietly in alternation with it.
        logged = medians.get((call, case, "logged"))
        logged_text = f"{logged[0]:.2f} {unit}" if logged else "-"
        share = "-"
        if logged and logged[3] is not None:
            logged_ms = logged[0] * SECONDS_PER_UNIT[unit] * 1e3
            share = f"{(logged_ms - logged[3]) / logged_ms:.1%}"
        # The floor's time as a share of the library's: how close the call
        # comes to reading its window once.
        floor = medians.get((call, case, "floor"))
        floor_text = f"{floor[0] / time:.0%}" if floor else "-"
        print(f"{call:<24} {case:<30} {time:>8.2f} {unit} {literal_text:>11} {ratio:>7} {rate:>9}"
              f" {logged_text:>11} {share:>9} {floor_text:>6}")


def alternating_table(path, call, reference):
    """`call`'s library rows against its rows that time `reference` in alternation on the same frames."""
    with open(path) as f:
        results = json.load(f)
    medians = {}
    for b in results["benchmarks"]:
        if b.get("aggregate_name") == "median" and "error_occurred" not in b:
            name, case, implementation = split_name(b["run_name"])
            if name == call:
                medians[(case, implementation)] = (b["real_time"], b["time_unit"])
    cases = [case for (case, implementation) in medians if implementation == "library" and (case, reference) in medians]
    if not cases:
        return
    print()
    header = f"{call + ' against ' + reference:<30} {call:>11} {reference:>13} {'ratio':>7}"
    print(header)
    print("-" * len(header))
    for case in cases:
        (time, unit), (other, _) = medians[(case, "library")], medians[(case, reference)]
        print(f"{case:<30} {time:>8.2f} {unit} {other:>10.2f} {unit} {time / other:>6.2f}x")


def heap_table(lines):
    peaks = {}
    for line in lines:
        size, scene, implementation, peak, _result = line.split()
        peaks[(size, scene, implementation)] = int(peak)
    header = f"{'peak heap of one getSpotCoord call':<36} {'library':>10} {'literal':>10} {'share':>7}"
    print(header)
    print("-" * len(header))
    for (size, scene, implementation), peak in peaks.items():
        if implementation != "library":
            continue
        literal = peaks[(size, scene, "literal")]
        print(f"{size + ' ' + scene:<36} {peak / 2**20:>7.2f} MB {literal / 2**20:>7.2f} MB {peak / literal:>6.1%}")


def cost_table(lines):
    costs = {}
    for line in lines:
        call, case, size, phase, allocations, faults, max_faults, ms = line.split()
        costs.setdefault((call, case, size), {})[phase] = (float(allocations), float(faults), int(max_faults), float(ms))
    print("per call, one OpenCV thread; first call on a fresh thread, then the mean of the steady state")
    header = (f"{'call':<24} {'case':<8} {'size':<6} {'first: allocs':>13} {'faults':>7} {'ms':>7}"
              f" {'steady: allocs':>14} {'faults':>7} {'max':>4} {'ms':>7}")
    print(header)
    print("-" * len(header))
    for (call, case, size), phases in costs.items():
        fa, ff, _, fms = phases["first"]
        sa, sf, smax, sms = phases["steady"]
        print(f"{call:<24} {case:<8} {size:<6} {fa:>13.0f} {ff:>7.0f} {fms:>7.2f} {sa:>14.1f} {sf:>7.1f} {smax:>4} {sms:>7.2f}")


if __name__ == "__main__":
    if sys.argv[1:] == ["--heap"]:
        heap_table(sys.stdin.read().splitlines())
    elif sys.argv[1:] == ["--cost"]:
        cost_table(sys.stdin.read().splitlines())
    else:
        time_table(sys.argv[1])
        alternating_table(sys.argv[1], "readSpot", "getSpotCoord")
