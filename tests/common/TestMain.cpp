// TestMain.cpp - runs a child scenario when asked to, the tests otherwise.
#include <gtest/gtest.h>

#include "ChildProcess.h"

int main(int argc, char** argv)
{
    int code = 0;
    if (RunChildFromCommandLine(argc, argv, &code)) return code;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
