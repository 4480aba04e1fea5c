# What crosses the module's boundary. Frames of every layout make a round
# trip through both image corrections (no distortion, no scaling) into new
# arrays of their own; frames of other layouts, dtypes or memory orders are
# refused with the exception that says what was expected. Other arguments are
# refused likewise, OpenCV's errors arrive as talmeq.OpenCVError, and the
# library's own result codes and statuses pass through unchanged, and other
# threads run while the library works.
import logging
import threading
import time

import numpy as np
import pytest

import talmeq

RNG = np.random.default_rng(7)


def frame(*shape, dtype=np.uint8):
    return RNG.integers(0, 256, shape).astype(dtype)


def camera(width=64, height=48):
    return np.array([[500.0, 0.0, width / 2], [0.0, 500.0, height / 2], [0.0, 0.0, 1.0]])


FRAMES = [  # a frame, and the exception it is refused with (None: it makes the round trip)
    (frame(48, 64, 3), None), (frame(48, 64), None), (frame(47, 61, 3), None), (frame(1, 1, 3), None),
    (np.frombuffer(frame(20, 30, 3).tobytes(), np.uint8).reshape(20, 30, 3), None),  # read-only
    (frame(48, 64, 4), ValueError), (frame(48, 64, 1), ValueError), (frame(48 * 64 * 3), ValueError),
    (frame(4, 48, 64, 3), ValueError), (frame(48, 128, 3)[:, ::2], ValueError),
    (np.asfortranarray(frame(48, 64)), ValueError), (frame(48, 64, dtype=np.int8), TypeError),
    (frame(48, 64, 3, dtype=np.float32), TypeError), (frame(48, 64, 3).tolist(), TypeError),
]


@pytest.mark.parametrize("image, refusal", FRAMES)
def test_frames_make_a_round_trip_or_are_refused(image, refusal):
    if refusal:
        with pytest.raises(refusal, match=r"must be a C-contiguous uint8 numpy.ndarray of shape H x W or H x W x 3"):
            talmeq.getCorrectImgByThickness(image, camera(), np.zeros(5), 0.0)
        return
    matrix = camera(*image.shape[1::-1])
    for code, corrected in (talmeq.undistAruco(image, matrix, np.zeros(5), image.shape[1::-1]),
                            talmeq.getCorrectImgByThickness(image, matrix.tolist(), [0.0] * 5, 0.0)):
        assert code == 0 and corrected.dtype == np.uint8 and np.array_equal(corrected, image)
        assert corrected.flags.writeable and not np.shares_memory(corrected, image)


COLOUR = frame(48, 64, 3)
REFUSED = [  # a call, the exception it raises and a part of its message
    (lambda: talmeq.getSpotCoord(COLOUR[:, :, 0].copy()), ValueError, r"H x W x 3, not of shape \(48, 64\)"),
    (lambda: talmeq.fitHeightModel([0.0, 5.0, 10.0], [(1.0, 2.0, 3.0)] * 3, "c.yml"), ValueError, "centres must be"),
    (lambda: talmeq.undistAruco(COLOUR, "camera", np.zeros(5), (64, 48)), TypeError, "cameraMatrix must be a seq"),
    # None and object arrays are no numbers; a wrong argument is named, the frame never printed.
    (lambda: talmeq.undistAruco(COLOUR, camera(), [None] * 5, (64, 48)), TypeError, "distCoeffs must hold real"),
    (lambda: talmeq.undistAruco(COLOUR, np.array([1, "a"], object), np.zeros(5), (64, 48)), TypeError, "cameraMatrix"),
    (lambda: talmeq.getPlaneHeightByLinear(COLOUR, 5), TypeError, r"^(?![\s\S]*array\()ymlPath must be a path"),
    (lambda: talmeq.getCorrectImgByThickness(COLOUR, camera(), np.zeros(5), "19"), TypeError, "^thickness must be"),
    (lambda: talmeq.calibAruco([np.zeros((2, 1, 3, 2))], [[1, 2]], (64, 48)), ValueError, r"allCorners\[0\] must"),
    (lambda: talmeq.readHeight(COLOUR), TypeError, r"^(?![\s\S]*array\()readHeight\(\): missing ymlPath"),
    (lambda: talmeq.findBoardView(COLOUR, "board"), TypeError, r"^(?![\s\S]*array\()findBoardView\(\): an arg"),
    (lambda: talmeq.undistAruco(COLOUR, camera()[None], np.zeros(5), (64, 48)), ValueError, "1 or 2 dimensions"),
    (lambda: talmeq.undistAruco(COLOUR, camera(), np.zeros(3), (64, 48)), talmeq.OpenCVError, "distCoeffs.size"),
]


@pytest.mark.parametrize("call, error, message", REFUSED)
def test_wrong_arguments_are_refused(call, error, message):
    with pytest.raises(error, match=message):
        call()


def test_result_codes_and_statuses_pass_through(tmp_path):
    assert talmeq.getSpotCoord(frame(0, 0, 3)) == (-2, (0, 0))
    code, height, axis_z = talmeq.getPlaneHeightByLinear(COLOUR, tmp_path / "missing.yml")
    assert code == -2 and np.isnan(height) and np.isnan(axis_z)
    assert talmeq.calibChess(COLOUR) == (-1, None, None)
    assert talmeq.readHeight(COLOUR, tmp_path / "missing.yml").status == talmeq.HeightStatus.kNoCalibration
    dark = talmeq.readSpot(np.zeros((48, 64, 3), np.uint8))
    assert (dark.status, dark.method, dark.hasCentre()) == (talmeq.SpotStatus.kNoSpot, talmeq.CentreMethod.kNone, False)


def test_a_call_lets_other_threads_run_while_the_library_works():
    # A thread spins, noting the time, while the main thread undistorts a 5 MP
    # frame (a few hundred milliseconds). Had the call kept the GIL, the
    # spinner could not run in the middle of it: the switches at its edges
    # reach only a few milliseconds into the call.
    image, matrix = np.zeros((1944, 2592, 3), np.uint8), camera(2592, 1944)
    ticks, done = [], threading.Event()

    def spin():
        while not done.is_set():
            ticks.append(time.perf_counter())
            time.sleep(0.001)

    spinner = threading.Thread(target=spin)
    spinner.start()
    start = time.perf_counter()
    code, _ = talmeq.undistAruco(image, matrix, np.zeros(5), (2592, 1944))
    end = time.perf_counter()
    done.set()
    spinner.join()
    assert code == 0
    assert any(start + (end - start) / 4 < tick < end - (end - start) / 4 for tick in ticks)


def test_the_host_takes_the_log_into_the_logging_module_and_its_own_folder(capfd, caplog, tmp_path):
    caplog.set_level(logging.INFO, logger="talmeq")
    talmeq.logToPython()
    talmeq.setLogFolder(tmp_path)
    try:
        talmeq.getSpotCoord(frame(0, 0, 3))
        failed = talmeq.logFailedWrites()
        talmeq.setLogCallback(lambda level, text: 1 / 0)  # a host handler that raises costs its entries only
        assert talmeq.getSpotCoord(frame(0, 0, 3))[0] == -2 and talmeq.logFailedWrites() == failed + 3
    finally:
        talmeq.setLogCallback(None)
        talmeq.setLogFolder(None)
        talmeq.setLogLevel(talmeq.LogStream.kPrint, talmeq.LogLevel.kInfo)
    records = [(r.levelname, r.getMessage().split(" ")[0]) for r in caplog.records if r.name == "talmeq"]
    assert records == [("INFO", "getSpotCoord:"), ("INFO", "getSpotCoord:"), ("ERROR", "getSpotCoord")]
    assert "getSpotCoord" not in capfd.readouterr().out
    assert "getSpotCoord returned -2" in next(tmp_path.glob("*.log")).read_text()
