# The module's results on the simulated dataset equal the C++ library's to
# the last bit: the scenario of tests/c/bindingReference.cpp, run by two
# threads at once, each with its own calibration files, gives the reference's
# transcript and corrected images. The second thread hands its arguments in
# the shapes a host has at hand: four-channel frames to the readings, float
# spot centres, OpenCV's (n, 1, 4, 2) marker corners. The CTest fixture Bindings.Reference
# writes the dataset (TALMEQ_BINDING_DATA) and the reference's results
# (TALMEQ_BINDING_REFERENCE).
import os
import pathlib
import shutil
from concurrent.futures import ThreadPoolExecutor

import cv2
import numpy as np
import talmeq

DATA = pathlib.Path(os.environ["TALMEQ_BINDING_DATA"])
REFERENCE = pathlib.Path(os.environ["TALMEQ_BINDING_REFERENCE"])


# A frame of the dataset as OpenCV reads it: H x W x 3, blue-green-red.
def read(folder, name):
    return cv2.imread(str(DATA / folder / name))


# A transcript line: ints as they are (enumerations by value), floats as the
# hex digits of their bits, sequences item by item.
def line(step, *values):
    def items(value):
        if isinstance(value, float):
            return [" %016x" % np.float64(value).view(np.uint64)]
        if isinstance(value, (list, tuple, np.ndarray)):
            return [text for item in value for text in items(item)]
        return [f" {int(value)}"]
    return step + "".join(items(values))


def spot_items(s):
    return [s.status, s.method, s.centre, s.covariance.ravel(), s.uncertainty, s.peak, s.background, s.sigmaX,
            s.sigmaY, s.saturatedFraction, s.candidates, s.runnerUp, s.runnerUpCentre, s.detectorResult,
            s.detectorSpot]


def run_scenario(yml, precise_yml, host_shapes):
    def reading_frame(frame):
        return np.dstack([frame, np.full(frame.shape[:2], 255, np.uint8)]) if host_shapes else frame

    lines, images = [], {}
    coords, centres, heights = [], [], [5.0 * i for i in range(7)]
    for i in range(7):
        frame = read("height", f"calib_{i:02d}.png")
        code, spot = talmeq.getSpotCoord(frame)
        lines.append(line("spot", i, code, spot))
        coords.append(spot)
        centres.append(talmeq.readSpot(reading_frame(frame)).centre)
    coords = np.array(coords, np.float64) - 0.25 if host_shapes else coords
    lines.append(line("calibrate", talmeq.getCalibrationParamByLinear(heights, coords, yml)))
    lines.append(line("correct", talmeq.correctYml(-10.0, -9.75, yml)))
    m = talmeq.fitHeightModel(heights, centres, precise_yml)
    lines.append(line("model", m.status, m.k, m.b, m.reference, m.averageError, m.window, m.errors))
    for i in range(20):
        frame = read("height", f"measure_{i:02d}.png")
        lines.append(line("measure", i, talmeq.getPlaneHeightByLinear(frame, yml)))
        r = talmeq.readHeight(reading_frame(frame), precise_yml)
        lines.append(line("height", i, spot_items(r.spot), r.height, r.axisZ, r.heightUncertainty, r.status,
                            r.window))
    code, matrix, coeffs = talmeq.calibChess(read("chess", "chess.png"))
    lines.append(line("chess", code, [] if code else [matrix.ravel(), coeffs.ravel()]))
    all_corners, all_ids = [], []
    for view in range(8):
        code, ids, corners = talmeq.getArucoCorners(read("aruco", f"view_{view:02d}.png"))
        lines.append(line("markers", view, code, len(ids), ids, corners))
        if code == 0:
            all_corners.append(np.array(corners, np.float32).reshape(-1, 1, 4, 2) if host_shapes else corners)
            all_ids.append(ids)
    code, matrix, coeffs = talmeq.calibAruco(all_corners, all_ids, (1024, 768))
    lines.append(line("aruco", code, [] if code else [matrix.ravel(), coeffs.ravel()]))
    view = read("aruco", "view_00.png")
    code, images["undistorted.raw"] = talmeq.undistAruco(view, matrix, coeffs, (800, 600))
    lines.append(line("undistort", code))
    code, images["thickness.raw"] = talmeq.getCorrectImgByThickness(view, matrix, coeffs, 19.0)
    lines.append(line("thickness", code))
    return lines, images


def test_two_threads_get_the_results_of_the_cpp_library(tmp_path):
    ymls = [[tmp_path / f"{name}{thread}.yml" for name in ("calibration", "precise")] for thread in range(2)]
    for yml in sum(ymls, []):
        shutil.copy(DATA / "height" / "calibration.yml", yml)
    with ThreadPoolExecutor(max_workers=2) as pool:
        runs = list(pool.map(lambda thread: run_scenario(*ymls[thread], thread == 1), range(2)))
    for lines, images in runs:
        assert lines == (REFERENCE / "transcript.txt").read_text().splitlines()
        for name, image in images.items():
            assert image.tobytes() == (REFERENCE / name).read_bytes(), name

