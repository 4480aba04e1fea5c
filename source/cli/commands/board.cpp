// `talmeq board chess|aruco --out FILE [--dpi N] [--unit-mm X]` and `talmeq
// board --board FILE --out FILE`: a printable calibration target (one of the
// station's or any described board) at exact physical scale, as PNG
// (resolution stored) or SVG (width and height in millimetres), chosen by
// the file's extension.
#include <filesystem>
#include <opencv2/imgcodecs.hpp>

#include "commands.h"
#include "printableBoard.h"

namespace talmeq::cli {
namespace {

constexpr double kMillimetresPerInch = 25.4;
constexpr double kChessUnitMm = 1.0;      // pitch 15 units = 15 mm squares
constexpr double kArucoUnitMm = 0.1;      // marker 200 units = 20 mm, sheet 280 x 190 mm
constexpr double kDescribedUnitMm = 1.0;  // a described board's units are millimetres unless --unit-mm
constexpr double kMaxDpi = 2400.0;
constexpr int kMaxSidePixels = 30000;
constexpr double kMinDetailPixels = 2.0;

struct BoardOptions {
  std::string kind;
  std::string boardFile;
  std::string out;
  double dpi = 300.0;
  double unitMm = 0.0;
  const CLI::Option* unitOption = nullptr;  // not given: the target's own default
};

bool isPng(const std::string& path) { return lowerExtension(path) == ".png"; }

double unitMillimetres(const BoardOptions& options) {
  if (options.unitOption->count() > 0) return options.unitMm;
  if (!options.boardFile.empty()) return kDescribedUnitMm;
  return options.kind == "chess" ? kChessUnitMm : kArucoUnitMm;
}

// The station's target named, or the board described in --board (one of them).
BoardDescription chosenBoard(const BoardOptions& options) {
  if (options.kind.empty() == options.boardFile.empty())
    throw UsageError("give either a station target (chess or aruco) or --board FILE");
  if (options.boardFile.empty()) return options.kind == "chess" ? stationChessboard() : stationArucoGrid();
  return readBoardFile(options.boardFile);
}

// The raster's pixels per board unit.
double pixelsPerUnit(const BoardOptions& options, double unitMm) { return unitMm * options.dpi / kMillimetresPerInch; }

void checkOptions(const BoardOptions& options, const BoardDescription& board) {
  if (!(options.dpi > 0.0 && options.dpi <= kMaxDpi))
    throw UsageError("--dpi must lie in (0, " + std::to_string(static_cast<int>(kMaxDpi)) + "]");
  if (options.unitOption->count() > 0 && !(options.unitMm > 0.0 && options.unitMm <= 100.0))
    throw UsageError("--unit-mm must lie in (0, 100]");
  requireExtension(options.out, {".png", ".svg"}, "--out");
  if (!isPng(options.out)) return;
  const double unitMm = unitMillimetres(options);
  const BoardLayout layout = boardLayout(board);
  const double perUnit = pixelsPerUnit(options, unitMm);
  if (layout.size.width * perUnit > kMaxSidePixels)
    throw UsageError("the image would be wider than " + std::to_string(kMaxSidePixels) + " pixels");
  if (finestBoardDetail(board) * perUnit < kMinDetailPixels)
    throw UsageError("the target would be too small to print: its finest detail would be " +
                     decimalText(finestBoardDetail(board) * perUnit, 2) + " pixels (at least " +
                     decimalText(kMinDetailPixels, 0) + " needed); raise --dpi or --unit-mm");
}

// Writes the raster; returns its size in pixels.
cv::Size writePng(const BoardLayout& layout, const BoardOptions& options, double unitMm) {
  const cv::Mat image = rasterBoard(layout, pixelsPerUnit(options, unitMm));
  std::vector<unsigned char> png;
  cv::imencode(".png", image, png);
  writeBytes(options.out, withPixelDensity(png, options.dpi));
  return image.size();
}

void writeSvg(const BoardLayout& layout, const BoardOptions& options, double unitMm) {
  const std::string svg = svgBoard(layout, unitMm);
  writeBytes(options.out, std::vector<unsigned char>(svg.begin(), svg.end()));
}

void runBoard(const BoardOptions& options, Session& session) {
  const BoardDescription board = chosenBoard(options);
  checkOptions(options, board);
  const double unitMm = unitMillimetres(options);
  const BoardLayout layout = boardLayout(board);
  const std::string name = options.kind.empty() ? describeBoard(board) : options.kind;
  nlohmann::json& document = session.output.document();
  document.update({{"board", name},
                   {"file", options.out},
                   {"unitMm", unitMm},
                   {"widthMm", layout.size.width * unitMm},
                   {"heightMm", layout.size.height * unitMm}});
  std::string summary = name + " target, " + decimalText(layout.size.width * unitMm, 1) + " x " +
                        decimalText(layout.size.height * unitMm, 1) + " mm (" + decimalText(unitMm, 3) +
                        " mm per unit)";
  if (isPng(options.out)) {
    const cv::Size pixels = writePng(layout, options, unitMm);
    document.update({{"format", "png"}, {"dpi", options.dpi}, {"widthPx", pixels.width}, {"heightPx", pixels.height}});
    summary += ", " + std::to_string(pixels.width) + " x " + std::to_string(pixels.height) + " px at " +
               decimalText(options.dpi, 0) + " dpi";
  } else {
    writeSvg(layout, options, unitMm);
    document["format"] = "svg";
  }
  session.output.line(summary + " -> " + options.out);
}

}  // namespace

Command addBoardCommand(CLI::App& app) {
  auto options = std::make_shared<BoardOptions>();
  CLI::App* board = app.add_subcommand("board", "Write a printable calibration target (PNG or SVG)");
  board
      ->add_option("kind", options->kind,
                   "chess: 17 x 12 inner corners at pitch 15; aruco: 9 x 6 DICT_6X6_250 markers, "
                   "side 200, separation 100")
      ->check(CLI::IsMember({"chess", "aruco"}));
  board->add_option("--board", options->boardFile,
                    "Board description file instead of a station target (see calib-chess --board)");
  board->add_option("--out", options->out, "Output file, .png or .svg")->required();
  addNumberOption(board, "--dpi", options->dpi, "Print resolution of the PNG, dots per inch");
  options->unitOption =
      board
          ->add_option("--unit-mm", options->unitMm,
                       "Millimetres per board unit: chess 1.0 gives 15 mm squares, aruco 0.1 gives 20 mm markers")
          ->check(decimalNumber())
          ->default_str("chess 1.0, aruco 0.1, --board 1.0");
  return {board, nullKeys({"board", "file", "format", "unitMm", "widthMm", "heightMm", "dpi", "widthPx", "heightPx"}),
          [options](Session& session) { runBoard(*options, session); }};
}

}  // namespace talmeq::cli
