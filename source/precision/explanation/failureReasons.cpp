// Reasons and warnings of the spot detection and the height measurement
// (see talmeq/explanations.h).
#include <talmeq/explanations.h>
#include <talmeq/resultCodes.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <opencv2/imgproc.hpp>

namespace talmeq {
namespace {

struct BrightBlob {
  int pixels = 0;
  cv::Point centre;
};

constexpr int kSpotSpanDivisor = 10;  // a spot fits in a tenth of the image's shorter side

// The largest spot-sized connected blob of bright pixels outside `window`.
BrightBlob brightestOutside(const cv::Mat& image, const cv::Rect& window) {
  const int span = std::max(kRankedPixels, std::min(image.cols, image.rows) / kSpotSpanDivisor);
  cv::Mat grey, bright, labels, stats, centroids;
  cv::cvtColor(image, grey, cv::COLOR_BGR2GRAY);
  cv::compare(grey, kBrightSwitch, bright, cv::CMP_GE);
  bright(window & cv::Rect({0, 0}, bright.size())).setTo(0);
  const int count = cv::connectedComponentsWithStats(bright, labels, stats, centroids, 8, CV_32S);
  BrightBlob blob;
  for (int i = 1; i < count; ++i) {
    if (stats.at<int>(i, cv::CC_STAT_AREA) <= blob.pixels || stats.at<int>(i, cv::CC_STAT_WIDTH) > span ||
        stats.at<int>(i, cv::CC_STAT_HEIGHT) > span)
      continue;
    blob.pixels = stats.at<int>(i, cv::CC_STAT_AREA);
    blob.centre = {static_cast<int>(centroids.at<double>(i, 0)), static_cast<int>(centroids.at<double>(i, 1))};
  }
  return blob;
}

std::string screenCounts(const SpotDetectionRecord& record) {
  constexpr std::array<std::pair<CandidateScreen, const char*>, 4> kScreens{
      {{CandidateScreen::kTooSmall, "too small"},
       {CandidateScreen::kTooLarge, "too large"},
       {CandidateScreen::kBadRatio, "too elongated"},
       {CandidateScreen::kNotRound, "not round"}}};
  std::string text;
  for (const auto& [screen, name] : kScreens) {
    std::size_t count = 0;
    for (const SpotCandidate& candidate : record.candidates) count += candidate.screen == screen ? 1 : 0;
    if (count > 0) text += (text.empty() ? "" : ", ") + std::to_string(count) + " " + name;
  }
  return text;
}

std::string locatorReason(const HeightMeasurementRecord& record) {
  const SpotLocationRecord& r = record.region;
  const std::string window = "the search window " + rectText(record.window);
  if (r.pass == LocatorPass::kNone)
    return record.window.area() == 0 ? window + " is empty"
                                     : window + " holds fewer than " + std::to_string(kLocatorLevelRank) + " pixels";
  // A level below 0: fewer than kLocatorLevelRank pixels of the window hold any red at all.
  if (r.trackLevel < 0)
    return "no spot: the search window " + rectText(record.window) + " is dark: fewer than " +
           std::to_string(kLocatorLevelRank) + " of its pixels hold any red light";
  const std::string level = " at the track level " + std::to_string(r.trackLevel) + " in the band along " + window;
  if (r.trackBlobs == 0) return "no spot: no blob" + level;
  return "no single spot: " + std::to_string(r.trackBlobs) + " blobs" + level;
}

}  // namespace

std::string spotFailureReason(const cv::Mat& image, const SpotDetectionRecord& record) {
  switch (record.outcome) {
    case DetectionOutcome::kEmptyImage:
      return "the image is empty";
    case DetectionOutcome::kWindowTooSmall:
      return "the image is too small: its detection window " + rectText(record.window) + " holds fewer than " +
             std::to_string(kRankedPixels) + " pixels";
    case DetectionOutcome::kFound:
      return {};
    case DetectionOutcome::kNoBlob:
      break;
  }
  bool onlySpecks = true;
  for (const SpotCandidate& candidate : record.candidates)
    onlySpecks = onlySpecks && candidate.screen == CandidateScreen::kTooSmall;
  const std::string window = "the detection window " + rectText(record.window);
  if (onlySpecks) {
    const BrightBlob outside = brightestOutside(image, record.window);
    if (outside.pixels >= kRankedPixels)
      return "spot outside the window: " + window + " holds no candidate, but a bright blob of " +
             std::to_string(outside.pixels) + " pixels lies at (" + std::to_string(outside.centre.x) + ", " +
             std::to_string(outside.centre.y) + ")";
  }
  if (record.candidates.empty()) return "no candidate in " + window;
  return std::to_string(record.candidates.size()) + " candidate" + (record.candidates.size() > 1 ? "s" : "") + " in " +
         window + ", none accepted: " + screenCounts(record);
}

std::string spotWarning(const SpotDetectionRecord& record) {
  if (record.outcome != DetectionOutcome::kFound || record.blobs.size() < 2) return {};
  return std::to_string(record.blobs.size()) + " blobs passed every screen; the largest was taken as the spot";
}

std::string measureFailureReason(int code, const HeightMeasurementRecord& record, double height, double absolute) {
  switch (code) {
    case 0:
      break;
    case kNoResult:
      return locatorReason(record);
    case kOutOfRange:
      return "absolute height " + decimalText(absolute, 4) + " outside -32 .. 0";
    default:
      return std::string(resultMeaning("getPlaneHeightByLinear", code));
  }
  if (!record.region.spotWritten)
    return "no spot: the one blob in the track band stands only " + decimalText(record.region.contrast, 1) +
           " above the window's mean red (more than " + decimalText(kLocatorMinContrast, 0) +
           " needed); the library's height belongs to no spot";
  if (!std::isfinite(height) || !std::isfinite(absolute))
    return "the height is not a finite number: the calibration file's model cannot be inverted at this spot";
  return {};
}

}  // namespace talmeq
