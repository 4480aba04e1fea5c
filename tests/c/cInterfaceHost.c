/* The C host of the binding tests (C99): the C interface with the image
 * descriptions a C host hands it. A frame with padded rows, corrected into a
 * padded buffer of the host's, gives the pixels of the same frame packed and
 * corrected into a buffer the library allocates; malformed calls and
 * OpenCV's errors give their codes and texts, and a call that returns clears
 * the text. (The C# host checks every function's results against the C++
 * exports through the same library.) Exits 1 when a check fails. */
#include <stdio.h>
#include <string.h>

#include "talmeqC.h"

enum { W = 61, H = 47, PADDED = W * 3 + 8 };

static int failures;

/* One check of a call just made: its code, and a fragment of the error text
 * (NULL: the text must be empty). */
static void check(const char* what, int code, int expected, const char* fragment) {
  const char* text = talmeq_last_error();
  if (code != expected || (fragment ? strstr(text, fragment) == NULL : text[0] != '\0')) {
    fprintf(stderr, "FAILED: %s: code %d (expected %d), error text \"%s\"\n", what, code, expected, text);
    ++failures;
  }
}

int main(void) {
  static unsigned char packed[H][W * 3], padded[H][PADDED], corrected[H][PADDED];
  unsigned int seed = 12345u;
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W * 3; ++x)
      padded[y][x] = packed[y][x] = (unsigned char)((seed = seed * 1103515245u + 12345u) >> 16);
  const double camera[9] = {500.0, 0.0, 30.2, 0.0, 480.0, 22.7, 0.0, 0.0, 1.0};
  const double distortion[5] = {-0.2, 0.05, 0.001, -0.002, 0.0};
  talmeq_image packedFrame = {&packed[0][0], W, H, W * 3, 3}, paddedFrame = {&padded[0][0], W, H, PADDED, 3};
  talmeq_image allocated = {NULL, 0, 0, 0, 0}, own = {&corrected[0][0], W, H, PADDED, 3};
  check("a packed frame into the library's buffer",
        talmeq_getCorrectImgByThickness(&packedFrame, camera, distortion, 5, 19.0, &allocated), 0, NULL);
  check("a padded frame into the host's padded buffer",
        talmeq_getCorrectImgByThickness(&paddedFrame, camera, distortion, 5, 19.0, &own), 0, NULL);
  int same =
      allocated.width == W && allocated.height == H && allocated.stride == W * 3 && allocated.channels == 3;
  for (int y = 0; same && y < H; ++y)
    same = memcmp(allocated.data + y * allocated.stride, corrected[y], W * 3) == 0;
  check("both hold the same pixels", same, 1, NULL);
  talmeq_free(allocated.data);

  talmeq_point spot = {7, 7}, coords[3] = {{1, 2}, {3, 4}, {5, 6}};
  double heights[3] = {0.0, 5.0, 10.0}, height = 0.0;
  int count = 0;
  talmeq_marker marker;
  talmeq_image grey = {&padded[0][0], W, H, PADDED, 1}, shortRows = {&padded[0][0], W, H, W * 3 - 1, 3};
  talmeq_image empty = {NULL, 0, 0, 0, 3}, otherSize = {&corrected[0][0], W - 1, H, PADDED, 3};
  talmeq_camera calibrated;
  check("a missing image", talmeq_getSpotCoord(NULL, &spot), TALMEQ_INVALID_ARGUMENT, "missing");
  check("a grey image where colour is needed", talmeq_calibChess(&grey, &calibrated), TALMEQ_INVALID_ARGUMENT,
        "channels");
  check("a stride shorter than a row", talmeq_getPlaneHeightByLinear(&shortRows, "c.yml", &height, &height),
        TALMEQ_INVALID_ARGUMENT, "stride");
  check("a missing path", talmeq_correctYml(0.0, 1.0, NULL), TALMEQ_INVALID_ARGUMENT, "path");
  check("an empty image", talmeq_getSpotCoord(&empty, &spot), -2, NULL);
  check("an empty image leaves coord at (0, 0)", spot.x == 0 && spot.y == 0, 1, NULL);
  check("lists of different lengths", talmeq_getCalibrationParamByLinear(heights, 3, coords, 2, "c.yml"), -2,
        NULL);
  check("no view to calibrate from", talmeq_calibAruco(NULL, NULL, 0, W, H, &calibrated), -1, NULL);
  check("an output buffer of another size",
        talmeq_getCorrectImgByThickness(&paddedFrame, camera, distortion, 5, 19.0, &otherSize),
        TALMEQ_INVALID_ARGUMENT, "buffer");
  check("three distortion coefficients", talmeq_undistAruco(&paddedFrame, camera, distortion, 3, &own),
        TALMEQ_EXCEPTION, "OpenCV");
  check("no marker, no room asked", talmeq_getArucoCorners(&grey, NULL, 0, &count), -1, NULL);
  check("a negative capacity", talmeq_getArucoCorners(&grey, &marker, -1, &count), TALMEQ_INVALID_ARGUMENT,
        "markers");
  if (failures) fprintf(stderr, "%d checks failed\n", failures);
  return failures ? 1 : 0;
}
