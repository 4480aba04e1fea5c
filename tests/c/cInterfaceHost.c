/* The C host of the binding tests (C99), the one the sanitizer builds run:
 * the contract of the C interface with a C host. A frame with padded rows,
 * corrected into a padded buffer of the host's, gives the pixels of the same
 * frame packed and corrected into a buffer the library allocates and into a
 * packed buffer of the host's; a calibration whose counts differ is refused
 * even with a settings file; malformed calls, OpenCV's errors and the
 * library's own codes give their codes and texts, and a call that returns
 * clears the text. (The C# host checks the interface's results against the
 * C++ library.)
 *   cInterfaceHost; exits 1 when a check fails. */
#include <stdio.h>
#include <string.h>
#include <talmeq/talmeqC.h>

enum { W = 61, H = 47, PADDED = W * 3 + 8 };

static int failures;

/* One check of a call just made: its code, and a fragment of the error text
 * (NULL: the text must be empty). CHECK names the check by its call. */
static void check(const char* what, int code, int expected, const char* fragment) {
  const char* text = talmeq_last_error();
  if (code == expected && (fragment ? strstr(text, fragment) != NULL : text[0] == '\0')) return;
  fprintf(stderr, "FAILED: %s: code %d (expected %d), error text \"%s\"\n", what, code, expected, text);
  ++failures;
}

#define CHECK(call, expected, fragment) check(#call, call, expected, fragment)

/* Counts the failure records of getSpotCoord that reach the callback. */
static void countEntry(int level, const char* text, void* context) {
  *(int*)context += level == TALMEQ_LOG_ERROR && strstr(text, "getSpotCoord returned -2") != NULL;
}

int main(void) {
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
  if (failures) fprintf(stderr, "%d checks failed\n", failures);
  return failures ? 1 : 0;
}
