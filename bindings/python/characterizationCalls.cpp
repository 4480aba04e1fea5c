// The station characterization in the Python module: HeightSample,
// CharacterizationThresholds, RepeatabilityAt, StationCharacterization and
// characterizeStation, with the C++ header's names.
#include <pybind11/stl.h>
#include <talmeq/precision.h>

#include <vector>

#include "arrayArguments.h"
#include "calls.h"
#include "valueObjects.h"

namespace talmeq::python {

using namespace pybind11::literals;

namespace {

void addInputs(py::module_& module) {
  py::class_<HeightSample> sample(module, "HeightSample",
                                  "One measured plane of known height: a sweep sample, or with timed set a "
                                  "sample of the stability series (time in seconds).");
  sample
      .def(py::init([](double trueHeight, bool measured, double height, double uncertainty, bool timed, double time) {
             return HeightSample{trueHeight, measured, height, uncertainty, timed, time};
           }),
           "trueHeight"_a = 0.0, "measured"_a = false, "height"_a = 0.0, "uncertainty"_a = 0.0, "timed"_a = false,
           "time"_a = 0.0)
      .def_readwrite("trueHeight", &HeightSample::trueHeight)
      .def_readwrite("measured", &HeightSample::measured, "a height was measured")
      .def_readwrite("height", &HeightSample::height)
      .def_readwrite("uncertainty", &HeightSample::uncertainty, "predicted 1 sigma, 0 when unknown")
      .def_readwrite("timed", &HeightSample::timed)
      .def_readwrite("time", &HeightSample::time)
      .def_readwrite("frame", &HeightSample::frame, "identifies the frame's pixels, 0 when unknown")
      .def_readwrite("step", &HeightSample::step, "smallest height change the reading can show, 0 when continuous");
  addValueMethods(module, sample, {"trueHeight", "measured", "height", "uncertainty", "timed", "time", "frame", "step"},
                  {"trueHeight", "measured", "height", "timed", "time"});

  py::class_<CharacterizationThresholds> thresholds(module, "CharacterizationThresholds",
                                                    "Thresholds of the characterization's verdict; the defaults "
                                                    "are the station's.");
  thresholds.def(py::init<>())
      .def_readwrite("maxResidual", &CharacterizationThresholds::maxResidual)
      .def_readwrite("minR2", &CharacterizationThresholds::minR2)
      .def_readwrite("maxSlopeError", &CharacterizationThresholds::maxSlopeError)
      .def_readwrite("maxRepeatability", &CharacterizationThresholds::maxRepeatability)
      .def_readwrite("maxDrift", &CharacterizationThresholds::maxDrift)
      .def_readwrite("minRepeats", &CharacterizationThresholds::minRepeats)
      .def_readwrite("maxFailedRows", &CharacterizationThresholds::maxFailedRows)
      .def_readwrite("maxOffset", &CharacterizationThresholds::maxOffset);
  addValueMethods(module, thresholds,
                  {"maxResidual", "minR2", "maxSlopeError", "maxRepeatability", "maxDrift", "minRepeats",
                   "maxFailedRows", "maxOffset"},
                  {"maxResidual", "minR2", "maxRepeatability", "maxDrift"});
}

void addResults(py::module_& module) {
  py::class_<RepeatabilityAt> at(module, "RepeatabilityAt", "Repeatability at one height of the sweep.");
  at.def(py::init<>())
      .def_readwrite("trueHeight", &RepeatabilityAt::trueHeight)
      .def_readwrite("repeats", &RepeatabilityAt::repeats)
      .def_readwrite("mean", &RepeatabilityAt::mean)
      .def_readwrite("threeSigma", &RepeatabilityAt::threeSigma);
  addValueMethods(module, at, {"trueHeight", "repeats", "mean", "threeSigma"},
                  {"trueHeight", "repeats", "mean", "threeSigma"});

  using C = StationCharacterization;
  py::class_<C> result(module, "StationCharacterization",
                       "Linearity, repeatability and drift of a station, with a verdict of checks.");
  result.def(py::init<>())
      .def_readwrite("hasLine", &C::hasLine, "two sweep heights or more: slope and intercept")
      .def_readwrite("hasLinearity", &C::hasLinearity, "three sweep heights or more: linearity and r2")
      .def_readwrite("slope", &C::slope)
      .def_readwrite("intercept", &C::intercept)
      .def_readwrite("r2", &C::r2)
      .def_readwrite("residuals", &C::residuals)
      .def_readwrite("residualRms", &C::residualRms)
      .def_readwrite("residualMax", &C::residualMax)
      .def_readwrite("hasUsableRange", &C::hasUsableRange)
      .def_readwrite("usableLow", &C::usableLow)
      .def_readwrite("usableHigh", &C::usableHigh)
      .def_readwrite("repeatabilityAt", &C::repeatabilityAt)
      .def_readwrite("repeatability", &C::repeatability)
      .def_readwrite("pooledRepeatability", &C::pooledRepeatability)
      .def_readwrite("predictedRepeatability", &C::predictedRepeatability)
      .def_readwrite("hasDrift", &C::hasDrift)
      .def_readwrite("drift", &C::drift)
      .def_readwrite("driftError", &C::driftError)
      .def_readwrite("driftResolved", &C::driftResolved)
      .def_readwrite("driftLimit", &C::driftLimit, "per minute, when not resolved")
      .def_readwrite("stabilitySamples", &C::stabilitySamples)
      .def_readwrite("stabilityHeight", &C::stabilityHeight)
      .def_readwrite("stabilityThreeSigma", &C::stabilityThreeSigma)
      .def_readwrite("repeatedFrames", &C::repeatedFrames, "-1 when no sample names its frame")
      .def_readwrite("failedRows", &C::failedRows)
      .def_readwrite("checks", &C::checks)
      .def_readwrite("pass_", &C::pass,
                     "every evaluated check passed and a figure was evaluated (C++ pass, a Python keyword)");
  addValueMethods(module, result,
                  {"hasLine",
                   "hasLinearity",
                   "slope",
                   "intercept",
                   "r2",
                   "residuals",
                   "residualRms",
                   "residualMax",
                   "hasUsableRange",
                   "usableLow",
                   "usableHigh",
                   "repeatabilityAt",
                   "repeatability",
                   "pooledRepeatability",
                   "predictedRepeatability",
                   "hasDrift",
                   "drift",
                   "driftError",
                   "driftResolved",
                   "driftLimit",
                   "stabilitySamples",
                   "stabilityHeight",
                   "stabilityThreeSigma",
                   "repeatedFrames",
                   "failedRows",
                   "checks",
                   "pass_"},
                  {"pass_", "slope", "r2", "repeatability", "drift", "failedRows"});
}

}  // namespace

void addCharacterizationCalls(py::module_& module) {
  addInputs(module);
  addResults(module);
  module.def(
      "characterizeStation",
      [](const std::vector<HeightSample>& samples, const CharacterizationThresholds& thresholds) {
        return withoutGil([&] { return characterizeStation(samples, thresholds); });
      },
      "samples"_a, "thresholds"_a = CharacterizationThresholds{},
      "characterizeStation(samples, thresholds=CharacterizationThresholds()) -> StationCharacterization\n\n"
      "Linearity over the sweep samples (those not timed), repeatability at heights measured at least "
      "minRepeats times, drift of the timed samples per minute, and the verdict. Samples not measured count "
      "as failed rows; a check the samples cannot give is not evaluated. Raises talmeq.OpenCVError when no "
      "sample was measured.");
}

}  // namespace talmeq::python
