// In the test programs, a helper that could not do its part fails the test
// that called it, which goes on to its end.
#include <gtest/gtest.h>

#include "files.h"

namespace common {

void ReportFailure(const std::string& what) {
    ADD_FAILURE() << what;
}

}  // namespace common
