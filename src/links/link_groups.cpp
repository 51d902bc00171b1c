// Hyperlink groups (not built yet).
#include "links/link_groups.h"
