// The result codes of the nine exports (talmeqAlgorithm.h), by name. Every
// export returns one of these; what each means for a given call is stated
// beside the call.
#pragma once

namespace talmeq {

enum Result : int {
  kOk = 0,                // the call did its work
  kNoResult = -1,         // no acceptable result (no spot, no board, a fit too poor)
  kBadInput = -2,         // an input the call cannot use
  kOutOfRange = -3,       // a height outside the measurable range
  kTextException = -999,  // a text exception inside the library, caught at the export
};

}  // namespace talmeq
