# Type stubs of the compiled module talmeq (bindings/python/*.cpp). Every
# name is the C++ name it stands for. tests/python/test_stubs.py checks that
# this file lists exactly the module's functions, classes, attributes and
# enumeration members.
import enum
import os
from typing import Any, Callable, ClassVar, Iterator, List, Optional, Sequence, Tuple, Union

import numpy as np
import numpy.typing as npt

__version__: str

_Frame = npt.NDArray[np.uint8]  # H x W x 3 (blue, green, red) or H x W, C-contiguous
_Matrix = npt.ArrayLike  # any array of numbers; float32 and float64 are used as they are
_Path = Union[str, os.PathLike[str]]
_Point = Tuple[int, int]
_Point2d = Tuple[float, float]
_Rectangle = Tuple[int, int, int, int]  # x, y, width, height
_MarkerCorners = List[_Point2d]  # four corners clockwise from the marker's top-left

class OpenCVError(RuntimeError): ...

# The nine exports: a tuple that starts with the result code, or the code alone.
def getSpotCoord(image: _Frame) -> Tuple[int, _Point]: ...
def getCalibrationParamByLinear(heights: Sequence[float], coords: Union[Sequence[_Point2d], npt.ArrayLike], ymlPath: _Path) -> int: ...
def correctYml(fromZ: float, toZ: float, ymlPath: _Path) -> int: ...
def getPlaneHeightByLinear(image: _Frame, ymlPath: _Path) -> Tuple[int, float, float]: ...
def calibChess(
    image: _Frame,
) -> Tuple[int, Optional[npt.NDArray[np.float64]], Optional[npt.NDArray[np.float64]]]: ...
def getArucoCorners(image: _Frame) -> Tuple[int, List[int], List[_MarkerCorners]]: ...
def calibAruco(
    allCorners: Sequence[Union[Sequence[_MarkerCorners], npt.ArrayLike]],  # per view (n, 4, 2) or (n, 1, 4, 2)
    allIds: Sequence[Sequence[int]],
    imageSize: _Point,
) -> Tuple[int, Optional[npt.NDArray[np.float64]], Optional[npt.NDArray[np.float64]]]: ...
def undistAruco(
    image: _Frame, cameraMatrix: _Matrix, distCoeffs: _Matrix, imageSize: _Point
) -> Tuple[int, Optional[_Frame]]: ...
def getCorrectImgByThickness(
    image: _Frame, cameraMatrix: _Matrix, distCoeffs: _Matrix, thickness: float
) -> Tuple[int, Optional[_Frame]]: ...

# The precision layer.
class SpotStatus(enum.IntEnum):
    kFound = 0
    kSaturated = 1
    kTooDim = 2
    kAmbiguous = 3
    kNoSpot = 4

class CentreMethod(enum.IntEnum):
    kNone = 0
    kGaussianFit = 1
    kHalfMaxCentroid = 2

class ModelStatus(enum.IntEnum):
    kWritten = 0
    kPoorFit = 1
    kNoSettings = 2
    kNotWritten = 3
    kKept = 4

class HeightStatus(enum.IntEnum):
    kMeasured = 0
    kOutOfRange = 1
    kNoSpot = 2
    kNoCalibration = 3
    kWindowOutside = 4

class SpotReading:
    @property
    def status(self) -> SpotStatus: ...
    @property
    def method(self) -> CentreMethod: ...
    @property
    def centre(self) -> _Point2d: ...
    @property
    def covariance(self) -> npt.NDArray[np.float64]: ...  # 2 x 2, pixels squared
    @property
    def uncertainty(self) -> float: ...
    @property
    def peak(self) -> float: ...
    @property
    def background(self) -> float: ...
    @property
    def sigmaX(self) -> float: ...
    @property
    def sigmaY(self) -> float: ...
    @property
    def saturatedFraction(self) -> float: ...
    @property
    def candidates(self) -> int: ...
    @property
    def runnerUp(self) -> float: ...
    @property
    def runnerUpCentre(self) -> _Point2d: ...
    @property
    def detectorResult(self) -> int: ...
    @property
    def detectorSpot(self) -> _Point: ...
    def hasCentre(self) -> bool: ...

class HeightModel:
    @property
    def status(self) -> ModelStatus: ...
    @property
    def k(self) -> float: ...
    @property
    def b(self) -> float: ...
    @property
    def reference(self) -> _Point2d: ...
    @property
    def window(self) -> _Rectangle: ...
    @property
    def errors(self) -> List[float]: ...
    @property
    def averageError(self) -> float: ...

class HeightReading:
    @property
    def status(self) -> HeightStatus: ...
    @property
    def window(self) -> _Rectangle: ...
    @property
    def spot(self) -> SpotReading: ...
    @property
    def height(self) -> float: ...
    @property
    def axisZ(self) -> float: ...
    @property
    def heightUncertainty(self) -> float: ...
    @property
    def heightPerPixel(self) -> float: ...
    @property
    def wholePixelCalibration(self) -> bool: ...

def readSpot(image: _Frame) -> SpotReading: ...
def fitHeightModel(
    heights: Sequence[float], centres: Sequence[_Point2d], ymlPath: _Path, replaceWithPoorFit: bool = ...
) -> HeightModel: ...
def readHeight(image: _Frame, ymlPath: _Path) -> HeightReading: ...
def toText(value: Union[SpotStatus, CentreMethod, ModelStatus, HeightStatus, OffsetStatus]) -> str: ...

# Board descriptions: type "chessboard", "aruco-grid" or "charuco"; lengths in board units.
class BoardDescription:
    def __init__(
        self, type: str, columns: int, rows: int, square: float = ..., marker: float = ..., separation: float = ...,
        dictionary: str = ..., firstId: int = ...,
    ) -> None: ...
    @property
    def type(self) -> str: ...
    @property
    def columns(self) -> int: ...
    @property
    def rows(self) -> int: ...
    @property
    def square(self) -> float: ...
    @property
    def marker(self) -> float: ...
    @property
    def separation(self) -> float: ...
    @property
    def dictionary(self) -> str: ...
    @property
    def firstId(self) -> int: ...

def readBoardDescription(path: str) -> BoardDescription: ...
def findBoardView(image: _Frame, board: BoardDescription) -> BoardView: ...

# The camera calibration from many views. Result and settings objects have a
# repr, compare equal attribute by attribute (NaN equal to NaN) and pickle.
class CalibrationTarget(enum.IntEnum):
    kChessboard = 0
    kArucoGrid = 1

class BoardView:
    target: CalibrationTarget
    found: bool
    boardPoints: List[Tuple[float, float, float]]
    imagePoints: List[_Point2d]
    misfit: str
    def __iter__(self) -> Iterator[Any]: ...  # found, boardPoints, imagePoints, misfit

class CameraParameters:
    fx: float
    fy: float
    cx: float
    cy: float
    k1: float
    k2: float
    p1: float
    p2: float
    k3: float

class CalibrationThresholds:
    maxRelativeUncertainty: float
    maxRms: float
    minCoverageScore: float
    minViews: int
    maxViews: int
    minTiltedViews: int
    minTilt: float
    outlierFactor: float
    minOutlierRms: float
    maxCrossValidation: float
    minFocalPerWidth: float
    maxFocalPerWidth: float

class VerdictCheck:
    name: str
    rule: str
    threshold: float
    value: float
    passed: bool
    evaluated: bool

class ViewQuality:
    found: bool
    used: bool
    points: int
    rms: float
    tilt: float
    repeats: bool
    found2d: List[_Point2d]
    projected: List[_Point2d]
    worstPoints: List[int]

class CameraCalibrationReport:
    imageSize: _Point
    cameraMatrix: npt.NDArray[np.float64]
    distCoeffs: npt.NDArray[np.float64]
    camera: CameraParameters
    uncertainty: CameraParameters
    rms: float
    views: List[ViewQuality]
    usedViews: int
    coverage: npt.NDArray[np.int32]
    coverageScore: float
    coveredShare: float
    crossValidation: float
    straightness: float
    checks: List[VerdictCheck]
    accepted: bool

def calibrateCameraFromViews(
    views: Sequence[BoardView], imageSize: _Point, thresholds: CalibrationThresholds = ...
) -> CameraCalibrationReport: ...
def cameraPlausibilityChecks(
    cameraMatrix: _Matrix, imageSize: _Point, rms: float, thresholds: CalibrationThresholds = ...
) -> List[VerdictCheck]: ...

# The station characterization.
class HeightSample:
    def __init__(
        self, trueHeight: float = ..., measured: bool = ..., height: float = ..., uncertainty: float = ...,
        timed: bool = ..., time: float = ...,
    ) -> None: ...
    trueHeight: float
    measured: bool
    height: float
    uncertainty: float
    timed: bool
    time: float
    frame: int
    step: float

class CharacterizationThresholds:
    maxResidual: float
    minR2: float
    maxSlopeError: float
    maxRepeatability: float
    maxDrift: float
    minRepeats: int
    maxFailedRows: int
    maxOffset: float

class RepeatabilityAt:
    trueHeight: float
    repeats: int
    mean: float
    threeSigma: float

class StationCharacterization:
    hasLine: bool
    hasLinearity: bool
    slope: float
    intercept: float
    r2: float
    residuals: List[float]
    residualRms: float
    residualMax: float
    hasUsableRange: bool
    usableLow: float
    usableHigh: float
    repeatabilityAt: List[RepeatabilityAt]
    repeatability: float
    pooledRepeatability: float
    predictedRepeatability: float
    hasDrift: bool
    drift: float
    driftError: float
    driftResolved: bool
    driftLimit: float
    stabilitySamples: int
    stabilityHeight: float
    stabilityThreeSigma: float
    repeatedFrames: int
    failedRows: int
    checks: List[VerdictCheck]
    pass_: bool  # C++ pass

def characterizeStation(
    samples: Sequence[HeightSample], thresholds: CharacterizationThresholds = ...
) -> StationCharacterization: ...

# Corrections and checks that report what they did or refuse what they cannot use.
class OffsetStatus(enum.IntEnum):
    kCorrected = 0
    kNotCalibration = 1
    kNotFinite = 2
    kNotWritten = 3

class OffsetCorrection:
    status: OffsetStatus
    initZBefore: float
    initZAfter: float

def correctHeightOffset(measured: float, truth: float, ymlPath: _Path) -> OffsetCorrection: ...
def undistort(image: _Frame, cameraMatrix: _Matrix, distCoeffs: _Matrix, size: _Point) -> _Frame: ...
def correctForThickness(image: _Frame, cameraMatrix: _Matrix, distCoeffs: _Matrix, thickness: float) -> _Frame: ...
def chessboardMayBeThere(image: _Frame, innerCorners: _Point) -> bool: ...
def stationChessboard() -> BoardDescription: ...
def stationArucoGrid() -> BoardDescription: ...

def findBoardView(
    image: _Frame, board: BoardDescription
) -> Tuple[bool, List[Tuple[float, float, float]], List[_Point2d], str]: ...

# The library's log: levels per stream, a callback, the file's folder.
class LogStream:
    kPrint: ClassVar[LogStream]
    kFile: ClassVar[LogStream]
    def __init__(self, value: int) -> None: ...
    def __int__(self) -> int: ...
    @property
    def name(self) -> str: ...
    @property
    def value(self) -> int: ...

class LogLevel:
    kInfo: ClassVar[LogLevel]
    kError: ClassVar[LogLevel]
    kOff: ClassVar[LogLevel]
    def __init__(self, value: int) -> None: ...
    def __int__(self) -> int: ...
    @property
    def name(self) -> str: ...
    @property
    def value(self) -> int: ...

def setLogLevel(stream: LogStream, level: LogLevel) -> None: ...
def setLogCallback(callback: Optional[Callable[[LogLevel, str], object]], minimum: LogLevel = ...) -> None: ...
def setLogFolder(folder: Optional[_Path]) -> None: ...
def logFailedWrites() -> int: ...
def logToPython(name: str = ...) -> None: ...
