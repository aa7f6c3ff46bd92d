// FEnv2RandomTest.cpp - seeded random ENV images and edit sequences; the
// format's invariants are checked after every operation. Deterministic: the
// same seed gives the same cases on every run.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/TempDir.h"
#include "wcls/FEnv2.h"

namespace {

class Rng {
public:
    explicit Rng(uint32_t seed) : m_s(seed ? seed : 1) {}
    uint32_t Next()
    {
        m_s ^= m_s << 13;
        m_s ^= m_s >> 17;
        m_s ^= m_s << 5;
        return m_s;
    }
    uint32_t Below(uint32_t n) { return Next() % n; }
    template <size_t N>
    const char* Pick(const char* const (&items)[N]) { return items[Below(N)]; }

private:
    uint32_t m_s;
};

// Names overlap on purpose: letter case, prefixes, double-byte characters
// whose second byte is 0x5B, 0x5C, 0x5D or a letter (テ 83 65, ウ 83 45).
const char* const kSections[] = {"Main", "main", "MAIN", "Main\\Window", "表示", "ソフト", "ゾーン",
                                 "ゼロ", "A", "AB", "テ", "ウ", "x=y", "a;b"};
const char* const kKeys[] = {"Version", "VERSION", "version", "v", "V2", "表", "ソ", "ゾ", "ゼ", "テ",
                             "ウ", "key ", " key", "a b", "x[y]", "k;", "AppDir", "ソ]"};
const char* const kValues[] = {"", "1", "01", "-5", "a=b", " spaced ", "表ソゾゼ", "[x]", ";c",
                               "C:\\Prog\\", "テスト", "=", "\x1a"};
struct Bad {
    const char *sec, *key, *value;
};
const Bad kBad[] = {{"A", ";k", "v"}, {"A", "[k", "v"},  {"A", "k=", "v"},  {"A", "k\r", "v"},
                    {"A", "k", "\n"}, {"A", "k", "a\rb"}, {"A]", "k", "v"}, {"\nA", "k", "v"},
                    {nullptr, "k", "v"}};

std::string Junk(Rng& r)
{
    static const std::string kJunk[] = {
        "plain text", "=nokey", "; comment", ";k=v", "[Main", "[表示", "[Main] trailing", "[ゾーン]x",
        "a\rb=lone cr", "a\nb=lone lf", std::string("x\0y=nul", 7), std::string("v=nul\0in value", 14),
        "cut\x83", "\x83=pair", "\x1a", "[", "]", "==",
    };
    return kJunk[r.Below(sizeof(kJunk) / sizeof(kJunk[0]))];
}

std::string MakeImage(Rng& r)
{
    std::string s;
    uint32_t lines = r.Below(25);
    for (uint32_t i = 0; i < lines; ++i) {
        switch (r.Below(9)) {
        case 0:
        case 1:
            s += std::string("[") + r.Pick(kSections) + "]";
            break;
        case 2:
        case 3:
        case 4:
        case 5:
            s += std::string(r.Pick(kKeys)) + "=" + r.Pick(kValues);
            break;
        case 6:
            break;  // a blank line
        default:
            s += Junk(r);
        }
        if (i + 1 < lines) s += "\r\n";
    }
    static const char* const kEnds[] = {"\r\n", "\r\n", "\r\n", "", "\n", "\r", "\x1a", "\r\n\x1a"};
    return s + r.Pick(kEnds);
}

std::string Upper(const char* s)
{
    std::string u(s);
    MakeUpperAscii(&u[0]);
    return u;
}

struct Entry {
    std::string sec, key, value;
};

std::string ImageOf(const FEnv2& env)
{
    return env.Image() ? std::string(env.Image(), env.ImageSize()) : std::string();
}

// The first broken invariant, or empty.
std::string Check(FEnv2& env, const std::map<std::string, Entry>& known, bool changed)
{
    std::string image = ImageOf(env);
    if (!image.empty() && image.compare(image.size() - std::min<size_t>(2, image.size()), 2, "\r\n") != 0)
        return "the image does not end in CR LF";
    if (((env.Flags() & ENV_MODIFIED) != 0) != changed) return "ENV_MODIFIED does not tell whether bytes changed";
    if (env.ImageCapacity() < env.ImageSize()) return "capacity below size";

    for (const auto& k : known) {
        int found = 0;
        String value = env.GetString(k.second.sec.c_str(), k.second.key.c_str(), "", &found);
        if (!found || k.second.value != value.CStr())
            return "[" + k.second.sec + "] " + k.second.key + " lost the value last set";
    }
    std::vector<const char*> sections(std::begin(kSections), std::end(kSections));
    sections.push_back(nullptr);
    for (const char* sec : sections) {
        String list = env.GetKeyNames(sec);
        std::set<std::string> listed;
        for (const char* p = list.CStr(); *p; p += strlen(p) + 1) {
            int found = 0;
            env.GetString(sec, p, "", &found);
            if (!found) return std::string("listed key not found: ") + p;
            listed.insert(Upper(p));
        }
        if (!sec) continue;
        for (const auto& k : known) {
            if (Upper(k.second.sec.c_str()) == Upper(sec) && !k.second.key.empty() &&
                !listed.count(Upper(k.second.key.c_str())))
                return "[" + k.second.sec + "] " + k.second.key + " is set but not listed";
        }
    }
    return std::string();
}

}  // namespace

TEST(FEnv2Random, EditsKeepTheFormatsInvariants)
{
    TempDir dir;
    const std::string path = dir.File("R.ENV");
    const String name(path.c_str());
    Rng r(20240806);
    int saves = 0;
    for (int c = 0; c < 2500; ++c) {
        std::string input = MakeImage(r);
        ASSERT_TRUE(WriteFileBytes(path, input));
        SafePtr<FEnv2> env(new FEnv2(name, 0, 1000, 50));
        ASSERT_TRUE(env->IsLoaded());
        std::map<std::string, Entry> known;
        bool changed = false;
        std::string log;
        ASSERT_EQ("", Check(*env, known, changed)) << "case " << c << "\n" << testing::PrintToString(input);

        uint32_t ops = 1 + r.Below(16);
        for (uint32_t op = 0; op < ops; ++op) {
            std::string before = ImageOf(*env);
            uint32_t capacity = env->ImageCapacity();
            const char* sec = r.Pick(kSections);
            const char* key = r.Pick(kKeys);
            std::string id = Upper(sec) + '\x01' + Upper(key);
            uint32_t choice = r.Below(100);
            if (choice < 50) {
                const char* value = r.Pick(kValues);
                log += std::string("set [") + sec + "] " + key + "=" + value + "\n";
                ASSERT_TRUE(env->SetString(sec, key, value)) << log;
                known[id] = Entry{sec, key, value};
            } else if (choice < 65) {
                log += std::string("delete [") + sec + "] " + key + "\n";
                ASSERT_TRUE(env->SetString(sec, key, nullptr)) << log;
                known.erase(id);  // a later duplicate may come to light
            } else if (choice < 75) {
                int32_t n = (int32_t)r.Next();
                log += std::string("number [") + sec + "] " + key + "=" + std::to_string(n) + "\n";
                ASSERT_TRUE(env->SetNumber(sec, key, n)) << log;
                known[id] = Entry{sec, key, std::to_string(n)};
            } else if (choice < 88) {
                const Bad& b = kBad[r.Below(sizeof(kBad) / sizeof(kBad[0]))];
                log += "refused\n";
                DWORD flags = env->Flags();
                ASSERT_FALSE(env->SetString(b.sec, b.key, b.value)) << log;
                ASSERT_EQ(flags, env->Flags()) << log;
            } else if (choice < 90) {
                log += "clear\n";
                env->Clear();
                known.clear();
            } else {
                // Saved and read back: the same bytes, in the file and in a
                // fresh image.
                log += "save\n";
                ASSERT_TRUE(env->Save()) << log;
                ++saves;
                ASSERT_EQ(before, ReadFileBytes(path)) << log;
                SafePtr<FEnv2> again(new FEnv2(name, 0, 1000, 50));
                ASSERT_EQ(before, ImageOf(*again)) << log;
            }
            std::string after = ImageOf(*env);
            if (after != before) changed = true;
            if (env->ImageCapacity() != capacity) {
                ASSERT_EQ(std::max<uint32_t>(env->ImageSize() + 2048, 10240), env->ImageCapacity()) << log;
            }
            ASSERT_EQ("", Check(*env, known, changed)) << "case " << c << "\n"
                                                       << testing::PrintToString(input) << "\n"
                                                       << log << testing::PrintToString(after);
        }
    }
    EXPECT_GT(saves, 1000);
}
