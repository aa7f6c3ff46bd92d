// CommandLineTest.cpp - the switches of the command line and its tail.
#include <gtest/gtest.h>

#include <string>

#include "setup/CommandLine.h"

TEST(CommandLine, SelectsTheModeByTheRulesOfTheSwitches)
{
    const struct {
        std::string cmd;
        bool update, uninstall;
    } cases[] = {
        {"", false, false}, {"     ", false, false}, {"/update", true, false}, {"/UpDaTe", true, false},
        {"/UPD", false, false},                   // shortened: nothing
        {"/uninstall", false, true},
        {"/UNINSTALL /UPDATE", true, true},       // the driver runs the update
        {"/UNINSTALLNOW", false, true},           // prefix match
        {"/UPDATE/UNINSTALL", true, true},        // two switches in one word
        {"\"/UPDATE\"", false, false},            // quoted: an ignored word
        {"x/UPDATE", false, false},               // inside a word
        {"\t/UPDATE", false, false},              // a tab is no blank
        {"/UPDATE \"never closed /UNINSTALL", true, false},
        {"  word  \"q u o t e d\"  /UNINSTALL  ", false, true},
        {"//UPDATE", true, false},                // the parse goes on after the slash
        {"/表/UPDATE", false, false},              // 95 5C: a word after the slash
        {"ソ /UPDATE", true, false},
        {"/UPDATEX/UNINSTALL", true, false},      // the rest of the word is ignored
        {std::string(32 * 1024, 'a') + " /UNINSTALL", false, true},
        {std::string(32 * 1024, '/'), false, false},
        {std::string(32 * 1024 + 1, '"'), false, false},
        {std::string("/UPD\0ATE", 8), false, false},  // cut by the end: never read past it
    };
    for (const auto& c : cases) {
        SetupMode mode = ParseCommandLine(c.cmd.c_str());
        EXPECT_EQ(c.update, mode.update) << c.cmd.substr(0, 40);
        EXPECT_EQ(c.uninstall, mode.uninstall) << c.cmd.substr(0, 40);
    }
    EXPECT_FALSE(ParseCommandLine(nullptr).update || ParseCommandLine(nullptr).uninstall);
}

TEST(CommandLine, TailStartsAfterTheProgramName)
{
    const char* cases[][2] = {{"SETUP.EXE /UPDATE", "/UPDATE"}, {"\"C:\\My Media\\SETUP.EXE\"   /UPDATE x", "/UPDATE x"},
                              {"SETUP.EXE \t/UPDATE", "\t/UPDATE"}, {"SETUP.EXE", ""}, {"\"C:\\unclosed", ""}, {"", ""},
                              {nullptr, ""}};
    for (const auto& c : cases) EXPECT_STREQ(c[1], CommandTail(c[0])) << (c[0] ? c[0] : "(null)");
}

TEST(CommandLine, ReadsTheSwitchesOfAnUnattendedRun)
{
    const char* cases[][2] = {
        {"/silentLY /NoIcon", "silent noicon"},  // prefix match, any case
        {"/DIR=C:\\表ソ\\x /LOG", "dir=C:\\表ソ\\x log="},
        {"/dir=\"C:\\Program Files\\Z\" /SILENT", "silent dir=C:\\Program Files\\Z"},
        {"/DIR= /LOG=\"C:\\a b.log\"", "dir= log=C:\\a b.log"},
        {"/LOG=x.log/SILENT \"/NOICON\" /DIR", "log=x.log/SILENT"},  // a value runs to a blank
        {"/DIR=\"never closed", "dir=never closed"},
        {"/verify /SILENT", "silent verify"},
        {"/Repair /LOG", "repair log="},
    };
    for (const auto& c : cases) {
        SetupMode m = ParseCommandLine(c[0]);
        std::string seen = std::string(m.silent ? " silent" : "") + (m.noIcon ? " noicon" : "") +
                           (m.verify ? " verify" : "") + (m.repair ? " repair" : "") +
                           (m.hasDir ? " dir=" + std::string(m.dir.CStr()) : "") +
                           (m.log ? " log=" + std::string(m.logFile.CStr()) : "");
        EXPECT_EQ(" " + std::string(c[1]), seen) << c[0];
    }
}
