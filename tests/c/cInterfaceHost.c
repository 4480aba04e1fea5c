/* The C host of the binding tests (C99), the one the sanitizer builds run.
 * The precision layer's part of the scenario (see bindingReference.cpp) on
 * the dataset's raw frames gives lines of the C++ reference's transcript to
 * the last bit. A frame with padded rows, corrected into a padded buffer of the
 * host's, gives the pixels of the same frame packed and corrected into a
 * buffer the library allocates; malformed calls and OpenCV's errors give
 * their codes and texts, and a call that returns clears the text. (The C#
 * host checks one call per result struct against the C++ library.)
 *   cInterfaceHost DATA_DIR REFERENCE_DIR; exits 1 when a check fails. */
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "talmeqC.h"

enum { W = 61, H = 47, PADDED = W * 3 + 8, FRAME_W = 1280, FRAME_H = 1024 };

static int failures;
static char expected[1 << 17], written[1024]; /* the reference's transcript, after a newline; a line of this host's */
static size_t used;

/* One check of a call just made: its code, and a fragment of the error text
 * (NULL: the text must be empty). CHECK names the check by its call. */
static void check(const char* what, int code, int expected, const char* fragment) {
  const char* text = talmeq_last_error();
  if (code != expected || (fragment ? strstr(text, fragment) == NULL : text[0] != '\0')) {
    fprintf(stderr, "FAILED: %s: code %d (expected %d), error text \"%s\"\n", what, code, expected, text);
    ++failures;
  }
}

#define CHECK(call, expected, fragment) check(#call, call, expected, fragment)

static void put(const char* format, ...) {
  va_list values;
  va_start(values, format);
  used += (size_t)vsnprintf(written + used, sizeof written - used, format, values);
  va_end(values);
}

/* Ends the line being written, which must be one of the reference's. */
static void endLine(void) {
  put("\n");
  if (!strstr(expected, written)) fprintf(stderr, "FAILED: not in the reference's transcript:%s", written), ++failures;
  used = 1;
}

/* Floating-point values as the hex digits of their bits, as the reference writes them. */
static void bits(int count, const double* values) {
  for (int i = 0; i < count; ++i) {
    uint64_t word;
    memcpy(&word, &values[i], sizeof word);
    put(" %016llx", (unsigned long long)word);
  }
}

static void spotItems(const talmeq_spot_reading* s) {
  const double first[12] = {s->centre.x,    s->centre.y,    s->covariance[0], s->covariance[1],
                            s->covariance[2], s->covariance[3], s->uncertainty, s->peak,
                            s->background,  s->sigmaX,      s->sigmaY,      s->saturatedFraction};
  const double rival[3] = {s->runnerUp, s->runnerUpCentre.x, s->runnerUpCentre.y};
  put(" %d %d", s->status, s->method), bits(12, first), put(" %d", s->candidates), bits(3, rival);
  put(" %d %d %d", s->detectorResult, s->detectorSpot.x, s->detectorSpot.y);
}

/* The bytes of a file, at most `room` of them; 0 when it cannot be read. */
static size_t load(const char* path, void* buffer, size_t room) {
  FILE* file = fopen(path, "rb");
  const size_t size = file ? fread(buffer, 1, room, file) : 0;
  if (file) fclose(file);
  return size;
}

/* A height frame of the dataset, from the raw pixels the reference wrote beside it. */
static talmeq_image frame(const char* data, const char* name, int index) {
  static unsigned char pixels[FRAME_H][FRAME_W * 3];
  char path[1024];
  snprintf(path, sizeof path, "%s/height/%s_%02d.bgr", data, name, index);
  check(path, load(path, pixels, sizeof pixels) == sizeof pixels, 1, NULL);
  const talmeq_image image = {&pixels[0][0], FRAME_W, FRAME_H, FRAME_W * 3, 3};
  return image;
}

/* The precision layer's part of the scenario, fitted into the starting
 * calibration file the reference left for this host. */
static void preciseScenario(const char* data, const char* reference) {
  char path[1024];
  snprintf(path, sizeof path, "%s/transcript.txt", reference);
  check("the reference's transcript", load(path, expected + 1, sizeof expected - 2) > 0, 1, NULL);
  expected[0] = written[0] = '\n', used = 1;
  snprintf(path, sizeof path, "%s/cHost.yml", reference);
  double heights[7], errors[7];
  talmeq_point2d centres[7];
  for (int i = 0; i < 7; ++i) {
    talmeq_spot_reading spot;
    talmeq_image image = frame(data, "calib", i);
    CHECK(talmeq_readSpot(&image, &spot), 0, NULL);
    put("precise %d", i), spotItems(&spot), endLine();
    heights[i] = 5.0 * i, centres[i] = spot.centre;
  }
  talmeq_height_model model;
  CHECK(talmeq_fitHeightModel(heights, centres, 7, path, &model, errors), 0, NULL);
  const double fit[5] = {model.k, model.b, model.reference.x, model.reference.y, model.averageError};
  put("model %d", model.status), bits(5, fit);
  put(" %d %d %d %d", model.window.x, model.window.y, model.window.width, model.window.height);
  bits(7, errors), endLine();
  for (int i = 0; i < 20; ++i) {
    talmeq_height_reading r;
    talmeq_image image = frame(data, "measure", i);
    CHECK(talmeq_readHeight(&image, path, &r), 0, NULL);
    const double height[3] = {r.height, r.axisZ, r.heightUncertainty};
    put("height %d", i), spotItems(&r.spot), bits(3, height);
    put(" %d %d %d %d %d", r.status, r.window.x, r.window.y, r.window.width, r.window.height), endLine();
  }
}

int main(int argc, char** argv) {
  if (argc != 3) return fprintf(stderr, "usage: cInterfaceHost DATA_DIR REFERENCE_DIR\n"), 2;
  preciseScenario(argv[1], argv[2]);

  static unsigned char packed[H][W * 3], padded[H][PADDED], corrected[H][PADDED];
  unsigned int seed = 12345u;
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W * 3; ++x)
      padded[y][x] = packed[y][x] = (unsigned char)((seed = seed * 1103515245u + 12345u) >> 16);
  const double camera[9] = {500.0, 0.0, 30.2, 0.0, 480.0, 22.7, 0.0, 0.0, 1.0};
  const double distortion[5] = {-0.2, 0.05, 0.001, -0.002, 0.0};
  talmeq_image packedFrame = {&packed[0][0], W, H, W * 3, 3}, paddedFrame = {&padded[0][0], W, H, PADDED, 3};
  talmeq_image allocated = {NULL, 0, 0, 0, 0}, own = {&corrected[0][0], W, H, PADDED, 3};
  CHECK(talmeq_getCorrectImgByThickness(&packedFrame, camera, distortion, 5, 19.0, &allocated), 0, NULL);
  CHECK(talmeq_getCorrectImgByThickness(&paddedFrame, camera, distortion, 5, 19.0, &own), 0, NULL);
  int same =
      allocated.width == W && allocated.height == H && allocated.stride == W * 3 && allocated.channels == 3;
  for (int y = 0; same && y < H; ++y)
    same = memcmp(allocated.data + y * allocated.stride, corrected[y], W * 3) == 0;
  check("both hold the same pixels", same, 1, NULL);
  talmeq_free(allocated.data);

  talmeq_point spot = {7, 7}, coords[3] = {{1, 2}, {3, 4}, {5, 6}};
  double heights[3] = {0.0, 5.0, 10.0}, height = 0.0;
  talmeq_image grey = {&padded[0][0], W, H, PADDED, 1}, shortRows = {&padded[0][0], W, H, W * 3 - 1, 3};
  talmeq_image empty = {NULL, 0, 0, 0, 3}, otherSize = {&corrected[0][0], W - 1, H, PADDED, 3};
  talmeq_spot_reading reading;
  CHECK(talmeq_getSpotCoord(NULL, &spot), TALMEQ_INVALID_ARGUMENT, "missing");
  CHECK(talmeq_readSpot(&grey, &reading), TALMEQ_INVALID_ARGUMENT, "channels");
  CHECK(talmeq_getPlaneHeightByLinear(&shortRows, "c.yml", &height, &height), TALMEQ_INVALID_ARGUMENT, "stride");
  CHECK(talmeq_correctYml(0.0, 1.0, NULL), TALMEQ_INVALID_ARGUMENT, "path");
  CHECK(talmeq_getSpotCoord(&empty, &spot) == -2 && spot.x == 0 && spot.y == 0, 1, NULL);
  CHECK(talmeq_readSpot(&empty, &reading), TALMEQ_EXCEPTION, "empty");
  CHECK(talmeq_getCalibrationParamByLinear(heights, 3, coords, 2, "c.yml"), -2, NULL);
  CHECK(talmeq_getCorrectImgByThickness(&paddedFrame, camera, distortion, 5, 19.0, &otherSize),
        TALMEQ_INVALID_ARGUMENT, "buffer");
  CHECK(talmeq_undistAruco(&paddedFrame, camera, distortion, 3, &own), TALMEQ_EXCEPTION, "OpenCV");
  if (failures) fprintf(stderr, "%d checks failed\n", failures);
  return failures ? 1 : 0;
}
