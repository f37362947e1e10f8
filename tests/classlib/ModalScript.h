// The modal script moved to tests/support; this name stays for the tests that include it.
#pragma once
#include "tests/support/ModalScript.h"

namespace modalscript {
using Script = testsupport::ModalScript;
using testsupport::StaticTexts;
inline HWND FindThreadDialog(HWND except) { return testsupport::ThreadDialog(except); }
}  // namespace modalscript
