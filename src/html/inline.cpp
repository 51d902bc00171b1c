// Inline tag conversion (not built yet).
#include "html/inline.h"
