#include <gtest/gtest.h>

#include <string>

#include "host/command_line.h"

namespace {

StartRequest Parse(const char* text) {
    std::string line = text;
    UpperCaseCommandLine(&line[0]);
    return ParseCommandLine(line.c_str());
}

void ExpectFullScreen(const char* text) {
    StartRequest r = Parse(text);
    EXPECT_EQ(r.mode, StartMode::FullScreen) << "command line \"" << text << "\"";
}

} // namespace

TEST(CommandLine, EmptyLineOpensTheDialogWithoutOwner) {
    StartRequest r = Parse("");
    EXPECT_EQ(r.mode, StartMode::Configure);
    EXPECT_EQ(r.window, 0);
}

TEST(CommandLine, ConfigureSwitchNamesTheOwnerInEitherCase) {
    for (const char* line : {"/c:656", "/C:656", "/C:656 trailing", "/C: 656"}) {
        StartRequest r = Parse(line);
        EXPECT_EQ(r.mode, StartMode::Configure) << line;
        EXPECT_EQ(r.window, 656) << line;
    }
}

TEST(CommandLine, SaverSwitchesAndEverythingElseStartFullScreen) {
    for (const char* line : {"/s", "/S", "/S ", "/C", "/C:0", "/C:", "/C:abc", "/P", "/P 0",
                             "/P:656", "/X", "hello", " /S", "/C656"}) {
        ExpectFullScreen(line);
    }
}

TEST(CommandLine, PreviewSwitchNamesTheParentWithOrWithoutBlank) {
    for (const char* line : {"/p 656", "/P656", "/P   656", "/P\t656", "/p 656 extra"}) {
        StartRequest r = Parse(line);
        EXPECT_EQ(r.mode, StartMode::Preview) << line;
        EXPECT_EQ(r.window, 656) << line;
    }
}

TEST(CommandLine, NumbersConvertLikeAtol) {
    EXPECT_EQ(Parse("/P -12").window, -12);
    EXPECT_EQ(Parse("/P +77").window, 77);
    EXPECT_EQ(Parse("/P 12ABC").window, 12);
    EXPECT_EQ(Parse("/C:0x10").mode, StartMode::FullScreen); // "0x10" converts to 0
}

TEST(CommandLine, TokenIsCutAtNineteenCharacters) {
    EXPECT_EQ(Parse(("/P " + std::string(17, '0') + "42").c_str()).window, 42);
    EXPECT_EQ(Parse(("/P " + std::string(18, '0') + "42").c_str()).window, 4);
    EXPECT_EQ(Parse(("/P " + std::string(19, '0') + "42").c_str()).mode, StartMode::FullScreen);
}

TEST(CommandLine, UpperCasingLeavesNonAsciiBytesAlone) {
    char line[] = "/p \x83\x72\x83\x66 abc";
    UpperCaseCommandLine(line);
    EXPECT_STREQ(line, "/P \x83\x72\x83\x66 ABC");
}
