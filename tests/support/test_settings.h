// The settings value that the unit tests hand to the steps they run, in place
// of the one the converter's driver owns for a run.
#pragma once

#include "common/settings.h"

namespace qeltest {

// The settings of the current test case.
inline qel::ConversionSettings settings;

// Puts the test settings back to the built-in defaults.
inline void reset_settings() {
    settings = qel::ConversionSettings();
}

}  // namespace qeltest
