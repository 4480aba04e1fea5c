#include "benchScenes.h"

#include <calibrationFile.h>
#include <talmeq/logger.h>

#include <filesystem>
#include <log4cpp/Category.hh>

namespace talmeq::bench {
namespace {

log4cpp::Category& silentCategory(const std::string& name, bool infoOff) {
  log4cpp::Category& category = log4cpp::Category::getInstance(name);
  category.removeAllAppenders();
  category.setAdditivity(false);
  category.setPriority(infoOff ? log4cpp::Priority::WARN : log4cpp::Priority::INFO);
  return category;
}

class SilentRouter : public logger::Router {
 public:
  explicit SilentRouter(bool infoOff)
      : print_(silentCategory(infoOff ? "bench.warn.print" : "bench.silent.print", infoOff)),
        file_(silentCategory(infoOff ? "bench.warn.file" : "bench.silent.file", infoOff)) {}
  log4cpp::Category& print() override { return print_; }
  log4cpp::Category& file() override { return file_; }

 private:
  log4cpp::Category& print_;
  log4cpp::Category& file_;
};

sim::Spot spotAt(cv::Size size, double sigma, double peak, bool red) {
  sim::Spot spot;
  spot.centre = {size.width * 0.52 + 0.3, size.height * 0.6 + 0.6};
  spot.sigma = sigma;
  spot.peak = peak;
  if (red) spot.green = 0.15, spot.blue = 0.1;
  return spot;
}

}  // namespace

const std::vector<SpotScene>& spotScenes() {
  static const std::vector<SpotScene> scenes = {
      {"bright/found", 0, true}, {"bright/none", -1, true}, {"dim/found", 0, false}, {"dim/none", -1, false}};
  return scenes;
}

const std::vector<FrameSize>& frameSizes() {
  static const std::vector<FrameSize> sizes = {{"1.3MP", {1280, 1024}}, {"5MP", {2448, 2048}}, {"20MP", {5472, 3648}}};
  return sizes;
}

sim::FrameRecipe sceneBackground(cv::Size size) {
  sim::FrameRecipe recipe;
  recipe.size = size;
  recipe.seed = 17;
  recipe.background = 40.0;
  recipe.gradient = 20.0;
  recipe.noise = 2.0;
  recipe.ambient = {{{size.width * 0.2, size.height * 0.3}, 80.0, 50.0}};
  return recipe;
}

cv::Mat spotSceneFrame(const SpotScene& scene, cv::Size size) {
  sim::FrameRecipe recipe = sceneBackground(size);
  if (scene.name == "bright/found") recipe.spots = {spotAt(size, 2.5, 1200.0, false)};
  if (scene.name == "bright/none") recipe.spots = {spotAt(size, 12.0, 1500.0, false)};  // too large a blob
  if (scene.name == "dim/found") recipe.spots = {spotAt(size, 2.0, 110.0, true)};
  return sim::renderSpotFrame(recipe);
}

cv::Mat noisySpotFrame(bool bright) {
  const cv::Size size = frameSizes().at(1).size;
  sim::FrameRecipe recipe = sceneBackground(size);
  recipe.seed = 23;
  recipe.noise = 3.0;
  recipe.spots = {bright ? spotAt(size, 2.5, 1200.0, false) : spotAt(size, 2.0, 110.0, true)};
  return sim::renderSpotFrame(recipe);
}

const std::vector<PlaneScene>& planeScenes() {
  static const std::vector<PlaneScene> scenes = {{"bright", true}, {"track", false}};
  return scenes;
}

cv::Rect planeSearchWindow(cv::Size frame) { return {frame.width / 2, frame.height / 2, 400, 400}; }

cv::Point2d planeSpotCentre(cv::Size frame) {
  const cv::Rect w = planeSearchWindow(frame);
  return {w.x + 0.4 * w.width + 0.3, w.y + 0.4 * w.height + 0.6};
}

cv::Mat planeSceneFrame(const PlaneScene& scene, cv::Size size) {
  sim::FrameRecipe recipe = sceneBackground(size);
  sim::Spot spot;
  spot.centre = planeSpotCentre(size);
  spot.sigma = scene.saturated ? 2.5 : 3.5;
  spot.peak = scene.saturated ? 1200.0 : 400.0;
  if (!scene.saturated) spot.green = 0.1, spot.blue = 0.1;
  recipe.spots = {spot};
  return sim::renderSpotFrame(recipe);
}

std::string writePlaneCalibration(cv::Size size) {
  const std::string path = (std::filesystem::temp_directory_path() /
                            ("talmeq-bench-" + std::to_string(size.width) + "x" + std::to_string(size.height) + ".yml"))
                               .string();
  CalibrationValues values;
  values.k = 1.0;
  values.b = -3.0;
  values.initialX = planeSpotCentre(size).x - 120.0;
  values.initialY = planeSpotCentre(size).y;
  values.scale = 0.05;
  values.dist = 300.0;
  values.initZ = -16.0;
  values.focusD = 0.5;
  values.roi = planeSearchWindow(size);
  detail::writeCalibration(path, values);
  return path;
}

QuietLog::QuietLog(bool infoOff) { logger::setRouter(std::make_shared<SilentRouter>(infoOff)); }
QuietLog::~QuietLog() { routeLog(false); }

void routeLog(bool quiet) { logger::setRouter(quiet ? std::make_shared<SilentRouter>(false) : nullptr); }

}  // namespace talmeq::bench
