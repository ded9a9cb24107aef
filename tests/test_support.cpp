// Helpers shared by the test programs.
#include "test_support.h"
