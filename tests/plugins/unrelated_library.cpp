// A shared library that is not a plug-in: it exports nothing of the contract.
#include "test_library_log.h"

extern "C" int UnrelatedAnswer(void) { return 42; }
