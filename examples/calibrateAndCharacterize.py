#!/usr/bin/python3
"""A Python host's whole station road through the talmeq module alone:
calibrate the camera from many chessboard views with the quality report,
fit the height model from sub-pixel spots, characterize the station on
frames of known height, and correct the height offset on a reference plane.
Each step reports what it did by a status or a verdict, never by a bare 0.

The frames are read from the packed blue-green-red rows (NAME.bgr) that the
binding tests' dataset keeps beside each PNG, with the size from the PNG's
header, so that no image library is needed.

Usage: calibrateAndCharacterize.py DATA WORK
  DATA  the dataset of the synthetic station (chess/, height/), as the binding
        tests' reference writes it
  WORK  a folder for the calibration file this run writes
"""
import csv
import pathlib
import shutil
import struct
import sys

import numpy as np
import talmeq


def frame(png):
    """The frame of a PNG of the dataset, H x W x 3 uint8, from its .bgr twin."""
    with open(png, "rb") as header:
        width, height = struct.unpack(">II", header.read(24)[16:24])  # the IHDR chunk
    pixels = np.fromfile(png.with_suffix(".bgr"), np.uint8)
    return pixels.reshape(height, width, 3)


def rows(table):
    """(height, image path) of a "height,image" CSV."""
    with open(table, newline="") as lines:
        return [(float(row["height"]), table.parent / row["image"]) for row in csv.DictReader(lines)]


def calibrate_camera(chess):
    views, size = [], None
    for png in sorted(chess.glob("view_*.png")):
        image = frame(png)
        size = (image.shape[1], image.shape[0])
        views.append(talmeq.findBoardView(image, talmeq.stationChessboard()))
    report = talmeq.calibrateCameraFromViews(views, size)
    print(f"camera: {len(views)} views, {report.usedViews} used, rms {report.rms:.3f} px, "
          f"fx {report.camera.fx:.1f} +- {report.uncertainty.fx:.2f}, accepted {report.accepted}")
    for check in report.checks:
        print(f"  {'pass' if check.passed else 'FAIL'} {check.rule}: {check.value:.4g}")
    return report


def fit_height_model(height, yml):
    heights, centres = [], []
    for true_height, png in rows(height / "heights.csv"):
        spot = talmeq.readSpot(frame(png))
        if not spot.hasCentre():
            raise SystemExit(f"{png.name}: {talmeq.toText(spot.status)}")
        heights.append(true_height)
        centres.append(spot.centre)
    model = talmeq.fitHeightModel(heights, centres, yml)
    print(f"height model: {talmeq.toText(model.status)}, average error {model.averageError:.4f}")
    return model


def characterize(height, yml):
    samples, readings = [], []
    for true_height, png in rows(height / "measure.csv"):
        reading = talmeq.readHeight(frame(png), yml)
        measured = reading.status == talmeq.HeightStatus.kMeasured
        samples.append(talmeq.HeightSample(true_height, measured, reading.height, reading.heightUncertainty))
        readings.append((true_height, png, reading))
    result = talmeq.characterizeStation(samples)
    print(f"station: slope {result.slope:.5f}, r2 {result.r2:.6f}, worst residual {result.residualMax:.4f}, "
          f"failed rows {result.failedRows}, pass {result.pass_}")
    return result, readings


def correct_offset(yml, reading, true_height):
    # The reference plane lies at a known height: its absolute height should
    # read that height plus the offsets the file adds to relative heights.
    truth = reading.axisZ + (true_height - reading.height)
    correction = talmeq.correctHeightOffset(reading.axisZ, truth, yml)
    print(f"offset: {talmeq.toText(correction.status)}, initZ {correction.initZBefore:.4f} -> "
          f"{correction.initZAfter:.4f}")
    return correction


def main(data, work):
    work.mkdir(parents=True, exist_ok=True)
    yml = work / "station.yml"
    shutil.copy(data / "height" / "calibration.yml", yml)
    report = calibrate_camera(data / "chess")
    model = fit_height_model(data / "height", yml)
    result, readings = characterize(data / "height", yml)
    true_height, png, reading = readings[len(readings) // 2]
    correction = correct_offset(yml, reading, true_height)
    after = talmeq.readHeight(frame(png), yml)
    print(f"reference plane {png.name}: axisZ {reading.axisZ:.4f} -> {after.axisZ:.4f}")
    ok = (report.usedViews >= 10 and model.status == talmeq.ModelStatus.kWritten and result.failedRows == 0
          and correction.status == talmeq.OffsetStatus.kCorrected
          and abs(after.axisZ - (reading.axisZ + correction.initZAfter - correction.initZBefore)) < 1e-9)
    return 0 if ok else 1


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])))
