// Report names of the layer's enumerations.
#include <talmeq/heightReading.h>
#include <talmeq/spotReading.h>

namespace talmeq {

const char* toText(SpotStatus status) {
  switch (status) {
    case SpotStatus::kFound:
      return "found";
    case SpotStatus::kSaturated:
      return "saturated";
    case SpotStatus::kTooDim:
      return "tooDim";
    case SpotStatus::kAmbiguous:
      return "ambiguous";
    case SpotStatus::kNoSpot:
      break;
  }
  return "noSpot";
}

const char* toText(CentreMethod method) {
  switch (method) {
    case CentreMethod::kGaussianFit:
      return "gaussianFit";
    case CentreMethod::kHalfMaxCentroid:
      return "halfMaxCentroid";
    case CentreMethod::kNone:
      break;
  }
  return "none";
}

const char* toText(ModelStatus status) {
  switch (status) {
    case ModelStatus::kWritten:
      return "written";
    case ModelStatus::kPoorFit:
      return "poorFit";
    case ModelStatus::kKept:
      return "kept";
    case ModelStatus::kNotWritten:
      return "notWritten";
    case ModelStatus::kNoSettings:
      break;
  }
  return "noSettings";
}

const char* toText(HeightStatus status) {
  switch (status) {
    case HeightStatus::kMeasured:
      return "measured";
    case HeightStatus::kOutOfRange:
      return "outOfRange";
    case HeightStatus::kNoSpot:
      return "noSpot";
    case HeightStatus::kWindowOutside:
      return "windowOutside";
    case HeightStatus::kNoCalibration:
      break;
  }
  return "noCalibration";
}

}  // namespace talmeq
