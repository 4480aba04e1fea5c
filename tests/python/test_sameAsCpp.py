"""The module's results on the simulated dataset equal the C++ exports' to
the last bit: the scenario of tests/c/bindingReference.cpp, written as the
same transcript, and the same corrected images."""
import shutil
import struct

import talmeq
from conftest import DATA


def bits(value):
    return " %016x" % struct.unpack("<Q", struct.pack("<d", value))[0]


def camera_line(step, code, matrix, coeffs):
    values = [] if code else [*matrix.ravel(), *coeffs.ravel()]
    return f"{step} {code}" + "".join(bits(v) for v in values)


def marker_line(view, code, ids, corners):
    markers = (f" {i}" + "".join(bits(c) for corner in four for c in corner) for i, four in zip(ids, corners))
    return f"markers {view} {code} {len(ids)}" + "".join(markers)


def run_scenario(read, yml):
    lines, images = [], {}
    coords = []
    for i in range(7):
        code, spot = talmeq.getSpotCoord(read("height", f"calib_{i:02d}.ppm"))
        lines.append(f"spot {i} {code} {spot[0]} {spot[1]}")
        coords.append(spot)
    lines.append(f"calibrate {talmeq.getCalibrationParamByLinear([5.0 * i for i in range(7)], coords, yml)}")
    lines.append(f"correct {talmeq.correctYml(-10.0, -9.75, yml)}")
    for i in range(20):
        code, height, axis_z = talmeq.getPlaneHeightByLinear(read("height", f"measure_{i:02d}.ppm"), yml)
        lines.append(f"measure {i} {code}{bits(height)}{bits(axis_z)}")
    lines.append(camera_line("chess", *talmeq.calibChess(read("chess", "chess.ppm"))))
    all_corners, all_ids = [], []
    for view in range(8):
        code, ids, corners = talmeq.getArucoCorners(read("aruco", f"view_{view:02d}.ppm"))
        lines.append(marker_line(view, code, ids, corners))
        if code == 0:
            all_corners.append(corners)
            all_ids.append(ids)
    code, matrix, coeffs = talmeq.calibAruco(all_corners, all_ids, (1024, 768))
    lines.append(camera_line("aruco", code, matrix, coeffs))
    view = read("aruco", "view_00.ppm")
    code, images["undistorted.raw"] = talmeq.undistAruco(view, matrix, coeffs, (800, 600))
    lines.append(f"undistort {code}")
    code, images["thickness.raw"] = talmeq.getCorrectImgByThickness(view, matrix, coeffs, 19.0)
    lines.append(f"thickness {code}")
    return lines, images


def test_results_equal_the_cpp_exports(reference, read, tmp_path):
    yml = tmp_path / "calibration.yml"
    shutil.copy(DATA / "height" / "calibration.yml", yml)
    lines, images = run_scenario(read, yml)
    assert lines == (reference / "transcript.txt").read_text().splitlines()
    for name, image in images.items():
        assert image.tobytes() == (reference / name).read_bytes(), name
