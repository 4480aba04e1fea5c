// A host of one file, built only with the flags pkg-config gives.
#include <talmeqAlgorithm.h>

#include <cstdio>

int main() {
  cv::Point coord;
  std::printf("consumer: getSpotCoord %d\n", getSpotCoord(cv::Mat(), coord));
  return 0;
}
