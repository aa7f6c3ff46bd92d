// SetupFileListTest.cpp - SETUP.LST entries and the path macros of their folders.
#include <gtest/gtest.h>

#include <algorithm>

#include <windows.h>
#include <shlobj.h>

#include <random>
#include <string>
#include <vector>

#include "common/ChildProcess.h"
#include "common/TempDir.h"
#include "setup/SetupDriver.h"
#include "setup/SetupFileList.h"
#include "wcls/FEnv2.h"
#include "wcls/PathText.h"

namespace {

typedef std::vector<std::string> Lines;

class SetupFileListTest : public testing::Test {
protected:
    // The data folders as the driver sets them (the macro adds the common one's backslash).
    void SetUp() override
    {
        char buf[MAX_PATH];
        ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, buf, CSIDL_COMMON_APPDATA, FALSE));
        g_commonAppDataDir = String(buf);
        common = std::string(buf) + "\\";
        g_productDataDir = String((common + "TarvoNomiraZunto8CommonAppData\\").c_str());
        win = std::string(buf, GetWindowsDirectoryA(buf, MAX_PATH)) + "\\";
        sys = std::string(buf, GetSystemDirectoryA(buf, MAX_PATH)) + "\\";
    }
    std::string common, win, sys;
};

}  // namespace

TEST_F(SetupFileListTest, MacrosExpandByTheirRules)
{
    const struct {
        std::string text, app, expected;
    } cases[] = {
        {"$(AppPath)Main", "C:\\Prog", "C:\\Prog\\Main"},
        {"$(apppath)$(APPPATH)", "C:\\Prog", "C:\\Prog\\C:\\Prog\\"},  // the others: the awkward list
        {"$$(AppPath)", "C:\\Prog", "$C:\\Prog\\"},
        {"表$(AppPath)ソ", "C:\\Prog", "表C:\\Prog\\ソ"},  // 95 5C and 83 5C pass untouched
        {"$(ＡppPath)", "C:\\Prog", "$(ＡppPath)"},       // a double-byte A is no A
        {"$(AppPath)", "C:\\$(WinPath)", "C:\\$(WinPath)\\"},  // substituted values are not scanned again
        {"$(AppPath)x", "D:\\帳表", "D:\\帳表\\x"},         // a path ending in 95 5C still gets its backslash
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, ExpandPathMacros(String(c.text.c_str()), String(c.app.c_str())).CStr()) << c.text;
    std::string fresh, update;  // the runs of the sections
    for (const char* const* s = SetupSectionOrder(false); *s; ++s) fresh += *s + std::string(" ");
    for (const char* const* s = SetupSectionOrder(true); *s; ++s) update += *s + std::string(" ");
    EXPECT_EQ("Common Files Setting Files2 |Common Update Files2 ", fresh + "|" + update);
}

TEST_F(SetupFileListTest, AwkwardListParsesSectionBySection)
{
    const std::string app = "C:\\Program Files\\ズント帳表\\";
    SafePtr<FEnv2> list(new FEnv2(String(SOURCE_ROOT "tests/setup/data/SETUP.LST"), 0, 10000, 100));
    ASSERT_TRUE(list->IsLoaded());
    Lines lines;  // the sections walked as the copy engine does (blank values skipped)
    for (const char* section : {"Files", "setting", "Update", "FILES2"}) {
        String keys = list->GetKeyNames(section);
        for (const char* key = keys.CStr(); *key; key += strlen(key) + 1) {
            String value = list->GetString(section, key, "");
            if (IsBlankText(value.CStr())) continue;
            SetupFileEntry e;
            ParseSetupFileEntry(value.CStr(), &e, String(app.substr(0, app.size() - 1).c_str()));
            lines.push_back(std::to_string(e.disk) + "|" + std::to_string(e.compressed) + "|" + e.srcName.CStr() + "|" +
                            e.destName.CStr() + "|" + e.destFolder.CStr());
        }
    }
    EXPECT_EQ((Lines{
                  "2|1|ZUNTO8.EX_|ZUNTO8.EXE|" + app + "Main\\",
                  "2|1|ZUNTOSHL.EX_|ZUNTOSHL.EXE|" + app + "Main\\",  // blanks around numbers
                  "3|1|SUB\\ZUNTO.DL_|ZUNTO.DLL|" + sys,
                  "3|0|帳票,サンプル.TXT|帳票,サンプル.TXT|" + win + "Fonts\\",  // quoted commas
                  "1|0|SHORT.TXT||",  // a short line: empty name and folder
                  "1|0|FIRST.TXT|FIRST.TXT|" + app, "1|0|FIRST.TXT|FIRST.TXT|" + app,  // duplicate keys read the first
                  "1|0|COMMON.ENV|COMMON.ENV|" + std::string(g_productDataDir.CStr()),
                  "1|0|SHARE.ENV|SHARE.ENV|" + common + "Tarvo\\$(Foo)\\",
                  "0|0|SHARE.ENV|SHARE.ENV |" + win + app,  // a trailing blank stays in the name
                  "2|1|ZUNTO8.EX_|ZUNTO8.EXE|" + app + "Main\\",
                  "1|0||ZUNTO7.DLL|" + app + "Main\\", "1|0||ZUNTO6.DLL|" + app + "Main\\",  // no source: removed
                  "1|0|帳票,サンプル.TXT|帳票表.TXT|" + app + "Samples\\表\\",
                  "1|0|A.TXT|A.TXT|$(AppPath $(WinPath\\",
                  "-1|7|B.TXT|B.TXT|C:\\Fixed\\",
              }),
              lines);
}

CHILD_SCENARIO(DocPathEndsTheProcess)
{
    SetupFileEntry e;
    ParseSetupFileEntry("1,0,A.TXT,A.TXT,$(AppPath)", &e, String("C:\\Prog"));
    ParseSetupFileEntry("1,0,B.TXT,B.TXT,Docs$(docpath)", &e, String("C:\\Prog"));
    ExitProcess(0);  // not reached
}

TEST_F(SetupFileListTest, DocPathIsAFatalInternalError)
{
    ChildResult r = RunChildScenario("DocPathEndsTheProcess");
    EXPECT_EQ(255u, r.exitCode);
    ASSERT_EQ(1u, r.boxes.size());
    EXPECT_EQ("内部エラー DocPathが参照されました\n\n致命的なエラー", r.boxes[0].text);
}

// Mutated copies of the sample list and settings files through both parsers,
// seeded and repeatable: nothing crashes or hangs, the image stays within
// its capacity rule, every listed key reads back, an entry's folder is in
// folder form, and a saved image loads as it was. FUZZ_CASES and FUZZ_SEED
// make a longer run (scripts/fuzz.sh).
TEST_F(SetupFileListTest, MutatedListsAndSettingsFilesParseSafely)
{
    std::vector<std::string> corpus;
    for (const char* name : {"media/SETUP.LST", "tests/setup/data/SETUP.LST", "media/files/COMMON.ENV",
                             "media/files/SHARE.ENV", "media/files/ZUNTOSHL.ENV"})
        corpus.push_back(ReadFileBytes(SOURCE_ROOT + std::string(name)));
    // Bytes the formats give a meaning to, lead bytes, and 0x5C trail bytes.
    static const char kSpecial[] = "\r\n[]=;,\"$() \x1a\x81\x5c\x95\x83\xfc\x00";
    const char* cases = getenv("FUZZ_CASES");
    const char* seed = getenv("FUZZ_SEED");
    const unsigned long total = cases ? strtoul(cases, nullptr, 10) : 10000;
    std::mt19937 rng(seed ? (unsigned)strtoul(seed, nullptr, 10) : 8040u);
    auto pick = [&](size_t n) { return n ? (size_t)(rng() % n) : 0; };
    TempDir dir;
    const std::string file = dir.File("M.ENV");
    for (unsigned long i = 0; i < total; ++i) {
        std::string text = corpus[pick(corpus.size())];
        for (int edits = 1 + (int)pick(8); edits > 0; --edits) {
            size_t at = pick(text.size() + 1), n = 1 + pick(64);
            switch (pick(6)) {
            case 0: if (at < text.size()) text[at] = (char)rng(); break;
            case 1: text.insert(at, 1, kSpecial[pick(sizeof(kSpecial))]); break;
            case 2: text.erase(at, n); break;
            case 3: text.insert(at, text.substr(at, n)); break;
            case 4: text.resize(at); break;
            case 5: text.insert(at, text.substr(pick(text.size()), n)); break;
            }
        }
        SCOPED_TRACE("case " + std::to_string(i));
        ASSERT_TRUE(WriteFileBytes(file, text));
        SafePtr<FEnv2> env(new FEnv2(String(file.c_str()), 0, 100, 10));
        ASSERT_TRUE(env->IsLoaded());
        ASSERT_LE(env->ImageSize(), text.size() + 2);
        ASSERT_LE(env->ImageCapacity(), std::max<size_t>(text.size() + 2 + 2048, 10240));

        // The sections the headers name, and the part before the first one.
        std::vector<std::string> names;
        for (size_t p = 0, crlf; p < text.size(); p = crlf == std::string::npos ? text.size() : crlf + 2) {
            if (text[p] == '[') names.push_back(text.substr(p + 1, text.find_first_of("]\r", p + 1) - p - 1));
            crlf = text.find("\r\n", p);
        }
        for (size_t s = 0; s <= names.size() && s < 40; ++s) {
            const char* sec = s < names.size() ? names[s].c_str() : nullptr;
            String keys = env->GetKeyNames(sec);
            for (const char* key = keys.CStr(); *key; key += strlen(key) + 1) {
                int found = 0;
                String value = env->GetString(sec, key, "", &found);
                ASSERT_EQ(1, found) << key;
                ASSERT_EQ(nullptr, strstr(value.CStr(), "\r\n"));
                // An ASCII name reads the value of its first line in the section.
                const char* image = env->Image();
                const char* end = image + env->ImageSize();
                bool ascii = true;
                for (const char* k = key; *k; ++k) ascii &= (unsigned char)*k < 0x80;
                const char* line = image;
                if (sec) {
                    std::string header = "[" + std::string(sec) + "]";
                    for (; line < end && _strnicmp(line, header.c_str(), header.size()) != 0;
                         line = std::min(end, std::search(line, end, "\r\n", "\r\n" + 2) + 2)) {}
                    line = std::min(end, std::search(line, end, "\r\n", "\r\n" + 2) + 2);
                }
                size_t n = strlen(key);
                for (; ascii && line < end && *line != '[';
                     line = std::min(end, std::search(line, end, "\r\n", "\r\n" + 2) + 2)) {
                    if ((size_t)(end - line) > n && _strnicmp(line, key, n) == 0 && line[n] == '=') {
                        const char* valueEnd = std::search(line + n + 1, end, "\r\n", "\r\n" + 2);
                        ASSERT_STREQ(std::string(line + n + 1, valueEnd).c_str(), value.CStr()) << key;
                        break;
                    }
                }
                std::string lower = value.CStr();
                for (char& c : lower) c = (char)tolower((unsigned char)c);
                if (lower.find("$(docpath)") != std::string::npos) continue;  // ends the process by design
                SetupFileEntry e;
                ParseSetupFileEntry(value.CStr(), &e, String("C:\\表\\ソ"));
                ASSERT_STREQ(FolderForm(e.destFolder).CStr(), e.destFolder.CStr());
            }
            // An entry set in a section of the file reads back, and is listed.
            if (sec && env->SetString(sec, "FUZZ", "値ソ")) {
                ASSERT_STREQ("値ソ", env->GetString(sec, "fuzz", "").CStr()) << sec;
                String after = env->GetKeyNames(sec);
                bool listed = false;
                for (const char* key = after.CStr(); *key; key += strlen(key) + 1) listed |= _stricmp(key, "FUZZ") == 0;
                ASSERT_TRUE(listed) << sec;
            }
        }
        env->SetNumber("ズント帳", "Version", 8040);
        ASSERT_EQ(8040, env->GetNumber("ズント帳", "Version", 0));
        if (i % 100 == 0) {  // a save (flushed to disk) on every hundredth
            const std::string image(env->Image() ? env->Image() : "", env->ImageSize());
            ASSERT_TRUE(env->Save());
            SafePtr<FEnv2> again(new FEnv2(String(file.c_str()), 0, 100, 10));
            ASSERT_EQ(image, std::string(again->Image() ? again->Image() : "", again->ImageSize()));
        }
    }
}
