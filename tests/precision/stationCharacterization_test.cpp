// Station characterization on seeded samples of a station with known gain,
// noise and drift: the statistics recover the truth, and each threshold
// fails a station that breaks it.
#include <gtest/gtest.h>
#include <talmeq/stationCharacterization.h>

#include <cmath>
#include <opencv2/core.hpp>

namespace {

using talmeq::HeightSample;
using talmeq::StationCharacterization;

constexpr double kNoise = 0.004;  // 1 sigma of a measured height
constexpr double kDrift = 0.002;  // height units per minute
constexpr int kHeights = 21, kRepeats = 20, kStability = 30;
constexpr double kRecoveredRepeatability = 0.2;  // relative

// A sweep over 0..30 and a stability series at 15, measured by a station
// whose heights are gain * true + offset, plus `bend` above 27, with noise
// and creep; `failEvery` > 0 drops every such sample's height.
std::vector<HeightSample> station(std::uint64_t seed, double gain = 1.0, double bend = 0.0, double noise = kNoise,
                                  double drift = kDrift, int failEvery = 0, double offset = 0.01) {
  cv::RNG rng(seed);
  std::vector<HeightSample> samples;
  const auto measure = [&](double truth, bool timed, double time) {
    HeightSample s;
    s.trueHeight = timed ? 15.0 : truth;
    s.measured = failEvery == 0 || samples.size() % static_cast<std::size_t>(failEvery) != 0;
    s.height = gain * truth + offset + (truth > 27.0 ? bend : 0.0) + rng.gaussian(noise);
    s.uncertainty = noise;
    s.timed = timed;
    s.time = time;
    s.frame = samples.size() + 1;
    samples.push_back(s);
  };
  for (int h = 0; h < kHeights; ++h)
    for (int r = 0; r < kRepeats; ++r) measure(1.5 * h, false, 0.0);
  for (int i = 0; i < kStability; ++i) measure(15.0 + drift * i * 20.0 / 60.0, true, i * 20.0);
  return samples;
}

std::vector<std::string> failed(const StationCharacterization& c, bool evaluated = true) {
  std::vector<std::string> names;
  for (const talmeq::VerdictCheck& check : c.checks)
    if (!check.passed && check.evaluated == evaluated) names.push_back(check.name);
  return names;
}

// The samples `keep` accepts, each changed by `change` (with the first sample at its height).
template <typename Keep, typename Change>
std::vector<HeightSample> edited(const std::vector<HeightSample>& samples, Keep keep, Change change) {
  std::vector<HeightSample> kept;
  for (std::size_t i = 0; i < samples.size(); ++i)
    if (keep(samples[i], i)) change(kept.emplace_back(samples[i]), samples[i - i % kRepeats]);
  return kept;
}

TEST(StationCharacterization, RecoversGainRepeatabilityAndDriftOfAGoodStation) {
  for (std::uint64_t seed = 1; seed <= 5; ++seed) {
    const StationCharacterization c = talmeq::characterizeStation(station(seed));
    EXPECT_NEAR(c.slope, 1.0, 5 * kNoise / std::sqrt(kHeights * kRepeats) / 8.0) << seed;
    EXPECT_NEAR(c.intercept, 0.01, 5 * kNoise / std::sqrt(kHeights * kRepeats)) << seed;
    EXPECT_GT(c.r2, 0.99999);
    EXPECT_LT(c.residualRms,
              2 * kNoise / std::sqrt(kRepeats));  // the heights' means scatter by sigma / sqrt(repeats)
    EXPECT_TRUE(c.hasUsableRange);
    EXPECT_EQ(c.usableLow, 0.0);
    EXPECT_EQ(c.usableHigh, 30.0);
    ASSERT_EQ(c.repeatabilityAt.size(), static_cast<std::size_t>(kHeights));
    EXPECT_NEAR(c.pooledRepeatability, 3 * kNoise, kRecoveredRepeatability * 3 * kNoise);
    EXPECT_NEAR(c.predictedRepeatability, 3 * kNoise, 1e-12);
    EXPECT_GE(c.repeatability, c.pooledRepeatability);  // the worst height
    ASSERT_TRUE(c.hasDrift);
    EXPECT_LT(std::fabs(c.drift - kDrift), 3 * c.driftError) << seed;
    EXPECT_TRUE(c.pass) << ::testing::PrintToString(failed(c));
  }
}

// Each broken property fails its own check; what the samples cannot give is
// not evaluated, and the verdict rests on the rest.
TEST(StationCharacterization, EachCheckFailsOrIsNotEvaluatedForItsOwnCause) {
  const auto all = [](auto&&...) { return true; };
  const auto asIs = [](auto&&...) {};
  const auto timed = [](const HeightSample& s, auto) { return s.timed; };
  const auto held = [](double step) { return [step](HeightSample& s, auto&&) { s.height = 15.0, s.step = step; }; };
  const std::vector<std::string> noLine{"linearity", "r2", "slope", "offset", "repeatability"};
  const struct {
    const char* name;
    std::vector<HeightSample> samples;
    std::vector<std::string> failed, notEvaluated = {};
    bool pass = false;
  } cases[] = {
      // clang-format off
      {"gain 1 %", station(2, 1.01), {"slope"}},
      {"bent top end", station(3, 1.0, 0.1), {"linearity"}},
      {"noisy", station(4, 1.0, 0.0, 0.05), {"repeatability"}},
      {"creeping", station(5, 1.0, 0.0, kNoise, 0.05), {"drift"}},
      {"missed spots", station(6, 1.0, 0.0, kNoise, kDrift, 50), {"failed rows"}},
      {"all 1.0 off", station(7, 1.0, 0.0, kNoise, kDrift, 0, 1.0), {"offset"}},
      {"one frame per height", edited(station(8), all, [](auto& s, auto& first) { s = s.timed ? s : first; }),
       {"repeated frames"}},
      {"two heights", edited(station(9), [](auto& s, auto) { return s.timed || std::fmod(s.trueHeight, 30) == 0; },
       asIs), {}, {"linearity", "r2"}, true},
      {"no repeats", edited(station(10), [](auto& s, auto i) { return !s.timed && i % kRepeats == 0; }, asIs), {},
       {"repeatability", "drift"}, true},
      {"a series at one time", edited(station(11), all, [](auto& s, auto&&) { s.time = 0.0; }), {}, {"drift"}, true},
      {"a stability series alone", edited(station(12), timed, asIs), {}, noLine, true},
      {"quantized readings", edited(station(13), timed, held(0.02)), {}, noLine, true},
      {"quantized readings of unknown step", edited(station(13), timed, held(0.0)), {},
       {"linearity", "r2", "slope", "offset", "repeatability", "drift"}},
      // clang-format on
  };
  for (const auto& c : cases) {
    const StationCharacterization result = talmeq::characterizeStation(c.samples);
    EXPECT_EQ(result.pass, c.pass) << c.name;
    EXPECT_EQ(failed(result), c.failed) << c.name;
    EXPECT_EQ(failed(result, false), c.notEvaluated) << c.name;
    for (const talmeq::VerdictCheck& check : result.checks) EXPECT_EQ(std::isnan(check.value), !check.evaluated);
  }
  // Quantized, the drift is bounded by one step over the 29 intervals of 20 s.
  const StationCharacterization steps = talmeq::characterizeStation(cases[11].samples);
  EXPECT_FALSE(steps.driftResolved);
  EXPECT_DOUBLE_EQ(steps.checks[5].value, 0.02 / (29 * 20 / 60.0));
  EXPECT_THROW(talmeq::characterizeStation(std::vector<HeightSample>(5)), cv::Exception);
  EXPECT_THROW(talmeq::characterizeStation({}), cv::Exception);
  // The bend leaves the heights below it usable.
  const StationCharacterization bent = talmeq::characterizeStation(station(3, 1.0, 0.1));
  EXPECT_TRUE(bent.hasUsableRange);
  EXPECT_EQ(bent.usableLow, 0.0);
  EXPECT_EQ(bent.usableHigh, 27.0);
}

}  // namespace
