#!/usr/bin/python3
"""A Python host's height road through the precision layer of the talmeq
module: read the laser spot to a fraction of a pixel in frames taken at
known heights, fit the calibration file from those centres, then measure new
frames with a height uncertainty. The same road as preciseHost.cpp, with the
same output.

Usage: preciseHost.py DIR, with DIR as for heightHost.py.
"""
import pathlib
import shutil
import sys

import cv2
import talmeq

from heightHost import rows


def main(folder):
    yml = folder / "precise.yml"
    shutil.copy(folder / "calibration.yml", yml)

    heights, centres = [], []
    for height, image in rows(folder / "heights.csv"):
        spot = talmeq.readSpot(cv2.imread(str(image)))
        if not spot.hasCentre() or spot.status == talmeq.SpotStatus.kAmbiguous:
            return 1
        heights.append(height)
        centres.append(spot.centre)
    model = talmeq.fitHeightModel(heights, centres, yml)
    print(f"host: calibration {talmeq.toText(model.status)}, average error {model.averageError:.5f}")
    if model.status != talmeq.ModelStatus.kWritten:
        return 1

    worst = 0.0
    for truth, image in rows(folder / "measure.csv"):
        r = talmeq.readHeight(cv2.imread(str(image)), yml)
        print(f"host: true {truth:.3f} measured {r.height:.4f} +- {r.heightUncertainty:.4f} "
              f"absolute {r.axisZ:.4f} {talmeq.toText(r.status)}")
        if r.status != talmeq.HeightStatus.kMeasured:
            return 1
        worst = max(worst, abs(r.height - truth))
    print(f"host: worst height error {worst:.4f}")
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: preciseHost.py DIR")
    sys.exit(main(pathlib.Path(sys.argv[1])))
