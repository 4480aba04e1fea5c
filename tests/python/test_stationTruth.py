# The station calls that report what the legacy exports report as success:
# the height offset's correction by status, a poor fit that keeps a whole
# calibration, camera corrections that refuse non-cameras and name the
# argument, the quick chessboard check; and the result objects as Python
# values (IntEnum statuses, equality, pickling).
import enum
import math
import os
import pathlib
import pickle

import numpy as np
import pytest

import talmeq

WHOLE = ("k: 0.5\nb: 0.25\ninitialX: 100.\ninitialY: 50.\nscale: 0.1\ndist: 300.\ninitZ: -31.\nfocusD: 0.5\n"
         "RoI: [ 50, 40, 200, 30 ]\noffsetX: 0.\noffsetY: 0.\n")
SETTINGS = "%YAML:1.0\n---\nscale: 0.1\ndist: 300.\ninitZ: -31.\nfocusD: 0.5\n"
S = talmeq.OffsetStatus
OFFSETS = [  # measured, truth, file text (None: no file), a folder where the lock file goes, status, legacy code
    (-10.0, -9.75, WHOLE, False, S.kCorrected, 0),
    (math.nan, -30.5, WHOLE, False, S.kNotFinite, 0),
    (0.0, math.inf, WHOLE, False, S.kNotFinite, 0),
    (-1e308, 1e308, WHOLE, False, S.kNotFinite, 0),
    (0.0, 1.0, "exposure: 20\ngain: 2\n", False, S.kNotCalibration, 0),
    (0.0, 1.0, SETTINGS, False, S.kNotCalibration, 0),
    (0.0, 1.0, WHOLE.replace("offsetY: 0.\n", ""), False, S.kNotCalibration, 0),
    (0.0, 1.0, None, False, S.kNotCalibration, -2),
    (0.0, 1.0, WHOLE, True, S.kNotWritten, 0),
]


@pytest.mark.parametrize("measured, truth, text, lock_blocked, status, legacy", OFFSETS)
def test_offset_correction_reports_what_correctYml_calls_success(tmp_path, measured, truth, text, lock_blocked,
                                                                   status, legacy):
    yml = tmp_path / "cal.yml"
    if text is not None:
        yml.write_text(text if text.startswith("%") else "%YAML:1.0\n---\n" + text)
    if lock_blocked:
        (tmp_path / "cal.yml.lock").mkdir()  # the lock file cannot be opened
    before = text and yml.read_bytes()
    result = talmeq.correctHeightOffset(measured, truth, yml)
    assert result.status == status and isinstance(result.status, talmeq.OffsetStatus)
    if status == S.kCorrected:
        assert (result.initZBefore, result.initZAfter) == (-31.0, -30.75)
        assert talmeq.correctHeightOffset(0.0, 0.0, yml).initZBefore == -30.75
        return
    assert (text and yml.read_bytes()) == before
    assert math.isnan(result.initZBefore) != (status == S.kNotFinite)
    assert (tmp_path / "cal.yml.lock").exists() == (status != S.kNotCalibration)  # no lock file beside no calibration
    assert talmeq.correctYml(measured, truth, yml) == legacy


def test_a_poor_fit_keeps_a_whole_calibration_unless_asked(tmp_path):
    yml, line = tmp_path / "cal.yml", [(100.5, 50.25), (110.5, 50.25), (120.5, 50.25)]
    yml.write_text(SETTINGS)
    assert talmeq.fitHeightModel([0, 1, 2], line, yml).status == talmeq.ModelStatus.kWritten
    whole, poor = yml.read_bytes(), [line[0], line[0], line[2]]
    kept = talmeq.fitHeightModel([0, 1, 2], poor, yml)
    assert kept.status == talmeq.ModelStatus.kKept and yml.read_bytes() == whole and talmeq.toText(kept.status) == "kept"
    replaced = talmeq.fitHeightModel([0, 1, 2], poor, yml, replaceWithPoorFit=True)
    assert replaced.status == talmeq.ModelStatus.kPoorFit and yml.read_bytes() != whole


CAMERA = np.array([[500.0, 0.0, 32.0], [0.0, 500.0, 24.0], [0.0, 0.0, 1.0]])
NOT_CAMERAS = [  # camera matrix, coefficients, thickness, the refusal's words
    (np.zeros((3, 3)), np.zeros(5), 0.0, "cameraMatrix: fx must be a positive finite number \\(it is 0\\)"),
    (np.full((3, 3), np.nan), np.zeros(5), 0.0, "fx must be a positive finite number \\(it is nan\\)"),
    (CAMERA * [[1], [-1], [1]], np.zeros(5), 0.0, "fy must be a positive"),
    (CAMERA + [[0, 0, np.inf], [0, 0, 0], [0, 0, 0]], np.zeros(5), 0.0, "skew, cx and cy must be finite"),
    (CAMERA * [[1], [1], [2]], np.zeros(5), 0.0, "the last row must be 0 0 1"),
    (CAMERA[:2], np.zeros(5), 0.0, "cameraMatrix must be 3 x 3"),
    (CAMERA, [np.nan, 0, 0, 0, 0], 0.0, "distCoeffs: coefficient 0 is not finite"),
    (CAMERA, np.zeros(3), 0.0, "distCoeffs must be 4, 5, 8, 12 or 14"),
    (CAMERA, np.zeros(5), 190.0, "thickness must lie in 0 <= thickness < 190 \\(it is 190\\)"),
    (CAMERA, np.zeros(5), -0.5, "thickness must lie"),
    (CAMERA, np.zeros(5), math.nan, "thickness must lie"),
]
IMAGE = np.random.default_rng(5).integers(1, 256, (48, 64, 3)).astype(np.uint8)


@pytest.mark.parametrize("matrix, coefficients, thickness, words", NOT_CAMERAS)
def test_corrections_refuse_what_cannot_be_a_camera(matrix, coefficients, thickness, words):
    with pytest.raises(talmeq.OpenCVError, match="correctForThickness: .*" + words):
        talmeq.correctForThickness(IMAGE, matrix, coefficients, thickness)
    if "thickness" not in words:
        with pytest.raises(talmeq.OpenCVError, match="undistort: .*" + words):
            talmeq.undistort(IMAGE, matrix, coefficients, (64, 48))


def test_corrections_of_a_camera_are_the_exports_pixels():
    coefficients = [-0.2, 0.05, 0.001, 0.0, 0.0]
    assert np.array_equal(talmeq.undistort(IMAGE, CAMERA, coefficients, (80, 40)),
                          talmeq.undistAruco(IMAGE, CAMERA, coefficients, (80, 40))[1])
    assert np.array_equal(talmeq.correctForThickness(IMAGE, CAMERA, coefficients, 19.0),
                          talmeq.getCorrectImgByThickness(IMAGE, CAMERA, coefficients, 19.0)[1])


DATA = pathlib.Path(os.environ.get("TALMEQ_BINDING_DATA", "/nonexistent"))


def chess_view(name):
    png = DATA / "chess" / name
    if not png.exists():
        pytest.skip("the binding reference's dataset is absent (TALMEQ_BINDING_DATA)")
    return np.fromfile(png.with_suffix(".bgr"), np.uint8).reshape(768, 1024, 3)


def test_the_chessboard_check_and_the_report_objects_as_values():
    noise = np.random.default_rng(3).integers(0, 256, (768, 1024, 3)).astype(np.uint8)
    assert not talmeq.chessboardMayBeThere(noise, (17, 12))
    assert not talmeq.findBoardView(noise, talmeq.stationChessboard()).found
    views = [talmeq.findBoardView(chess_view(f"view_{i:02d}.png"), talmeq.stationChessboard()) for i in range(12)]
    assert talmeq.chessboardMayBeThere(chess_view("view_00.png"), (17, 12)) and all(v.found for v in views)
    report = talmeq.calibrateCameraFromViews(views, (1024, 768))
    samples = [talmeq.HeightSample(h, True, h + 0.001 * (i % 3)) for i, h in enumerate([0, 0, 5, 5, 10, 10])]
    station = talmeq.characterizeStation(samples)
    for value in (report, report.views[0], report.checks[0], views[0], station, samples[0], talmeq.SpotStatus.kFound):
        assert pickle.loads(pickle.dumps(value)) == value and type(value).__name__ in repr(value)
    changed = pickle.loads(pickle.dumps(report))
    changed.views[0].rms += 1e-9
    assert changed != report and report.accepted and isinstance(report.checks[0].passed, bool)
    assert isinstance(talmeq.HeightStatus.kMeasured, enum.IntEnum) and station.pass_
    assert [tuple(v)[0] for v in views] == [True] * 12
