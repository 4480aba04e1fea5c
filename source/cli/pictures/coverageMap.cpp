// Drawing of the coverage map (see coverageMap.h).
#include "coverageMap.h"

#include <algorithm>
#include <opencv2/imgproc.hpp>

#include "annotationText.h"
#include "output.h"

namespace talmeq::cli {
namespace {

const cv::Scalar kEmptyCell{0, 0, 90};  // BGR: no view put a point here
const cv::Scalar kGridLine{90, 90, 90};
const cv::Scalar kPoint{255, 255, 0};

cv::Scalar cellShade(int count, int most) {
  if (count == 0) return kEmptyCell;
  const double share = static_cast<double>(count) / std::max(1, most);
  return {0, 80 + 175 * share, 40};
}

}  // namespace

cv::Mat drawCoverageMap(const CameraCalibrationReport& r) {
  cv::Mat canvas(r.imageSize, CV_8UC3, cv::Scalar::all(0));
  const MarkScale scale(r.imageSize);
  double most = 0.0;
  cv::minMaxLoc(r.coverage, nullptr, &most);
  const double cellW = static_cast<double>(r.imageSize.width) / r.coverage.cols;
  const double cellH = static_cast<double>(r.imageSize.height) / r.coverage.rows;
  for (int y = 0; y < r.coverage.rows; ++y) {
    for (int x = 0; x < r.coverage.cols; ++x) {
      const cv::Point tl(cvRound(x * cellW), cvRound(y * cellH));
      const cv::Point br(cvRound((x + 1) * cellW) - 1, cvRound((y + 1) * cellH) - 1);
      const int count = r.coverage.at<int>(y, x);
      cv::rectangle(canvas, tl, br, cellShade(count, static_cast<int>(most)), cv::FILLED);
      cv::rectangle(canvas, tl, br, kGridLine, 1);
      cv::putText(canvas, std::to_string(count), tl + cv::Point(scale.pixels(6), scale.pixels(22)),
                  cv::FONT_HERSHEY_SIMPLEX, scale.font(0.6), cv::Scalar::all(255), scale.thickness(), cv::LINE_AA);
    }
  }
  for (const ViewQuality& view : r.views)
    if (view.used)
      for (const cv::Point2f& p : view.found2d) cv::circle(canvas, p, scale.pixels(1.5), kPoint, cv::FILLED);
  drawTextLines(canvas,
                {{"coverage: views with a point per cell; score " + fixed(r.coverageScore, 2) + ", " +
                      fixed(100.0 * r.coveredShare, 0) + " % of cells covered",
                  cv::Scalar(255, 255, 255)}},
                scale);
  return canvas;
}

}  // namespace talmeq::cli
