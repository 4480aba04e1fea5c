/* talmeqStationC: the station layer's calls of the C interface that
 * report what the nine exports report as success, and its camera
 * calibration from many views and station characterization. Part of
 * talmeqC.h, whose conventions hold: every call returns 0,
 * TALMEQ_EXCEPTION or TALMEQ_INVALID_ARGUMENT with talmeq_last_error(). */
#ifndef TALMEQSTATIONC_H
#define TALMEQSTATIONC_H

#include <talmeq/talmeqC.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The station layer's camera calibration from many views, characterization
 * and corrections. Results that hold lists keep them in arrays the library
 * allocates; the host releases them with the matching talmeq_free... call,
 * which also empties the struct (calling it again, or on a zeroed struct,
 * is harmless). Verdict checks carry their name and rule as UTF-8 text,
 * cut to the arrays' size. */
#define TALMEQ_MODEL_KEPT 4 /* a poor fit, and the file's whole calibration was kept */
#define TALMEQ_OFFSET_CORRECTED 0
#define TALMEQ_OFFSET_NOT_CALIBRATION 1 /* missing, unparsable, or without the eleven keys: unchanged */
#define TALMEQ_OFFSET_NOT_FINITE 2      /* a height, initZ or the shifted initZ not finite: unchanged */
#define TALMEQ_OFFSET_NOT_WRITTEN 3     /* the file or its lock file could not be written: unchanged */

/* The board points of one view, as talmeq_findBoardPoints gives them; a
 * count of 0 is a view in which the board was not found. */
typedef struct talmeq_board_points {
  const talmeq_point2d* imagePoints; /* pixels */
  const talmeq_point2d* boardPoints; /* board units, z = 0 */
  int count;
} talmeq_board_points;

typedef struct talmeq_camera_parameters {
  double fx, fy, cx, cy; /* pixels */
  double k1, k2, p1, p2, k3;
} talmeq_camera_parameters;

/* The verdict's thresholds; talmeq_defaultCalibrationThresholds fills in the
 * station's. */
typedef struct talmeq_calibration_thresholds {
  double maxRelativeUncertainty; /* 1.96 sigma / value of fx, fy, cx, cy */
  double maxRms;                 /* pixels */
  double minCoverageScore;
  double minTilt; /* degrees */
  double outlierFactor;
  double minOutlierRms;
  double maxCrossValidation; /* pixels */
  int minViews;
  int maxViews;
  int minTiltedViews;
  int reserved; /* 0 */
} talmeq_calibration_thresholds;

typedef struct talmeq_verdict_check {
  char name[32];
  char rule[128];
  double threshold;
  double value; /* NaN when not evaluated */
  int passed;
  int evaluated; /* 0: the data could not give the figure; the check neither passes nor fails */
} talmeq_verdict_check;

/* One view of the calibration; its points lie in the report's arrays. */
typedef struct talmeq_view_quality {
  double rms;                      /* pixels */
  double tilt;                     /* degrees */
  const talmeq_point2d* found2d;   /* `points` detected points */
  const talmeq_point2d* projected; /* the board points projected with the calibrated camera */
  int found;
  int used;
  int points;
  int repeats;
  int worstPoints[3]; /* indices of the largest residuals, largest first */
  int worstCount;
} talmeq_view_quality;

typedef struct talmeq_calibration_report {
  talmeq_camera camera; /* matrix and distortion */
  talmeq_camera_parameters parameters;
  talmeq_camera_parameters uncertainty; /* 1 sigma of each */
  double rms;
  double coverageScore;
  double coveredShare;
  double crossValidation; /* NaN with fewer than 4 used views */
  double straightness;
  int coverage[100]; /* 10 x 10, row by row: used views with a point in each cell */
  int imageWidth;
  int imageHeight;
  int usedViews;
  int accepted;
  int viewCount;
  int checkCount;
  talmeq_view_quality* views;   /* viewCount, library-owned */
  talmeq_verdict_check* checks; /* checkCount, library-owned */
  talmeq_point2d* points;       /* the views' found2d and projected points, library-owned */
} talmeq_calibration_report;

TALMEQC_EXPORT void talmeq_defaultCalibrationThresholds(talmeq_calibration_thresholds* thresholds);

/* Calibrates from `viewCount` views (those with count 0 are kept in the
 * report and skipped), `thresholds` NULL for the station's. No view with
 * points is TALMEQ_EXCEPTION. */
TALMEQC_EXPORT int talmeq_calibrateCameraFromViews(const talmeq_board_points* views, int viewCount, int imageWidth,
                                                   int imageHeight, const talmeq_calibration_thresholds* thresholds,
                                                   talmeq_calibration_report* report);
TALMEQC_EXPORT void talmeq_freeCalibrationReport(talmeq_calibration_report* report);

/* One measured plane of known height (see talmeq/stationCharacterization.h). */
typedef struct talmeq_height_sample {
  double trueHeight;
  double height;      /* when measured */
  double uncertainty; /* predicted 1 sigma, 0 when unknown */
  double time;        /* seconds, when timed */
  int measured;
  int timed; /* part of the stability series */
} talmeq_height_sample;

typedef struct talmeq_characterization_thresholds {
  double maxResidual;
  double minR2;
  double maxSlopeError;
  double maxRepeatability;
  double maxDrift; /* height units per minute */
  int minRepeats;
  int maxFailedRows;
} talmeq_characterization_thresholds;

typedef struct talmeq_repeatability_at {
  double trueHeight;
  double mean;
  double threeSigma;
  int repeats;
  int reserved;
} talmeq_repeatability_at;

typedef struct talmeq_station_characterization {
  double slope, intercept, r2;
  double residualRms, residualMax;
  double usableLow, usableHigh;
  double repeatability, pooledRepeatability, predictedRepeatability;
  double drift, driftError; /* per minute */
  int hasUsableRange;
  int hasDrift;
  int failedRows;
  int pass;
  int residualCount; /* one per sample */
  int repeatabilityCount;
  int checkCount;
  int reserved;
  double* residuals;                        /* library-owned */
  talmeq_repeatability_at* repeatabilityAt; /* library-owned */
  talmeq_verdict_check* checks;             /* library-owned */
} talmeq_station_characterization;

TALMEQC_EXPORT void talmeq_defaultCharacterizationThresholds(talmeq_characterization_thresholds* thresholds);

/* No measured sample is TALMEQ_EXCEPTION. A check the samples cannot give
 * has evaluated 0 and value NaN; the thresholds' offset limit is the
 * library's default (0.05). */
TALMEQC_EXPORT int talmeq_characterizeStation(const talmeq_height_sample* samples, int count,
                                              const talmeq_characterization_thresholds* thresholds,
                                              talmeq_station_characterization* result);
TALMEQC_EXPORT void talmeq_freeCharacterization(talmeq_station_characterization* result);

typedef struct talmeq_offset_correction {
  double initZBefore; /* NaN without a calibration */
  double initZAfter;
  int status; /* TALMEQ_OFFSET_ */
  int reserved;
} talmeq_offset_correction;

/* The truthful counterpart of talmeq_correctYml: shifts "initZ" by
 * truth - measured under the file's lock ("<file>.lock", as the talmeq tool
 * takes it) and says by its status what happened; the file is unchanged
 * unless TALMEQ_OFFSET_CORRECTED. */
TALMEQC_EXPORT int talmeq_correctHeightOffset(double measured, double truth, const char* ymlPath,
                                              talmeq_offset_correction* correction);

/* talmeq_fitHeightModel, but a poor fit replaces a whole calibration when
 * `replaceWithPoorFit` is not 0 (talmeq_fitHeightModel keeps it:
 * TALMEQ_MODEL_KEPT). */
TALMEQC_EXPORT int talmeq_fitHeightModelWith(const double* heights, const talmeq_point2d* centres, int count,
                                             const char* ymlPath, int replaceWithPoorFit, talmeq_height_model* model,
                                             double* errors);

/* The pixels of talmeq_undistAruco and talmeq_getCorrectImgByThickness
 * (output images as for them), after refusing what cannot be a camera: fx
 * or fy not positive and finite, a last row other than 0 0 1, a
 * coefficient not finite, a thickness outside 0 <= t < 190. A refusal is
 * TALMEQ_EXCEPTION, talmeq_last_error naming the argument. */
TALMEQC_EXPORT int talmeq_undistort(const talmeq_image* image, const double* cameraMatrix, const double* distCoeffs,
                                    int distCount, talmeq_image* corrected);
TALMEQC_EXPORT int talmeq_correctForThickness(const talmeq_image* image, const double* cameraMatrix,
                                              const double* distCoeffs, int distCount, double thickness,
                                              talmeq_image* corrected);

/* `*mayBeThere` 0 when a chessboard of columns x rows inner corners cannot be
 * in the image, answered within a second; call it before talmeq_calibChess. */
TALMEQC_EXPORT int talmeq_chessboardMayBeThere(const talmeq_image* image, int columns, int rows, int* mayBeThere);

#ifdef __cplusplus
}
#endif

#endif /* TALMEQSTATIONC_H */
