// The guarded buffer moved to tests/support; this name stays for the tests that include it.
#pragma once
#include "tests/support/GuardedBuffer.h"
