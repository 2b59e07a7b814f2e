#include "tool.h"

// Not built yet.
int toolBench(int, char**) { return toolUsage("bench: not available in this build"); }
