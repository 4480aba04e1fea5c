// Drawing of detected corners with magnified errors (see cornerAnnotation.h).
#include "cornerAnnotation.h"

#include <opencv2/imgproc.hpp>

#include "annotationText.h"
#include "output.h"

namespace talmeq::cli {

cv::Mat annotateCorners(const cv::Mat& image, const ViewQuality& view, double rms) {
  cv::Mat canvas = image.clone();
  const MarkScale scale(image.size());
  for (std::size_t i = 0; i < view.projected.size(); ++i) {
    const cv::Point2f tip = view.found2d[i] + cornerMarks::kMagnify * (view.projected[i] - view.found2d[i]);
    cv::line(canvas, view.found2d[i], tip, cornerMarks::kError, scale.thickness(), cv::LINE_AA);
  }
  for (const cv::Point2f& corner : view.found2d)
    cv::circle(canvas, corner, scale.pixels(cornerMarks::kCornerRadius), cornerMarks::kCorner, scale.thickness(),
               cv::LINE_8);
  drawTextLines(
      canvas,
      {{"detected corners; reprojection errors x" + fixed(cornerMarks::kMagnify, 0) + " (rms " + fixed(rms, 3) + " px)",
        cv::Scalar(255, 255, 255)}},
      scale);
  return canvas;
}

}  // namespace talmeq::cli
