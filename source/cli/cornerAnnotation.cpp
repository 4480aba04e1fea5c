// Drawing of detected corners with magnified errors (see cornerAnnotation.h).
#include "cornerAnnotation.h"

#include <opencv2/imgproc.hpp>

#include "output.h"

namespace talmeq::cli {

cv::Mat annotateCorners(const cv::Mat& image, const ViewResiduals& view, double rms) {
  cv::Mat canvas = image.clone();
  for (std::size_t i = 0; i < view.projected.size(); ++i) {
    const cv::Point2f tip = view.found[i] + cornerMarks::kMagnify * (view.projected[i] - view.found[i]);
    cv::line(canvas, view.found[i], tip, cornerMarks::kError, 1, cv::LINE_AA);
  }
  for (const cv::Point2f& corner : view.found)
    cv::circle(canvas, corner, cornerMarks::kCornerRadius, cornerMarks::kCorner, 1, cv::LINE_8);
  const std::string legend = "detected corners; reprojection errors x" + fixed(cornerMarks::kMagnify, 0) +
                             " (rms " + fixed(rms, 3) + " px)";
  cv::putText(canvas, legend, {8, 20}, cv::FONT_HERSHEY_SIMPLEX, 0.55, cv::Scalar(255, 255, 255), 1,
              cv::LINE_AA);
  return canvas;
}

}  // namespace talmeq::cli
