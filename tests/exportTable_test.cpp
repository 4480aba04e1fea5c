// Reads the dynamic symbol table of the shared library and checks that it
// exports exactly the library's entry points: no internal function, no
// template instantiation of OpenCV or the standard library.
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <set>
#include <string>

namespace {

std::set<std::string> definedDynamicSymbols(const std::string& library) {
  std::set<std::string> symbols;
  const std::string command = "nm -D --defined-only --format=posix -C '" + library + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return symbols;
  char line[4096];
  while (std::fgets(line, sizeof line, pipe)) {
    // posix format: "<name> <type> <value> [<size>]"; a demangled name holds blanks.
    static const std::regex entry(R"(^(.*) [A-Za-z] [0-9a-f]+( [0-9a-f]+)?\s*$)");
    std::smatch match;
    const std::string text(line);
    if (std::regex_match(text, match, entry)) symbols.insert(match[1]);
  }
  pclose(pipe);
  return symbols;
}

TEST(ExportTable, HoldsExactlyTheImplementedExports) {
  const std::set<std::string> expected = {
      "getSpotCoord(cv::Mat, cv::Point_<int>&)",
      "getCalibrationParamByLinear(std::vector<double, std::allocator<double> >, "
      "std::vector<cv::Point_<int>, std::allocator<cv::Point_<int> > >, "
      "std::__cxx11::basic_string<char, std::char_traits<char>, std::allocator<char> >)",
      "correctYml(double, double, std::__cxx11::basic_string<char, std::char_traits<char>, std::allocator<char> >)",
      "getPlaneHeightByLinear(cv::Mat, std::__cxx11::basic_string<char, std::char_traits<char>, "
      "std::allocator<char> >, double&, double&)",
      "calibChess(cv::Mat, cv::Mat&, cv::Mat&)",
      "getCorrectImgByThickness(cv::Mat, cv::Mat, cv::Mat, double, cv::Mat&)",
      "getArucoCorners(cv::Mat, std::vector<int, std::allocator<int> >&, std::vector<std::vector<cv::Point_<float>, std::allocator<cv::Point_<float> > >, std::allocator<std::vector<cv::Point_<float>, std::allocator<cv::Point_<float> > > > >&)",
      "calibAruco(std::vector<std::vector<std::vector<cv::Point_<float>, std::allocator<cv::Point_<float> > >, std::allocator<std::vector<cv::Point_<float>, std::allocator<cv::Point_<float> > > > >, std::allocator<std::vector<std::vector<cv::Point_<float>, std::allocator<cv::Point_<float> > >, std::allocator<std::vector<cv::Point_<float>, std::allocator<cv::Point_<float> > > > > > >, std::vector<std::vector<int, std::allocator<int> >, std::allocator<std::vector<int, std::allocator<int> > > >, cv::Size_<int>, cv::Mat&, cv::Mat&)",
      "undistAruco(cv::Mat, cv::Mat, cv::Mat, cv::Size_<int>, cv::Mat&)",
  };
  const std::set<std::string> actual = definedDynamicSymbols(TALMEQ_LIBRARY_PATH);
  EXPECT_EQ(actual, expected);
}

}  // namespace
