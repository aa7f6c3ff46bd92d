// CommandLineTest.cpp - the switches of the command line and the tail after
// the program name.
#include <gtest/gtest.h>

#include <string>

#include "setup/CommandLine.h"

TEST(CommandLine, SelectsTheModeByTheRulesOfTheSwitches)
{
    struct Case {
        const char* cmd;
        bool update;
        bool uninstall;
    } cases[] = {
        {"", false, false},
        {"     ", false, false},
        {"/UPDATE", true, false},
        {"/update", true, false},
        {"/UpDaTe", true, false},
        {"/UPD", false, false},                 // shortened: nothing
        {"/UNINSTALL", false, true},
        {"/uninstall", false, true},
        {"/UNINSTALL /UPDATE", true, true},     // the driver runs the update
        {"/UPDATE /UNINSTALL", true, true},
        {"/UNINSTALLNOW", false, true},         // prefix match
        {"/UPDATE/UNINSTALL", true, true},      // two switches in one word
        {"\"/UPDATE\"", false, false},          // quoted: an ignored word
        {"x/UPDATE", false, false},             // inside a word
        {"\t/UPDATE", false, false},            // a tab is no blank
        {"a\t/UNINSTALL", false, false},
        {"/UPDATE \"never closed /UNINSTALL", true, false},
        {"\"open /UPDATE", false, false},
        {"  word  \"q u o t e d\"  /UNINSTALL  ", false, true},
        {"/ UPDATE", false, false},
        {"//UPDATE", true, false},              // the parse goes on after the slash
        {"/表/UPDATE", false, false},            // 95 5C: a word after the slash
        {"ソ /UPDATE", true, false},
        {"/UPDATEX/UNINSTALL", true, false},    // the rest of the word is ignored
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cmd);
        SetupMode mode = ParseCommandLine(c.cmd);
        EXPECT_EQ(c.update, mode.update);
        EXPECT_EQ(c.uninstall, mode.uninstall);
    }
    SetupMode none = ParseCommandLine(nullptr);
    EXPECT_FALSE(none.update || none.uninstall);
}

TEST(CommandLine, LongAndBrokenLinesAreParsedSafely)
{
    std::string big(32 * 1024, 'a');
    big += " /UNINSTALL";
    EXPECT_TRUE(ParseCommandLine(big.c_str()).uninstall);

    std::string slashes(32 * 1024, '/');
    EXPECT_FALSE(ParseCommandLine(slashes.c_str()).update);

    std::string quotes(32 * 1024 + 1, '"');
    EXPECT_FALSE(ParseCommandLine(quotes.c_str()).update);

    // A switch word cut by the end of the line never reads past it.
    const char cut[] = {'/', 'U', 'P', 'D', '\0', 'A', 'T', 'E', '\0'};
    EXPECT_FALSE(ParseCommandLine(cut).update);
}

TEST(CommandLine, TailStartsAfterTheProgramName)
{
    EXPECT_STREQ("/UPDATE", CommandTail("SETUP.EXE /UPDATE"));
    EXPECT_STREQ("/UPDATE x", CommandTail("\"C:\\My Media\\SETUP.EXE\"   /UPDATE x"));
    EXPECT_STREQ("\t/UPDATE", CommandTail("SETUP.EXE \t/UPDATE"));
    EXPECT_STREQ("", CommandTail("SETUP.EXE"));
    EXPECT_STREQ("", CommandTail("\"C:\\unclosed"));
    EXPECT_STREQ("", CommandTail(""));
    EXPECT_STREQ("", CommandTail(nullptr));
}
