// Built only by the LayersIncludeOnlyDownward test, which expects it to fail:
// the compiled-file format sits below the compiler and cannot see it.
#include "compiler/compile.h"
