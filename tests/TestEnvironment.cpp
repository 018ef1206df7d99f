// Linked into every test program: gives each test the environment it would
// get under ctest, also when the program is started by hand or from a
// debugger. Values already set in the environment win.
#include <cstdlib>

namespace {
struct TestEnvironment {
    TestEnvironment() {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        setenv("DRAVIK_BIN_DIR", DRAVIK_TEST_BIN_DIR, 0);
        setenv("DRAVIK_SOURCE_DIR", DRAVIK_TEST_SOURCE_DIR, 0);
    }
};
const TestEnvironment g_TestEnvironment;
} // namespace
