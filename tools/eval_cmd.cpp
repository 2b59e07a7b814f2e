#include "tool.h"

// Not built yet.
int toolEval(int, char**) { return toolUsage("eval: not available in this build"); }
int toolSee(int, char**) { return toolUsage("see: not available in this build"); }
