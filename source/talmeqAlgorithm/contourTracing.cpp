#include "contourTracing.h"

#include <opencv2/imgproc/imgproc_c.h>

namespace talmeq {
namespace {

// Empties the tracing storage when tracing ends, however it ends; the
// storage keeps its blocks for the next call.
struct StorageClearing {
  CvMemStorage* storage;
  ~StorageClearing() { cvClearMemStorage(storage); }
};

}  // namespace

void traceContours(cv::Mat& image, int mode, cv::Point offset, Contours& out, ContourStore& store) {
  CV_Assert(image.type() == CV_8UC1 && image.rows >= 3 && image.cols >= 3);
  recycleContours(out, store);
  if (store.storage.empty()) store.storage.reset(cvCreateMemStorage(0));
  const StorageClearing clearing{store.storage.get()};
  CvMat header = cvMat(image);
  CvSeq* first = nullptr;
  // The C interface zeroes the outermost ring itself and traces in place;
  // cv::findContours reaches the same code on a bordered copy.
  cvFindContours(&header, store.storage, &first, sizeof(CvContour), mode, CV_CHAIN_APPROX_SIMPLE,
                 cvPoint(offset.x, offset.y));
  if (first == nullptr) return;
  // The same flattening of the contour tree as cv::findContours, so the
  // order is its order.
  CvSeq* all = cvTreeToNodeSeq(first, sizeof(CvSeq), store.storage);
  CvSeqReader reader;
  cvStartReadSeq(all, &reader, 0);
  for (int i = 0; i < all->total; ++i) {
    CvSeq* contour = nullptr;
    CV_READ_SEQ_ELEM(contour, reader);
    out.push_back(spareContour(store));
    out.back().resize(static_cast<std::size_t>(contour->total));
    cvCvtSeqToArray(contour, out.back().data(), CV_WHOLE_SEQ);
  }
}

void recycleContours(Contours& lists, ContourStore& store) {
  for (Contour& list : lists) {
    list.clear();
    store.spare.push_back(std::move(list));
  }
  lists.clear();
}

Contour spareContour(ContourStore& store) {
  if (store.spare.empty()) return {};
  Contour list = std::move(store.spare.back());
  store.spare.pop_back();
  return list;
}

}  // namespace talmeq
