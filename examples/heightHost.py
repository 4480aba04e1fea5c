#!/usr/bin/python3
"""A Python host's height road through the talmeq module: find the laser
spot in frames taken at known heights, fit the calibration file, then
measure new frames with it. The same road as heightHost.cpp, with the same
output.

Usage: heightHost.py DIR, where DIR holds calibration.yml (the station's
starting file), heights.csv and measure.csv (rows "height,image"), and the
frames they name, as `talmeq simulate` writes them under height/.
"""
import csv
import pathlib
import shutil
import sys

import cv2
import talmeq


def rows(path):
    """(height, image path) of each row of a "height,image" file."""
    with open(path, newline="") as f:
        return [(float(row["height"]), path.parent / row["image"]) for row in csv.DictReader(f)]


def main(folder):
    yml = folder / "host.yml"
    shutil.copy(folder / "calibration.yml", yml)

    heights, coords = [], []
    for height, image in rows(folder / "heights.csv"):
        code, spot = talmeq.getSpotCoord(cv2.imread(str(image)))
        if code != 0:
            return 1
        heights.append(height)
        coords.append(spot)
    fit = talmeq.getCalibrationParamByLinear(heights, coords, yml)
    print(f"host: calibration result {fit} from {len(heights)} frames")
    if fit != 0:
        return 1

    worst = 0.0
    for truth, image in rows(folder / "measure.csv"):
        code, height, axis_z = talmeq.getPlaneHeightByLinear(cv2.imread(str(image)), yml)
        print(f"host: true {truth:.3f} measured {height:.3f} absolute {axis_z:.3f} result {code}")
        if code != 0:
            return 1
        worst = max(worst, abs(height - truth))
    print(f"host: worst height error {worst:.4f}")
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: heightHost.py DIR")
    sys.exit(main(pathlib.Path(sys.argv[1])))
