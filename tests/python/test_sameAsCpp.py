"""The module's results on the simulated dataset equal the C++ exports' to
the last bit: the scenario of tests/c/bindingReference.cpp, run by two
threads at once, each with its own calibration file, gives the reference's
transcript and corrected images. The CTest fixture Bindings.Reference
writes the dataset (TALMEQ_BINDING_DATA) and the reference's results
(TALMEQ_BINDING_REFERENCE)."""
import os
import pathlib
import shutil
import struct
from concurrent.futures import ThreadPoolExecutor

import cv2
import talmeq

DATA = pathlib.Path(os.environ["TALMEQ_BINDING_DATA"])
REFERENCE = pathlib.Path(os.environ["TALMEQ_BINDING_REFERENCE"])


def read(folder, name):
    """A frame of the dataset as OpenCV reads it: H x W x 3, blue-green-red."""
    return cv2.imread(str(DATA / folder / name))


def bits(value):
    return " %016x" % struct.unpack("<Q", struct.pack("<d", value))[0]


def camera_line(step, code, matrix, coeffs):
    values = [] if code else [*matrix.ravel(), *coeffs.ravel()]
    return f"{step} {code}" + "".join(bits(v) for v in values)


def marker_line(view, code, ids, corners):
    markers = (f" {i}" + "".join(bits(c) for corner in four for c in corner) for i, four in zip(ids, corners))
    return f"markers {view} {code} {len(ids)}" + "".join(markers)


def run_scenario(yml):
    lines, images = [], {}
    coords = []
    for i in range(7):
        code, spot = talmeq.getSpotCoord(read("height", f"calib_{i:02d}.png"))
        lines.append(f"spot {i} {code} {spot[0]} {spot[1]}")
        coords.append(spot)
    lines.append(f"calibrate {talmeq.getCalibrationParamByLinear([5.0 * i for i in range(7)], coords, yml)}")
    lines.append(f"correct {talmeq.correctYml(-10.0, -9.75, yml)}")
    for i in range(20):
        code, height, axis_z = talmeq.getPlaneHeightByLinear(read("height", f"measure_{i:02d}.png"), yml)
        lines.append(f"measure {i} {code}{bits(height)}{bits(axis_z)}")
    lines.append(camera_line("chess", *talmeq.calibChess(read("chess", "chess.png"))))
    all_corners, all_ids = [], []
    for view in range(8):
        code, ids, corners = talmeq.getArucoCorners(read("aruco", f"view_{view:02d}.png"))
        lines.append(marker_line(view, code, ids, corners))
        if code == 0:
            all_corners.append(corners)
            all_ids.append(ids)
    code, matrix, coeffs = talmeq.calibAruco(all_corners, all_ids, (1024, 768))
    lines.append(camera_line("aruco", code, matrix, coeffs))
    view = read("aruco", "view_00.png")
    code, images["undistorted.raw"] = talmeq.undistAruco(view, matrix, coeffs, (800, 600))
    lines.append(f"undistort {code}")
    code, images["thickness.raw"] = talmeq.getCorrectImgByThickness(view, matrix, coeffs, 19.0)
    lines.append(f"thickness {code}")
    return lines, images


def test_two_threads_get_the_results_of_the_cpp_exports(tmp_path):
    ymls = [tmp_path / f"calibration{thread}.yml" for thread in range(2)]
    for yml in ymls:
        shutil.copy(DATA / "height" / "calibration.yml", yml)
    with ThreadPoolExecutor(max_workers=2) as pool:
        runs = list(pool.map(run_scenario, ymls))
    for lines, images in runs:
        assert lines == (REFERENCE / "transcript.txt").read_text().splitlines()
        for name, image in images.items():
            assert image.tobytes() == (REFERENCE / name).read_bytes(), name
