// The contract's cases as GoogleTest tests: one test for each case on a bed, named after it.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>

#include "tests/contract/SerialContract.h"

namespace tolvane::contract {

// Runs a case, failing the test for each failed check; a check the bed cannot make is printed, and
// a case it cannot run shows as skipped.
inline void RunCase(SerialBed& bed, const Case& c) {
  std::string skipped;
  c.run(bed, {[](bool ok, const std::string& what) {
                EXPECT_TRUE(ok) << what;
                return ok;
              },
              [](const std::string& what) { std::printf("[   NOTE   ] %s\n", what.c_str()); },
              [&](const std::string& why) { skipped = why; }});
  if (!skipped.empty()) GTEST_SKIP() << skipped;
}

inline void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }
inline std::string CaseName(const ::testing::TestParamInfo<Case>& info) { return info.param.name; }

}  // namespace tolvane::contract
