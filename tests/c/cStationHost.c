/* The station layer through the C interface, as a C host calls it (each
 * status and refusal of the library is in the Python tables; here one or
 * two of each cross the C interface): the height offset's correction by
 * status beside correctYml's code, a poor fit
 * that keeps a whole calibration, corrections that refuse non-cameras with
 * the argument named, the camera calibrated from the dataset's chessboard
 * views (point counts asked for with capacity 0) and a characterization,
 * with the library-owned arrays released twice without harm.
 *   cStationHost DATA_DIR; exits 1 when a check fails. */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <talmeq/talmeqC.h>

static int failures;

static void check(const char* what, int ok) {
  if (ok) return;
  fprintf(stderr, "FAILED: %s (last error \"%s\")\n", what, talmeq_last_error());
  ++failures;
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
    check("correctHeightOffset", talmeq_correctHeightOffset(rows[i].measured, rows[i].truth, "cStation.yml", &c) == 0);
    check("its status", c.status == rows[i].status);
    check("initZ after", c.status != TALMEQ_OFFSET_CORRECTED || (c.initZBefore == -31.0 && c.initZAfter == -30.75));
    if (c.status != TALMEQ_OFFSET_CORRECTED)
      check("correctYml's code", talmeq_correctYml(rows[i].measured, rows[i].truth, "cStation.yml") == rows[i].legacy);
  }
  double heights[3] = {0.0, 1.0, 2.0};
  talmeq_point2d line[3] = {{100.5, 50.25}, {110.5, 50.25}, {120.5, 50.25}}, poor[3] = {line[0], line[0], line[2]};
  talmeq_height_model model;
  writeFile("cStation.yml", kSettings);
  check("a fit", talmeq_fitHeightModel(heights, line, 3, "cStation.yml", &model, NULL) == 0 && model.status == 0);
  check("kept", talmeq_fitHeightModel(heights, poor, 3, "cStation.yml", &model, NULL) == 0 &&
                    model.status == TALMEQ_MODEL_KEPT);
  check("replaced", talmeq_fitHeightModelWith(heights, poor, 3, "cStation.yml", 1, &model, NULL) == 0 &&
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
    check(rows[i].words, code == TALMEQ_EXCEPTION && strstr(talmeq_last_error(), rows[i].words) && out.data == NULL);
  }
  int mayBe = -1;
  check("no chessboard", talmeq_chessboardMayBeThere(&image, 17, 12, &mayBe) == 0 && mayBe == 0);
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
    check(path, file && fread(pixels, 1, sizeof pixels, file) == sizeof pixels);
    if (file) fclose(file);
    talmeq_image image = {&pixels[0][0][0], W, H, W * 3, 3};
    int count = -1;
    check("capacity 0 counts",
          talmeq_findBoardPoints(&image, &board, NULL, NULL, 0, &count, NULL, 0) == 0 && count == 17 * 12);
    talmeq_point2d* points = malloc(2 * sizeof *points * (size_t)count);
    check("the points", talmeq_findBoardPoints(&image, &board, points, points + count, count, &count, NULL, 0) == 0);
    views[v] = (talmeq_board_points){points, points + count, count};
  }
  talmeq_calibration_report report;
  check("calibrated", talmeq_calibrateCameraFromViews(views, VIEWS, W, H, NULL, &report) == 0);
  check("the report", report.accepted && report.usedViews == VIEWS && report.viewCount == VIEWS &&
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
  check("characterized", talmeq_characterizeStation(samples, 6, NULL, &result) == 0);
  check("a failed row", result.failedRows == 1 && !result.pass && result.residualCount == 6 && result.checkCount > 0 &&
                            fabs(result.slope - 1.0) < 1e-3);
  talmeq_freeCharacterization(&result);
  talmeq_freeCharacterization(&result);
  check("no samples", talmeq_characterizeStation(samples, 0, NULL, &result) == TALMEQ_EXCEPTION);
}

int main(int argc, char** argv) {
  offsetRows();
  cameraRows();
  if (argc > 1) reportRows(argv[1]);
  if (failures) fprintf(stderr, "%d checks failed\n", failures);
  return failures ? 1 : 0;
}
