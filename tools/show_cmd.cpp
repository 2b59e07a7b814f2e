#include "tool.h"

// Not built yet.
int toolShow(int, char**) { return toolUsage("show: not available in this build"); }
