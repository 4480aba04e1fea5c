/* The C host of the binding tests (C99), the one the sanitizer builds run.
 * Without arguments, the contract of the C interface with a C host: a frame
 * with padded rows, corrected into a padded buffer of the host's, gives the
 * pixels of the same frame packed and corrected into a buffer the library
 * allocates and into a packed buffer of the host's; a calibration whose
 * counts differ is refused even with a settings file; malformed calls,
 * OpenCV's errors and the library's own codes give their codes and texts,
 * and a call that returns clears the text. (The C# host checks the
 * interface's results against the C++ library.)
 * With DATA_DIR, the station layer as a C host calls it (each status and
 * refusal of the library is in the Python tables; here one or two of each
 * cross the C interface): the height offset's correction by status beside
 * correctYml's code, a poor fit that keeps a whole calibration, corrections
 * that refuse non-cameras with the argument named, the camera calibrated
 * from the dataset's chessboard views (point counts asked for with capacity
 * 0) and a characterization, with the library-owned arrays released twice
 * without harm.
 *   cInterfaceHost [DATA_DIR]; exits 1 when a check fails. */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <talmeq/talmeqC.h>

enum { W = 61, H = 47, PADDED = W * 3 + 8 };

static int failures;

/* One check of a call just made: its code, and a fragment of the error text
 * (NULL: the text must be empty; "": any text). CHECK names the check by its
 * call, expect() checks a condition whatever the text. */
static void check(const char* what, int code, int expected, const char* fragment) {
  const char* text = talmeq_last_error();
  if (code == expected && (fragment ? strstr(text, fragment) != NULL : text[0] == '\0')) return;
  fprintf(stderr, "FAILED: %s: code %d (expected %d), error text \"%s\"\n", what, code, expected, text);
  ++failures;
}

#define CHECK(call, expected, fragment) check(#call, call, expected, fragment)

static void expect(const char* what, int ok) { check(what, ok, 1, ""); }

/* Counts the failure records of getSpotCoord that reach the callback. */
static void countEntry(int level, const char* text, void* context) {
  *(int*)context += level == TALMEQ_LOG_ERROR && strstr(text, "getSpotCoord returned -2") != NULL;
}

static void interfaceRows(void) {
  static unsigned char packed[H][W * 3], padded[H][PADDED], corrected[H][PADDED], exact[H][W * 3];
  unsigned int seed = 12345u;
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W * 3; ++x)
      padded[y][x] = packed[y][x] = (unsigned char)((seed = seed * 1103515245u + 12345u) >> 16);
  const double camera[9] = {500.0, 0.0, 30.2, 0.0, 480.0, 22.7, 0.0, 0.0, 1.0};
  const double distortion[5] = {-0.2, 0.05, 0.001, -0.002, 0.0};
  talmeq_image packedFrame = {&packed[0][0], W, H, W * 3, 3}, paddedFrame = {&padded[0][0], W, H, PADDED, 3};
  talmeq_image allocated = {NULL, 0, 0, 0, 0}, own = {&corrected[0][0], W, H, PADDED, 3};
  talmeq_image packedOwn = {&exact[0][0], W, H, W * 3, 3};
  /* The log before its first entry: the file stream off opens no file; the
   * folder must exist. */
  remove("talmeqAlgorithm.log");
  CHECK(talmeq_setLogLevel(TALMEQ_LOG_FILE, TALMEQ_LOG_OFF), 0, NULL);
  talmeq_image nothing = {NULL, 0, 0, 0, 3, 0};
  talmeq_point where;
  CHECK(talmeq_getSpotCoord(&nothing, &where) == -2 && !fopen("talmeqAlgorithm.log", "r"), 1, NULL);
  CHECK(talmeq_setLogFolder("no such folder/"), TALMEQ_EXCEPTION, "cannot be opened");
  CHECK(talmeq_setLogFolder("."), 0, NULL);
  CHECK(talmeq_setLogLevel(TALMEQ_LOG_FILE, TALMEQ_LOG_INFO), 0, NULL);
  CHECK(talmeq_getCorrectImgByThickness(&packedFrame, camera, distortion, 5, 19.0, &allocated), 0, NULL);
  CHECK(talmeq_getCorrectImgByThickness(&paddedFrame, camera, distortion, 5, 19.0, &own), 0, NULL);
  CHECK(talmeq_getCorrectImgByThickness(&paddedFrame, camera, distortion, 5, 19.0, &packedOwn), 0, NULL);
  int same = allocated.width == W && allocated.height == H && allocated.stride == W * 3 && allocated.channels == 3;
  for (int y = 0; same && y < H; ++y)
    same = memcmp(allocated.data + y * allocated.stride, corrected[y], W * 3) == 0 &&
           memcmp(corrected[y], exact[y], W * 3) == 0;
  check("both hold the same pixels", same, 1, NULL);
  check("the library owns what it allocated", allocated.libraryOwned * 2 + own.libraryOwned, 2, NULL);
  talmeq_free(allocated.data);
  talmeq_free(allocated.data); /* released already: ignored */
  CHECK(talmeq_getCorrectImgByThickness(&packedFrame, camera, distortion, 5, 19.0, &allocated), TALMEQ_INVALID_ARGUMENT,
        "released");

  talmeq_point spot = {7, 7}, coords[3] = {{1, 2}, {3, 4}, {5, 6}};
  talmeq_point2d centres[3] = {{1.0, 2.0}, {3.0, 4.0}, {5.0, 6.0}};
  double heights[3] = {0.0, 5.0, 10.0}, errors[3] = {0.0, 0.0, 0.0}, height = 0.0;
  talmeq_image grey = {&padded[0][0], W, H, PADDED, 1}, narrow = {&padded[0][0], W, H, W * 3 - 1, 3};
  talmeq_image empty = {NULL, 0, 0, 0, 3}, noPixels = {NULL, W, H, W * 3, 3};
  talmeq_image otherSize = {&corrected[0][0], W - 1, H, PADDED, 3};
  talmeq_spot_reading reading;
  talmeq_height_model model;
  CHECK(talmeq_getSpotCoord(NULL, &spot), TALMEQ_INVALID_ARGUMENT, "missing");
  CHECK(talmeq_getSpotCoord(&noPixels, &spot), TALMEQ_INVALID_ARGUMENT, "pixel data is missing");
  CHECK(talmeq_readSpot(&grey, &reading), TALMEQ_INVALID_ARGUMENT, "channels");
  talmeq_image bgra = {&padded[0][0], W / 2, H, PADDED, 4}; /* the readings take an alpha channel as C++ does */
  CHECK(talmeq_readSpot(&bgra, &reading), 0, NULL);
  CHECK(talmeq_getPlaneHeightByLinear(&narrow, "c.yml", &height, &height), TALMEQ_INVALID_ARGUMENT, "stride");
  CHECK(talmeq_correctYml(0.0, 1.0, NULL), TALMEQ_INVALID_ARGUMENT, "path");
  CHECK(talmeq_undistAruco(&paddedFrame, camera, NULL, 5, &own), TALMEQ_INVALID_ARGUMENT, "distCoeffs");
  CHECK(talmeq_getSpotCoord(&empty, &spot) == -2 && spot.x == 0 && spot.y == 0, 1, NULL);
  CHECK(talmeq_readSpot(&empty, &reading), TALMEQ_EXCEPTION, "empty");
  FILE* settings = fopen("cHostSettings.yml", "w");
  if (settings) fputs("%YAML:1.0\n---\nscale: 0.1\ndist: 300.\ninitZ: -31.\nfocusD: 0.5\n", settings), fclose(settings);
  CHECK(talmeq_getCalibrationParamByLinear(heights, 2, coords, 3, "cHostSettings.yml"), -2, NULL);
  remove("cHostSettings.yml");
  CHECK(talmeq_fitHeightModel(heights, centres, 3, "missing.yml", &model, errors) == 0 && errors[2] != errors[2], 1,
        NULL);
  CHECK(talmeq_getCorrectImgByThickness(&paddedFrame, camera, distortion, 5, 19.0, &otherSize), TALMEQ_INVALID_ARGUMENT,
        "buffer");
  CHECK(talmeq_undistAruco(&paddedFrame, camera, distortion, 3, &own), TALMEQ_EXCEPTION, "OpenCV");

  /* A board from a description file and as a struct: a frame without it is
   * not found, and a description that cannot be a board is refused. */
  talmeq_board board;
  talmeq_point2d imagePoints[4], boardPoints[4];
  int count = -1;
  char misfit[8] = "x";
  FILE* description = fopen("cHostBoard.yml", "w");
  if (description)
    fputs("type: charuco\ncolumns: 5\nrows: 7\nsquare: 40\nmarker: 30\ndictionary: DICT_4X4_50\n", description),
        fclose(description);
  CHECK(talmeq_readBoard("cHostBoard.yml", &board) == 0 && board.rows == 7 &&
            strcmp(board.dictionary, "DICT_4X4_50") == 0,
        1, NULL);
  remove("cHostBoard.yml");
  CHECK(talmeq_findBoardPoints(&packedFrame, &board, imagePoints, boardPoints, 4, &count, misfit, 8),
        TALMEQ_BOARD_NOT_FOUND, NULL);
  check("nothing found", count == 0 && misfit[0] == '\0', 1, NULL);
  board.marker = 40.0;
  CHECK(talmeq_findBoardPoints(&packedFrame, &board, imagePoints, boardPoints, 4, &count, NULL, 0),
        TALMEQ_INVALID_ARGUMENT, "marker must be smaller");

  /* The log under the host's control: every entry once to a callback, the
   * print stream off. */
  int entries = 0;
  CHECK(talmeq_setLogLevel(TALMEQ_LOG_PRINT, 7), TALMEQ_INVALID_ARGUMENT, "level");
  CHECK(talmeq_setLogLevel(TALMEQ_LOG_PRINT, TALMEQ_LOG_OFF), 0, NULL);
  CHECK(talmeq_setLogCallback(countEntry, &entries, TALMEQ_LOG_ERROR), 0, NULL);
  talmeq_getSpotCoord(&empty, &spot);
  CHECK(talmeq_setLogCallback(NULL, NULL, TALMEQ_LOG_INFO), 0, NULL);
  talmeq_getSpotCoord(&empty, &spot);
  check("one failure record reached the callback", entries, 1, NULL);
}

static const char* kWhole =
    "%YAML:1.0\n---\nk: 0.5\nb: 0.25\ninitialX: 100.\ninitialY: 50.\nscale: 0.1\ndist: 300.\ninitZ: -31.\n"
    "focusD: 0.5\nRoI: [ 50, 40, 200, 30 ]\noffsetX: 0.\noffsetY: 0.\n";
static const char* kSettings = "%YAML:1.0\n---\nscale: 0.1\ndist: 300.\ninitZ: -31.\nfocusD: 0.5\n";

static void writeFile(const char* path, const char* text) {
  FILE* file = fopen(path, "w");
  if (file) fputs(text, file), fclose(file);
}

static void offsetRows(void) {
  static const struct {
    double measured, truth;
    const char* text; /* NULL: no file */
    int status, legacy;
  } rows[] = {
      {-10.0, -9.75, NULL, TALMEQ_OFFSET_CORRECTED, 0},
      {NAN, -30.5, NULL, TALMEQ_OFFSET_NOT_FINITE, 0},
      {0.0, 1.0, "", TALMEQ_OFFSET_NOT_CALIBRATION, -2 /* no file */},
  };
  for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    remove("cStation.yml");
    if (rows[i].text == NULL || rows[i].text[0]) writeFile("cStation.yml", rows[i].text ? rows[i].text : kWhole);
    talmeq_offset_correction c;
    expect("correctHeightOffset", talmeq_correctHeightOffset(rows[i].measured, rows[i].truth, "cStation.yml", &c) == 0);
    expect("its status", c.status == rows[i].status);
    expect("initZ after", c.status != TALMEQ_OFFSET_CORRECTED || (c.initZBefore == -31.0 && c.initZAfter == -30.75));
    if (c.status != TALMEQ_OFFSET_CORRECTED)
      expect("correctYml's code", talmeq_correctYml(rows[i].measured, rows[i].truth, "cStation.yml") == rows[i].legacy);
  }
  double heights[3] = {0.0, 1.0, 2.0};
  talmeq_point2d line[3] = {{100.5, 50.25}, {110.5, 50.25}, {120.5, 50.25}}, poor[3] = {line[0], line[0], line[2]};
  talmeq_height_model model;
  writeFile("cStation.yml", kSettings);
  expect("a fit", talmeq_fitHeightModel(heights, line, 3, "cStation.yml", &model, NULL) == 0 && model.status == 0);
  expect("kept", talmeq_fitHeightModel(heights, poor, 3, "cStation.yml", &model, NULL) == 0 &&
                     model.status == TALMEQ_MODEL_KEPT);
  expect("replaced", talmeq_fitHeightModelWith(heights, poor, 3, "cStation.yml", 1, &model, NULL) == 0 &&
                         model.status == TALMEQ_MODEL_POOR_FIT);
  remove("cStation.yml");
  remove("cStation.yml.lock");
}

static void cameraRows(void) {
  static unsigned char pixels[48][64][3];
  talmeq_image image = {&pixels[0][0][0], 64, 48, 64 * 3, 3}, out = {NULL, 64, 48, 0, 0};
  static const struct {
    double matrix[9], distortion[5], thickness;
    const char* words;
  } rows[] = {
      {{0}, {0}, 0.0, "cameraMatrix: fx must be a positive finite number (it is 0)"},
      {{500, 0, 32, 0, 500, 24, 0, 0, 1}, {0, INFINITY}, 0.0, "distCoeffs: coefficient 1 is not finite"},
      {{500, 0, 32, 0, 500, 24, 0, 0, 1}, {0}, 190.0, "thickness must lie in 0 <= thickness < 190"},
  };
  for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    const int code = talmeq_correctForThickness(&image, rows[i].matrix, rows[i].distortion, 5, rows[i].thickness, &out);
    expect(rows[i].words, code == TALMEQ_EXCEPTION && strstr(talmeq_last_error(), rows[i].words) && out.data == NULL);
  }
  int mayBe = -1;
  expect("no chessboard", talmeq_chessboardMayBeThere(&image, 17, 12, &mayBe) == 0 && mayBe == 0);
}

static void reportRows(const char* data) {
  enum { VIEWS = 12, W = 1024, H = 768 };
  static unsigned char pixels[H][W][3];
  talmeq_board board = {TALMEQ_BOARD_CHESSBOARD, 17, 12, 15.0, 0.0, 0.0, "", 0};
  talmeq_board_points views[VIEWS];
  for (int v = 0; v < VIEWS; ++v) {
    char path[1024];
    snprintf(path, sizeof path, "%s/chess/view_%02d.bgr", data, v);
    FILE* file = fopen(path, "rb");
    expect(path, file && fread(pixels, 1, sizeof pixels, file) == sizeof pixels);
    if (file) fclose(file);
    talmeq_image image = {&pixels[0][0][0], W, H, W * 3, 3};
    int count = -1;
    expect("capacity 0 counts",
           talmeq_findBoardPoints(&image, &board, NULL, NULL, 0, &count, NULL, 0) == 0 && count == 17 * 12);
    talmeq_point2d* points = malloc(2 * sizeof *points * (size_t)count);
    expect("the points", talmeq_findBoardPoints(&image, &board, points, points + count, count, &count, NULL, 0) == 0);
    views[v] = (talmeq_board_points){points, points + count, count};
  }
  talmeq_calibration_report report;
  expect("calibrated", talmeq_calibrateCameraFromViews(views, VIEWS, W, H, NULL, &report) == 0);
  expect("the report", report.accepted && report.usedViews == VIEWS && report.viewCount == VIEWS &&
                           report.views[3].points == 17 * 12 &&
                           report.views[3].found2d[0].x == views[3].imagePoints[0].x && report.checkCount > 0 &&
                           report.checks[0].name[0] && report.camera.matrix[0] > 1000.0);
  talmeq_freeCalibrationReport(&report);
  talmeq_freeCalibrationReport(&report);
  for (int v = 0; v < VIEWS; ++v) free((void*)views[v].imagePoints);

  talmeq_height_sample samples[6];
  for (int i = 0; i < 6; ++i)
    samples[i] = (talmeq_height_sample){5.0 * (i / 2), 5.0 * (i / 2) + 0.001 * (i % 2), 0, 0, 1, 0};
  samples[5].measured = 0;
  talmeq_station_characterization result;
  expect("characterized", talmeq_characterizeStation(samples, 6, NULL, &result) == 0);
  expect("a failed row", result.failedRows == 1 && !result.pass && result.residualCount == 6 && result.checkCount > 0 &&
                             fabs(result.slope - 1.0) < 1e-3);
  talmeq_freeCharacterization(&result);
  talmeq_freeCharacterization(&result);
  expect("no samples", talmeq_characterizeStation(samples, 0, NULL, &result) == TALMEQ_EXCEPTION);
}

int main(int argc, char** argv) {
  if (argc > 1) {
    offsetRows();
    cameraRows();
    reportRows(argv[1]);
  } else {
    interfaceRows();
  }
  if (failures) fprintf(stderr, "%d checks failed\n", failures);
  return failures ? 1 : 0;
}
