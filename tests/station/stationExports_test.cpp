// The dynamic symbol table of the precision layer holds its API and
// nothing of the core it is built on.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

namespace {

TEST(StationExports, DynamicTableHoldsOnlyTheLayersApi) {
  const std::string command = std::string("nm -D --defined-only -C '") + TALMEQ_STATION_PATH + "'";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::set<std::string> symbols;
  char line[4096];
  while (std::fgets(line, sizeof line, pipe)) {
    std::string text(line);  // "<value> <type> <demangled name>"
    text.erase(text.find_last_not_of('\n') + 1);
    if (text.size() > 19) symbols.insert(text.substr(19));
  }
  pclose(pipe);
  const std::string path = "std::__cxx11::basic_string<char, std::char_traits<char>, std::allocator<char> > const&";
  const std::set<std::string> expected = {
      "talmeq::readSpot(cv::Mat const&)",
      "talmeq::readHeight(cv::Mat const&, " + path + ")",
      "talmeq::fitHeightModel(std::vector<double, std::allocator<double> > const&, std::vector<cv::Point_<double>, "
      "std::allocator<cv::Point_<double> > > const&, " + path + ")",
      "talmeq::toText(talmeq::SpotStatus)",   "talmeq::toText(talmeq::CentreMethod)",
      "talmeq::toText(talmeq::ModelStatus)",  "talmeq::toText(talmeq::HeightStatus)",
  };
  EXPECT_EQ(symbols, expected);
}

}  // namespace
