#include <gtest/gtest.h>

#include "host/command_line.h"

TEST(CommandLine, Placeholder) { EXPECT_EQ(ParseCommandLine("").mode, StartMode::Configure); }
