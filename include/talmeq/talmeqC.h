/* talmeqC: the talmeq library and its precision layer behind a plain C
 * interface (C99), for hosts that do not share the library's OpenCV,
 * compiler and C++ runtime: C programs, and C# or other languages through
 * their foreign-function calls.
 *
 * Each function calls the library function of the same name (without the
 * "talmeq_" prefix). The nine exports return their result code unchanged:
 *      0   success, the outputs hold the results
 *     -1   the work ran but found no acceptable result
 *     -2   an input is unusable
 *     -3   a measured height is out of range
 *   -999   a text exception was caught inside the library
 * the precision layer's calls return 0 and a reading whose status says what
 * the frame or file held; and all return two codes of this interface:
 *  TALMEQ_EXCEPTION         the library raised a C++ exception (an OpenCV
 *                           error on bad input, out of memory, ...)
 *  TALMEQ_INVALID_ARGUMENT  the call itself is malformed (a missing pointer,
 *                           an inconsistent image description, a buffer too
 *                           small); the library was not called, or its
 *                           results did not fit
 * For both, talmeq_last_error() gives the text. No exception leaves a call.
 *
 * Images are described by talmeq_image and are never copied on the way in.
 * Paths and texts are UTF-8 strings, on Windows too.
 * The functions keep no state beyond the log's settings and the list of
 * pixel buffers handed out, and may be called from several threads; calls
 * that name the same calibration file must be serialised by the host. */
#ifndef TALMEQC_H
#define TALMEQC_H

#include <talmeq/talmeqC_export.h>

#ifdef __cplusplus
extern "C" {
#endif

#define TALMEQ_EXCEPTION (-1000)
#define TALMEQ_INVALID_ARGUMENT (-1001)

/* An 8-bit image in the host's memory: `height` rows of `width` pixels of
 * `channels` bytes each (1 grey, 3 blue-green-red), the first byte of the top
 * row at `data`, each row `stride` bytes after the one above it (at least
 * width * channels). A width or height of 0 is an empty image; its data may
 * be NULL. Input images are only read. `libraryOwned` is 0 for the host's
 * memory; the library sets it to 1 in an output image whose pixels it
 * allocated (see talmeq_free). */
typedef struct talmeq_image {
  unsigned char* data;
  int width;
  int height;
  int stride;
  int channels;
  int libraryOwned;
} talmeq_image;

/* A pixel position: column x, row y. */
typedef struct talmeq_point {
  int x;
  int y;
} talmeq_point;

/* One detected board marker: its identifier and its four corners in float
 * pixels, clockwise from the marker's top-left corner: x0, y0, ..., x3, y3. */
typedef struct talmeq_marker {
  int id;
  float corners[8];
} talmeq_marker;

/* A camera calibration: the 3 x 3 camera matrix row by row (fx, 0, cx,
 * 0, fy, cy, 0, 0, 1; pixels) and the distortion coefficients k1, k2, p1, p2,
 * k3. */
typedef struct talmeq_camera {
  double matrix[9];
  double distortion[5];
} talmeq_camera;

/* The laser spot's centre in a 3-channel image; `coord` is (0, 0) on every
 * failure. */
TALMEQC_EXPORT int talmeq_getSpotCoord(const talmeq_image* image, talmeq_point* coord);

/* Fits the linear height model to `heightCount` heights and the
 * `coordCount` spot centres seen at them and writes the calibration file
 * (-2 when the counts differ or are below 3). A file that cannot be replaced
 * (a read-only folder) still gives 0 or -1, and -1 (a poor fit) has already
 * replaced the file, a working calibration too. talmeq_fitHeightModel says
 * TALMEQ_MODEL_NOT_WRITTEN and keeps a whole calibration (TALMEQ_MODEL_KEPT). */
TALMEQC_EXPORT int talmeq_getCalibrationParamByLinear(const double* heights, int heightCount,
                                                      const talmeq_point* coords, int coordCount, const char* ymlPath);

/* Shifts the calibration file's "initZ" by toZ - fromZ. The shift is not
 * checked: a NaN or infinite height writes initZ .Nan or .Inf and returns 0,
 * after which every height reads NaN. A file of other keys (a host's own
 * settings) is replaced by the eleven calibration keys and returns 0; a file
 * that cannot be replaced returns 0; no lock is taken, so calls on one file
 * must take turns. talmeq_correctHeightOffset reports each of these. */
TALMEQC_EXPORT int talmeq_correctYml(double fromZ, double toZ, const char* ymlPath);

/* The plane height from a 3-channel image and the calibration file: the
 * relative `height` and the absolute `axisZ`. Both are written on 0 and -3
 * and left as they were on every other result. A single faint candidate in
 * the window counts as a spot at pixel (0, 0): its made-up height comes back
 * with -3, or with 0 when it lands in range. talmeq_readHeight reports
 * TALMEQ_HEIGHT_NO_SPOT instead. */
TALMEQC_EXPORT int talmeq_getPlaneHeightByLinear(const talmeq_image* image, const char* ymlPath, double* height,
                                                 double* axisZ);

/* Calibrates the camera from one 3-channel image of the 17 x 12
 * inner-corner chessboard; `camera` is written on 0 only. The search is not
 * bounded in time: on a frame without the board it runs from tens of seconds
 * to minutes and cannot be stopped. Ask talmeq_chessboardMayBeThere first. */
TALMEQC_EXPORT int talmeq_calibChess(const talmeq_image* image, talmeq_camera* camera);

/* The board markers in a 1- or 3-channel image, written to `markers`, which
 * has room for `capacity` of them; `count` receives the number found (0 on
 * -1). With `capacity` 0 (`markers` may be NULL) the call only counts:
 * it returns the export's code and `count` the room needed. When more are
 * found than a non-zero `capacity` holds, the first `capacity` are written and
 * the result is TALMEQ_INVALID_ARGUMENT; `count` tells the room needed. */
TALMEQC_EXPORT int talmeq_getArucoCorners(const talmeq_image* image, talmeq_marker* markers, int capacity, int* count);

/* Calibrates the camera from `viewCount` views of the grid board: the
 * markers of all views one after the other, `markerCounts[v]` of them for
 * view v, as talmeq_getArucoCorners gave them. `camera` is written on 0
 * only. A view without markers raises an OpenCV error (TALMEQ_EXCEPTION). */
TALMEQC_EXPORT int talmeq_calibAruco(const talmeq_marker* markers, const int* markerCounts, int viewCount,
                                     int imageWidth, int imageHeight, talmeq_camera* camera);

/* Output images of the two corrections. With corrected->data NULL the
 * library allocates the pixels (rows packed, stride = width * channels) and
 * fills in the description with libraryOwned 1; the host releases them with
 * talmeq_free(). With data set, the host's buffer receives the pixels, and
 * its description must match the output exactly (stride at least a row); a
 * description with libraryOwned 1 whose pixels were released already is
 * TALMEQ_INVALID_ARGUMENT, nothing written. */

/* Removes the lens distortion; the output has the requested
 * corrected->width x corrected->height and the channels of `image` (1 or 3).
 * `cameraMatrix` holds 9 values row by row, `distCoeffs` 4, 5, 8, 12 or 14.
 * A matrix of zeros, NaN or infinities, or a NaN coefficient, gives 0 and an
 * all-black image; talmeq_undistort refuses them. */
TALMEQC_EXPORT int talmeq_undistAruco(const talmeq_image* image, const double* cameraMatrix, const double* distCoeffs,
                                      int distCount, talmeq_image* corrected);

/* Undistorts and scales the image about the principal point by
 * (190 - thickness) / 190; the output has the size and channels of `image`
 * (1 or 3). As for talmeq_undistAruco, a camera that cannot be one gives 0
 * and a black image, and no thickness is refused; talmeq_correctForThickness
 * refuses them. */
TALMEQC_EXPORT int talmeq_getCorrectImgByThickness(const talmeq_image* image, const double* cameraMatrix,
                                                   const double* distCoeffs, int distCount, double thickness,
                                                   talmeq_image* corrected);

/* The precision layer. Positions are full-image pixels with each pixel's
 * centre at integer coordinates; a value that is not known is NaN. Statuses
 * and methods are ints with these named values. The structs hold no padding
 * between members, so that any host lays them out alike. */
#define TALMEQ_SPOT_FOUND 0     /* one spot, unclipped and bright */
#define TALMEQ_SPOT_SATURATED 1 /* one spot with clipped pixels */
#define TALMEQ_SPOT_TOO_DIM 2   /* one spot less than 100 grey levels above its background */
#define TALMEQ_SPOT_AMBIGUOUS 3 /* a rival of similar strength: see runnerUp, runnerUpCentre */
#define TALMEQ_SPOT_NO_SPOT 4   /* no measurable spot; no centre */
#define TALMEQ_METHOD_NONE 0
#define TALMEQ_METHOD_GAUSSIAN_FIT 1
#define TALMEQ_METHOD_HALF_MAX_CENTROID 2
#define TALMEQ_MODEL_WRITTEN 0     /* average error at most 0.2 height units */
#define TALMEQ_MODEL_POOR_FIT 1    /* written, but the average error exceeds 0.2 */
#define TALMEQ_MODEL_NO_SETTINGS 2 /* the file is missing, does not parse or has dist 0: nothing written */
#define TALMEQ_MODEL_NOT_WRITTEN 3 /* fitted, but the file could not be replaced */
#define TALMEQ_HEIGHT_MEASURED 0
#define TALMEQ_HEIGHT_OUT_OF_RANGE 1 /* height known, axisZ outside -32 .. 0 */
#define TALMEQ_HEIGHT_NO_SPOT 2
#define TALMEQ_HEIGHT_NO_CALIBRATION 3
#define TALMEQ_HEIGHT_WINDOW_OUTSIDE 4

typedef struct talmeq_point2d {
  double x;
  double y;
} talmeq_point2d;

typedef struct talmeq_rect {
  int x;
  int y;
  int width;
  int height;
} talmeq_rect;

/* One sub-pixel reading of the laser spot; red grey levels. */
typedef struct talmeq_spot_reading {
  int status; /* TALMEQ_SPOT_ */
  int method; /* TALMEQ_METHOD_ */
  talmeq_point2d centre;
  double covariance[4]; /* of the centre, row by row, pixels squared */
  double uncertainty;   /* sqrt of the covariance's trace, pixels */
  double peak;          /* red level at the centre, background included */
  double background;
  double sigmaX; /* Gaussian widths of the spot, pixels */
  double sigmaY;
  double saturatedFraction; /* share of clipped pixels within the half maximum */
  double runnerUp;          /* the strongest rival's strength over the chosen blob's (0 alone) */
  talmeq_point2d runnerUpCentre;
  int candidates;            /* blobs the detector accepted */
  int detectorResult;        /* talmeq_getSpotCoord's result for the same image: 0 or -1 */
  talmeq_point detectorSpot; /* and its spot */
} talmeq_spot_reading;

/* The height model fitted by talmeq_fitHeightModel. */
typedef struct talmeq_height_model {
  double k; /* h = k * displacement + b */
  double b;
  talmeq_point2d reference; /* "initialX", "initialY"; fractional in general */
  double averageError;
  int status;         /* TALMEQ_MODEL_ */
  talmeq_rect window; /* "RoI" */
} talmeq_height_model;

/* One height reading. */
typedef struct talmeq_height_reading {
  talmeq_spot_reading spot; /* in the window; detectorResult from the whole-pixel locator */
  double height;            /* relative height */
  double axisZ;             /* height + initZ + focusD */
  double heightUncertainty; /* standard deviation of height from the centre's alone */
  int status;               /* TALMEQ_HEIGHT_ */
  talmeq_rect window;       /* the calibrated window moved by the offsets */
} talmeq_height_reading;

/* The sub-pixel spot of a 3-channel image. An empty image, or one whose
 * detector window is too small, is TALMEQ_EXCEPTION. */
TALMEQC_EXPORT int talmeq_readSpot(const talmeq_image* image, talmeq_spot_reading* reading);

/* Fits the height model to `count` heights and the spot centres seen at
 * them and rewrites the calibration file; `errors`, if not NULL, receives
 * the `count` fit errors. Fewer than 3 points, a value that is not finite or
 * equal first and last heights are TALMEQ_EXCEPTION. */
TALMEQC_EXPORT int talmeq_fitHeightModel(const double* heights, const talmeq_point2d* centres, int count,
                                         const char* ymlPath, talmeq_height_model* model, double* errors);

/* The plane height from the sub-pixel spot in the calibrated window of a
 * 3-channel image. */
TALMEQC_EXPORT int talmeq_readHeight(const talmeq_image* image, const char* ymlPath, talmeq_height_reading* reading);

/* A calibration board, as in a board description file: lengths in board
 * units, `dictionary` the name of an OpenCV predefined dictionary
 * ("DICT_6X6_250"; unused for a chessboard). */
#define TALMEQ_BOARD_CHESSBOARD 0 /* columns x rows inner corners, square */
#define TALMEQ_BOARD_ARUCO_GRID 1 /* columns x rows markers, marker, separation */
#define TALMEQ_BOARD_CHARUCO 2    /* columns x rows squares, square, marker */
#define TALMEQ_BOARD_NOT_FOUND 1  /* talmeq_findBoardPoints: no board, or one that does not fit */

typedef struct talmeq_board {
  int type; /* TALMEQ_BOARD_ */
  int columns;
  int rows;
  double square;
  double marker;
  double separation;
  char dictionary[32];
  int firstId;
} talmeq_board;

/* Reads a board description file. A description that cannot be a board is
 * TALMEQ_INVALID_ARGUMENT, talmeq_last_error naming the key at fault. */
TALMEQC_EXPORT int talmeq_readBoard(const char* path, talmeq_board* board);

/* The board's points in a 1- or 3-channel image: `*count` image positions
 * (pixels) and their board positions (x, y; z is 0), at most `capacity`.
 * TALMEQ_BOARD_NOT_FOUND with `*count` 0 when the board is not seen; when
 * what was seen cannot be the described board, `misfit` (if not NULL)
 * receives what it was ("ids 0–19 in a 4 x 5 layout; the board is 9 x 6
 * (ids 0–53)", UTF-8, cut to `misfitCapacity` bytes), else "". A
 * description that cannot be a board is TALMEQ_INVALID_ARGUMENT. With
 * `capacity` 0 the call only counts: `*count` is the room needed. A
 * chessboard is looked for only when talmeq_chessboardMayBeThere says it may
 * be there, so a frame without one is answered within a second. */
TALMEQC_EXPORT int talmeq_findBoardPoints(const talmeq_image* image, const talmeq_board* board,
                                          talmeq_point2d* imagePoints, talmeq_point2d* boardPoints, int capacity,
                                          int* count, char* misfit, int misfitCapacity);

/* Releases pixels the library allocated for an output image. NULL, pixels
 * released already and memory the library did not allocate are ignored. */
TALMEQC_EXPORT void talmeq_free(void* data);

/* The text of the last TALMEQ_EXCEPTION or TALMEQ_INVALID_ARGUMENT returned
 * on the calling thread; empty when its last call returned anything else.
 * At most 4095 bytes, cut at a character boundary. Valid until the thread's
 * next call. */
TALMEQC_EXPORT const char* talmeq_last_error(void);

#ifdef __cplusplus
}
#endif

/* The station layer's calibration report, characterization, corrections and
 * checks. */
#include <talmeq/talmeqStationC.h>

/* The log's control: talmeq_setLogLevel, talmeq_setLogCallback,
 * talmeq_setLogFolder, talmeq_logFailedWrites. */
#include <talmeq/talmeqLogC.h>

#endif /* TALMEQC_H */
