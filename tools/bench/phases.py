#!/usr/bin/env python3
"""Phase table of scripts/bench.sh --phases.

Reads runs of the phase-marks build of the installer: for each run a file of
"NAME TIME" lines (TIME in 100-ns units since 1601, "created" the process's creation)
written by the program, and the wall-clock launch and exit times the script took (Unix
seconds). Prints, per procedure, the median time of each step between two marks, from
the launch of Wine to the exit the script saw.

    phases.py PROCEDURE:LAUNCH:EXIT:FILE ...
"""
import statistics
import sys

FILETIME_TO_UNIX = 11644473600.0


def steps(launch, exit_, path):
    marks = []
    with open(path) as f:
        for line in f:
            name, _, value = line.rstrip("\r\n").rpartition(" ")
            marks.append((name, int(value) / 1e7 - FILETIME_TO_UNIX))
    points = [("launch", launch)] + marks + [("exit", exit_)]
    return [(f"{a[0]} -> {b[0]}", (b[1] - a[1]) * 1000.0) for a, b in zip(points, points[1:])]


def main(args):
    runs = {}
    for arg in args:
        procedure, launch, exit_, path = arg.split(":", 3)
        runs.setdefault(procedure, []).append(steps(float(launch), float(exit_), path))
    for procedure, measured in runs.items():
        print(f"{procedure}: medians of {len(measured)} runs (ms)")
        names = [name for name, _ in measured[0]]
        total = statistics.median(sum(ms for _, ms in run) for run in measured)
        for i, name in enumerate(names):
            values = [run[i][1] for run in measured if i < len(run) and run[i][0] == name]
            median = statistics.median(values)
            print(f"  {name:<32} {median:8.1f}  {100.0 * median / total:5.1f} %")
        print(f"  {'total':<32} {total:8.1f}")
        print()


if __name__ == "__main__":
    main(sys.argv[1:])
