#include "benchScenes.h"

#include <log4cpp/Category.hh>
#include <logger.h>


namespace talmeq::bench {
namespace {

log4cpp::Category& silentCategory(const std::string& name) {
  log4cpp::Category& category = log4cpp::Category::getInstance(name);
  category.removeAllAppenders();
  category.setAdditivity(false);
  category.setPriority(log4cpp::Priority::INFO);
  return category;
}

class SilentRouter : public logger::Router {
public:
  log4cpp::Category& print() override { return print_; }
  log4cpp::Category& file() override { return file_; }

private:
  log4cpp::Category& print_ = silentCategory("bench.silent.print");
  log4cpp::Category& file_ = silentCategory("bench.silent.file");
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
  static const std::vector<FrameSize> sizes = {
      {"1.3MP", {1280, 1024}}, {"5MP", {2448, 2048}}, {"20MP", {5472, 3648}}};
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

QuietLog::QuietLog() { logger::setRouter(std::make_shared<SilentRouter>()); }
QuietLog::~QuietLog() { logger::setRouter(nullptr); }

HostLogging::HostLogging(bool on) : on_(on) {
  if (on_) logger::setRouter(nullptr);
}
HostLogging::~HostLogging() {
  if (on_) logger::setRouter(std::make_shared<SilentRouter>());
}

}  // namespace talmeq::bench
