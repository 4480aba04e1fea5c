#include "readingWorkspace.h"

namespace talmeq::station {

ReadingWorkspace& readingWorkspace() {
  thread_local ReadingWorkspace workspace;
  return workspace;
}

}  // namespace talmeq::station
