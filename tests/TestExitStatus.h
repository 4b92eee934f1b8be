#pragma once

// The process's exit status from Google Test's: a run whose tests skipped is
// not a pass. ctest shows it as skipped (77); where CI=true it fails, since CI
// is there to prove the suites that need the real environment. Each skipped
// test has printed its reason.
int testExitStatus(int testStatus);
