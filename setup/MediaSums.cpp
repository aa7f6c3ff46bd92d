// MediaSums.cpp - the check sums of the installation media and /VERIFY.
#include "MediaSums.h"

#include <windows.h>

#include <string.h>

#include <map>
#include <set>

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
const size_t kMaxPinned = 64 * 1024;  // a SETUP.SUM recorded beside the install record

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

// sha256sum escapes a name holding a backslash byte or a line end, byte by
// byte ("\\" and "\n"): undone the same way, so that a CP932 character
// whose second byte is a backslash comes back whole.
std::string Unescape(const std::string& name)
{
    std::string out;
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 1 < name.size()) {
            char next = name[++i];
            out += next == 'n' ? '\n' : next;
        } else {
            out += name[i];
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

// A name below the media folder that opens a disk file: no drive, no root,
// no ".." and no device name (CON, COM1...) as a part.
bool IsPlainRelativeName(const std::string& name)
{
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CLOCK$", "CONIN$", "CONOUT$"};
    static const char* const kNumbered[] = {"COM", "LPT"};  // COM1 to COM9...
    if (name.empty() || name[0] == '\\' || name.find(':') != std::string::npos) return false;
    std::string upper = CompareForm(name) + "\\";
    for (size_t start = 0, end; (end = upper.find('\\', start)) != std::string::npos; start = end + 1) {
        std::string part = upper.substr(start, end - start);
        std::string stem = part.substr(0, part.find('.'));
        if (part.empty() || part == "." || part == "..") return false;
        for (const char* device : kDevices)
            if (stem == device) return false;
        for (const char* device : kNumbered)
            if (stem.size() == 4 && stem.compare(0, 3, device) == 0 && stem[3] >= '1' && stem[3] <= '9') return false;
    }
    return true;
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

// SETUP.SUM of one media folder, read once: its lines, and the very text
// they were read from.
struct SumFile {
    String folder;
    int read = 0;  // 1 read, 0 none there, -1 unreadable (err)
    DWORD err = 0;
    std::vector<MediaSum> sums;
    std::map<std::string, size_t> index;  // by the name as compared
    std::string text;

    void Read(const String& mediaFolder);
    const MediaSum* Find(const String& name) const
    {
        auto found = index.find(CompareForm(name.CStr()));
        return found == index.end() ? nullptr : &sums[found->second];
    }
};

void SumFile::Read(const String& mediaFolder)
{
    *this = SumFile();
    folder = mediaFolder;
    read = -1;
    String path = FolderForm(mediaFolder) + String(SetupText::kSumFile);
    UniqueFile file(CreateFileA(path.CStr(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size = {};
    if (!file || !GetFileSizeEx(file.Get(), &size)) {
        err = GetLastError();
        if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND) read = 0;
        return;
    }
    if (size.QuadPart > kMaxSumFile) {
        err = ERROR_FILE_TOO_LARGE;
        return;
    }
    text.assign((size_t)size.QuadPart, '\0');
    DWORD got = 0;
    if (!text.empty() && !ReadFile(file.Get(), &text[0], (DWORD)text.size(), &got, nullptr)) {
        err = GetLastError();
        return;
    }
    text.resize(got);
    sums = ParseMediaSums(text);
    for (size_t i = 0; i < sums.size(); ++i) index.emplace(CompareForm(sums[i].name), i);  // the first line counts
    read = 1;
}

SumFile s_sumFile;     // of the media the run copies from
std::string s_pinned;  // the text the SETUP.SUM must have; empty: any

SumFile& SumFileOf(const String& mediaFolder)
{
    if (s_sumFile.folder.IsEmpty() || strcmp(s_sumFile.folder.CStr(), mediaFolder.CStr()) != 0)
        s_sumFile.Read(mediaFolder);
    return s_sumFile;
}

bool IsMissing(DWORD err)
{
    return err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND;
}

// The outcome of one file against the lines; `file` is the file opened for
// its copy, or null to open it here.
int CheckAgainst(const SumFile& sums, const String& folder, const String& relative, HANDLE file)
{
    const MediaSum* sum = sums.Find(relative);
    if (!file && (!sum || !IsPlainRelativeName(sum->name))) {
        // Not opened when unlisted: it is only looked up.
        DWORD attributes = GetFileAttributesA((FolderForm(folder) + relative).CStr());
        if (attributes == INVALID_FILE_ATTRIBUTES && IsMissing(GetLastError())) return MEDIA_MISSING;
        return MEDIA_UNLISTED;
    }
    if (!sum) return MEDIA_UNLISTED;
    String hex;
    bool hashed = file ? Sha256OfHandle(file, &hex) : Sha256OfFile(FolderForm(folder) + relative, &hex);
    if (!hashed) return IsMissing(GetLastError()) ? MEDIA_MISSING : MEDIA_UNREADABLE;
    return sum->hex == hex.CStr() ? MEDIA_SOUND : MEDIA_DAMAGED;
}

int CheckThroughSumFile(const String& mediaFolder, const String& relative, HANDLE file)
{
    SumFile& sums = SumFileOf(mediaFolder);
    if (sums.read != 1 || (!s_pinned.empty() && s_pinned != sums.text))
        return MEDIA_UNCHECKED;
    return CheckAgainst(sums, mediaFolder, relative, file);
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
    {SetupText::kLogUnchecked, nullptr},
    {SetupText::kLogUnreadable, SetupText::kVerifyUnreadable},
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
    return CheckThroughSumFile(mediaFolder, relative, nullptr);
}

int CheckMediaHandle(const String& mediaFolder, const String& relative, HANDLE file)
{
    return CheckThroughSumFile(mediaFolder, relative, file);
}

String MediaSumsText(const String& mediaFolder)
{
    SumFile& sums = SumFileOf(mediaFolder);
    bool usable = sums.read == 1 && sums.text.size() <= kMaxPinned && sums.text.find('\0') == std::string::npos;
    return usable ? String(sums.text.c_str()) : String();
}

void PinMediaSums(const String& text)
{
    s_pinned = text.CStr();
}

void ReportDamagedMedia(const String& relative)
{
    LogStep(SetupText::kLogDamaged, relative);
    String text = String(SetupText::kMediaDamagedHead) + relative + String(SetupText::kMediaDamagedTail);
    ReportError(ERR_READ, text.CStr(), "", 0);
}

int VerifyMedia(const String& mediaFolder)
{
    SumFile sumFile;
    sumFile.Read(mediaFolder);
    if (sumFile.read < 0) {
        String path = FolderForm(mediaFolder) + String(SetupText::kSumFile);
        ReportSystemError(sumFile.err, ERR_READ, path,
                          Framed(SetupText::kFileHead, path.CStr(), SetupText::kCannotReadTail));
        return EXIT_REFUSED;
    }
    if (sumFile.read == 0) {
        LogStep(SetupText::kLogUnchecked, FolderForm(mediaFolder) + String(SetupText::kSumFile));
        ShowMessage(nullptr, SetupText::kVerifyNoSums, SetupText::kAppTitle, MB_OK | MB_ICONEXCLAMATION);
        return EXIT_REFUSED;
    }
    SafePtr<FEnv2> list = new FEnv2(FolderForm(mediaFolder) + String(SetupText::kSetupList), 0, 10000, 100);
    if (!list->IsLoaded()) return EXIT_REFUSED;  // the file layer has said why

    std::vector<std::string> names;
    ListedNames(list.Get(), &names);
    for (const MediaSum& sum : sumFile.sums)
        if (IsPlainRelativeName(sum.name)) names.push_back(sum.name);  // no file of the media otherwise
    std::set<std::string> seen = {CompareForm(SetupText::kSumFile)};
    String problems;
    size_t checked = 0, failed = 0;
    for (const std::string& name : names) {
        if (!seen.insert(CompareForm(name)).second) continue;
        ++checked;
        int outcome = CheckAgainst(sumFile, mediaFolder, String(name.c_str()), nullptr);
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
