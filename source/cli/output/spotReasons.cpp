// Reasons and warnings of the spot detection (see spotReasons.h).
#include "spotReasons.h"

#include <algorithm>
#include <array>
#include <opencv2/imgproc.hpp>

namespace talmeq::cli {
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

std::string screenCounts(const SpotDetectionRecord& trace) {
  constexpr std::array<std::pair<CandidateScreen, const char*>, 4> kScreens{
      {{CandidateScreen::kTooSmall, "too small"},
       {CandidateScreen::kTooLarge, "too large"},
       {CandidateScreen::kBadRatio, "too elongated"},
       {CandidateScreen::kNotRound, "not round"}}};
  std::string text;
  for (const auto& [screen, name] : kScreens) {
    std::size_t count = 0;
    for (const SpotCandidate& candidate : trace.candidates) count += candidate.screen == screen ? 1 : 0;
    if (count > 0) text += (text.empty() ? "" : ", ") + std::to_string(count) + " " + name;
  }
  return text;
}

}  // namespace

std::string rectText(const cv::Rect& rect) {
  return "[" + std::to_string(rect.x) + ", " + std::to_string(rect.y) + ", " + std::to_string(rect.width) + ", " +
         std::to_string(rect.height) + "]";
}

std::string spotFailureReason(const cv::Mat& image, const SpotDetectionRecord& trace) {
  switch (trace.outcome) {
    case DetectionOutcome::kEmptyImage:
      return "the image is empty";
    case DetectionOutcome::kWindowTooSmall:
      return "the image is too small: its detection window " + rectText(trace.window) + " holds fewer than " +
             std::to_string(kRankedPixels) + " pixels";
    case DetectionOutcome::kFound:
      return {};
    case DetectionOutcome::kNoBlob:
      break;
  }
  bool onlySpecks = true;
  for (const SpotCandidate& candidate : trace.candidates)
    onlySpecks = onlySpecks && candidate.screen == CandidateScreen::kTooSmall;
  const std::string window = "the detection window " + rectText(trace.window);
  if (onlySpecks) {
    const BrightBlob outside = brightestOutside(image, trace.window);
    if (outside.pixels >= kRankedPixels)
      return "spot outside the window: " + window + " holds no candidate, but a bright blob of " +
             std::to_string(outside.pixels) + " pixels lies at (" + std::to_string(outside.centre.x) + ", " +
             std::to_string(outside.centre.y) + ")";
  }
  if (trace.candidates.empty()) return "no candidate in " + window;
  return std::to_string(trace.candidates.size()) + " candidate" + (trace.candidates.size() > 1 ? "s" : "") + " in " +
         window + ", none accepted: " + screenCounts(trace);
}

std::string spotWarning(const SpotDetectionRecord& trace) {
  if (trace.outcome != DetectionOutcome::kFound || trace.blobs.size() < 2) return {};
  return std::to_string(trace.blobs.size()) + " blobs passed every screen; the largest was taken as the spot";
}

}  // namespace talmeq::cli
