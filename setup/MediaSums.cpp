// MediaSums.cpp - the check sums of the installation media and /VERIFY.
#include "MediaSums.h"

#include <windows.h>

#include <string.h>

#include <algorithm>

#include "SetupFileList.h"
#include "SetupTexts.h"
#include "Unattended.h"
#include "wcls/ErrorReport.h"
#include "wcls/FEnv2.h"
#include "wcls/FileHash.h"
#include "wcls/Handles.h"
#include "wcls/LibTexts.h"
#include "wcls/PathText.h"

namespace {

const size_t kDigits = 64;
const DWORD kMaxSumFile = 16 * 1024 * 1024;
const int kProblemsShown = 20;  // the box names these; the log names all

bool IsLead(char c)
{
    return IsDBCSLeadByteEx(932, (BYTE)c) != FALSE;
}

bool IsHexText(const std::string& text)
{
    if (text.size() != kDigits) return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) return false;
    return true;
}

std::string Lower(std::string hex)
{
    for (char& c : hex)
        if (c >= 'A' && c <= 'F') c = (char)(c - 'A' + 'a');
    return hex;
}

// sha256sum escapes a name holding a backslash or a line end: "\\" and "\n".
// A CP932 character whose second byte is a backslash is kept whole.
std::string Unescape(const std::string& name)
{
    std::string out;
    for (size_t i = 0; i < name.size(); ++i) {
        char c = name[i];
        if (IsLead(c) && i + 1 < name.size()) {
            out += c;
            out += name[++i];
        } else if (c == '\\' && i + 1 < name.size()) {
            char next = name[++i];
            out += next == 'n' ? '\n' : next;
        } else {
            out += c;
        }
    }
    return out;
}

// The name as the list writes it: backslashes ('/' is never the second
// byte of a CP932 character), no leading "./".
std::string ListForm(std::string name)
{
    for (char& c : name)
        if (c == '/') c = '\\';
    while (name.compare(0, 2, ".\\") == 0) name.erase(0, 2);
    return name;
}

// The name for comparison: ASCII letters upper-cased outside characters.
std::string CompareForm(const std::string& name)
{
    std::string out = ListForm(name);
    for (size_t i = 0; i < out.size(); ++i) {
        if (IsLead(out[i])) {
            ++i;
        } else if (out[i] >= 'a' && out[i] <= 'z') {
            out[i] = (char)(out[i] - 'a' + 'A');
        }
    }
    return out;
}

// "SHA256 (name) = hex", as sha256sum --tag writes it.
bool ParseTagged(const std::string& line, MediaSum* sum)
{
    const char kTag[] = "SHA256 (";
    const char kSeparator[] = ") = ";
    size_t tag = sizeof(kTag) - 1;
    size_t separator = line.rfind(kSeparator);
    if (line.compare(0, tag, kTag) != 0 || separator == std::string::npos || separator < tag) return false;
    sum->name = line.substr(tag, separator - tag);
    sum->hex = line.substr(separator + sizeof(kSeparator) - 1);
    return IsHexText(sum->hex);
}

bool ParseLine(std::string line, MediaSum* sum)
{
    bool escaped = !line.empty() && line[0] == '\\';
    if (escaped) line.erase(0, 1);
    if (ParseTagged(line, sum)) {
    } else if (line.size() > kDigits + 2 && line[kDigits] == ' ' && (line[kDigits + 1] == ' ' || line[kDigits + 1] == '*')) {
        sum->hex = line.substr(0, kDigits);
        sum->name = line.substr(kDigits + 2);
        if (!IsHexText(sum->hex)) return false;
    } else {
        return false;
    }
    if (escaped) sum->name = Unescape(sum->name);
    sum->name = ListForm(sum->name);
    sum->hex = Lower(sum->hex);
    return !sum->name.empty();
}

// Reads SETUP.SUM of the folder: 1 read, 0 none there, -1 unreadable (the
// error is left in GetLastError).
int ReadSumFile(const String& folder, std::vector<MediaSum>* sums)
{
    String path = FolderForm(folder) + String(SetupText::kSumFile);
    UniqueFile file(CreateFileA(path.CStr(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) {
        DWORD err = GetLastError();
        return err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND ? 0 : -1;
    }
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file.Get(), &size)) return -1;
    if (size.QuadPart > kMaxSumFile) {
        SetLastError(ERROR_FILE_TOO_LARGE);
        return -1;
    }
    std::string text((size_t)size.QuadPart, '\0');
    DWORD got = 0;
    if (!text.empty() && !ReadFile(file.Get(), &text[0], (DWORD)text.size(), &got, nullptr)) return -1;
    text.resize(got);
    *sums = ParseMediaSums(text);
    return 1;
}

int CheckAgainst(const std::vector<MediaSum>& sums, const String& folder, const String& relative)
{
    String path = FolderForm(folder) + relative;
    if (GetFileAttributesA(path.CStr()) == INVALID_FILE_ATTRIBUTES) {
        DWORD err = GetLastError();
        if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND) return MEDIA_MISSING;
    }
    const MediaSum* sum = FindMediaSum(sums, relative.CStr());
    if (!sum) return MEDIA_UNLISTED;
    String hex;
    if (!Sha256OfFile(path, &hex)) return MEDIA_DAMAGED;
    return sum->hex == hex.CStr() ? MEDIA_SOUND : MEDIA_DAMAGED;
}

// The source names of every section of the list, each once, in order.
void ListedNames(FEnv2* list, std::vector<std::string>* names)
{
    const char* const* orders[] = {SetupSectionOrder(false), SetupSectionOrder(true)};
    for (const char* const* order : orders) {
        for (const char* const* section = order; *section; ++section) {
            String keys = list->GetKeyNames(*section);
            for (const char* key = keys.CStr(); *key; key += strlen(key) + 1) {
                String name = SetupSourceName(list->GetString(*section, key, "").CStr());
                if (!IsBlankText(name.CStr())) names->push_back(name.CStr());
            }
        }
    }
}

const struct {
    const char* logTag;
    const char* boxLine;  // null: not a problem
} kOutcomes[] = {
    {SetupText::kLogVerified, nullptr},
    {SetupText::kLogDamaged, SetupText::kVerifyDamaged},
    {SetupText::kLogMissing, SetupText::kVerifyMissing},
    {SetupText::kLogUnlisted, SetupText::kVerifyUnlisted},
};

String Number(size_t n)
{
    char text[24];
    wsprintfA(text, "%lu", (unsigned long)n);
    return String(text);
}

}  // namespace

std::vector<MediaSum> ParseMediaSums(const std::string& text)
{
    std::vector<MediaSum> sums;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        MediaSum sum;
        if (ParseLine(line, &sum)) sums.push_back(sum);
        start = end + 1;
    }
    return sums;
}

const MediaSum* FindMediaSum(const std::vector<MediaSum>& sums, const char* name)
{
    std::string wanted = CompareForm(name ? name : "");
    for (const MediaSum& sum : sums)
        if (CompareForm(sum.name) == wanted) return &sum;
    return nullptr;
}

int CheckMediaFile(const String& mediaFolder, const String& relative)
{
    static String s_folder;
    static int s_read;
    static std::vector<MediaSum> s_sums;
    if (s_folder.IsEmpty() || strcmp(s_folder.CStr(), mediaFolder.CStr()) != 0) {
        s_folder = mediaFolder;
        s_sums.clear();
        s_read = ReadSumFile(mediaFolder, &s_sums);
    }
    return s_read == 1 ? CheckAgainst(s_sums, mediaFolder, relative) : MEDIA_UNCHECKED;
}

int VerifyMedia(const String& mediaFolder)
{
    std::vector<MediaSum> sums;
    int read = ReadSumFile(mediaFolder, &sums);
    if (read < 0) {
        String path = FolderForm(mediaFolder) + String(SetupText::kSumFile);
        ReportSystemError(GetLastError(), ERR_READ, path,
                          Framed(SetupText::kFileHead, path.CStr(), SetupText::kCannotReadTail));
        return EXIT_REFUSED;
    }
    if (read == 0) {
        LogStep(SetupText::kLogUnchecked, FolderForm(mediaFolder) + String(SetupText::kSumFile));
        ShowMessage(nullptr, SetupText::kVerifyNoSums, SetupText::kAppTitle, MB_OK | MB_ICONEXCLAMATION);
        return EXIT_REFUSED;
    }
    SafePtr<FEnv2> list = new FEnv2(FolderForm(mediaFolder) + String(SetupText::kSetupList), 0, 10000, 100);
    if (!list->IsLoaded()) return EXIT_REFUSED;  // the file layer has said why

    std::vector<std::string> names;
    ListedNames(list.Get(), &names);
    for (const MediaSum& sum : sums) names.push_back(sum.name);
    std::vector<std::string> seen;
    String problems;
    size_t checked = 0, failed = 0;
    for (const std::string& name : names) {
        std::string key = CompareForm(name);
        if (key == SetupText::kSumFile || std::find(seen.begin(), seen.end(), key) != seen.end()) continue;
        seen.push_back(key);
        ++checked;
        int outcome = CheckAgainst(sums, mediaFolder, String(name.c_str()));
        LogStep(kOutcomes[outcome].logTag, String(name.c_str()));
        if (!kOutcomes[outcome].boxLine) continue;
        if (++failed <= (size_t)kProblemsShown)
            problems = problems + String(kOutcomes[outcome].boxLine) + String(name.c_str());
    }
    if (failed == 0) {
        String text = String(SetupText::kVerifyAllWellHead) + Number(checked) + String(SetupText::kVerifyAllWellTail);
        ShowMessage(nullptr, text.CStr(), SetupText::kAppTitle, MB_OK | MB_ICONINFORMATION);
        return EXIT_DONE;
    }
    if (failed > (size_t)kProblemsShown)
        problems = problems + String(SetupText::kVerifyMore) + Number(failed - kProblemsShown) +
                   String(SetupText::kVerifyMoreTail);
    String text = String(SetupText::kVerifyProblemsHead) + problems + String(SetupText::kVerifyProblemsTail);
    ShowMessage(nullptr, text.CStr(), SetupText::kAppTitle, MB_OK | MB_ICONHAND);
    return EXIT_REFUSED;
}
