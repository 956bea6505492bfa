// Entry of the sys tests: either one child job for a test that launched this binary, or the tests.
#include <gtest/gtest.h>

#include "ChildProcess.h"

int main(int argc, char** argv) {
    if (const std::optional<int> code = systest::RunChildJob(argc, argv)) {
        return *code;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
