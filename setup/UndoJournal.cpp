// UndoJournal.cpp - the undo of an installation that does not complete.
#include "UndoJournal.h"

#include <stdio.h>
#include <string.h>

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "CopyEngine.h"
#include "SetupDriver.h"
#include "SetupTexts.h"
#include "Unattended.h"
#include "TARVO5/DosError.h"
#include "wcls/ErrorReport.h"
#include "wcls/Handles.h"
#include "wcls/PathText.h"
#include "wcls/Registry.h"
#include "wcls/VerifiedFile.h"

namespace {

// ---- the journal's records ------------------------------------------------------

struct PlannedFile {
    String path;
    bool existed;  // when the plan was made
    bool touched;  // set aside, written or removed in this run
    bool aside;    // has a backup (unknown after a crash: looked for)
};

struct PlannedKey {
    String path;       // below HKEY_LOCAL_MACHINE
    bool existed;
    std::string tree;  // its subkeys and values as they were (lines of the journal)
};

enum JournalState { STATE_RUNNING = 1, STATE_COMPLETING = 2 };

struct Journal {
    std::vector<PlannedFile> files;
    std::unordered_map<std::string, size_t> fileIndex;  // upper-cased path -> files
    std::vector<String> folders;                         // missing at plan time, parents first
    std::unordered_set<std::string> foldersSeen;
    std::unordered_set<std::string> foldersMissing;
    std::vector<PlannedKey> keys;
    std::vector<String> missingKeys;  // parents of planned keys missing at plan time, parents first
    String shellProgram;              // taken away when the undo is incomplete
    String backupTail;                // of this run's backup names
    bool active = false;
    bool recovering = false;  // a journal of an earlier process: every name counts as touched
};

Journal s_journal;

const char kPlanValue[] = "Plan";
const char kStateValue[] = "State";
const char kJournalHead[] = "ZU8UNDO 1";
const int kListedInBox = 10;  // names of unrestored items shown in a box; the log has all

std::string Upper(const String& text)
{
    String s = text;
    MakeUpperAscii(s.GetBuffer(s.Length() + 1));
    return std::string(s.CStr());
}

String Backup(const String& path)
{
    return path + s_journal.backupTail;
}

// ---- names on disk -----------------------------------------------------------------

// The path in the system's long form (\\?\): a backup name may pass MAX_PATH.
std::wstring LongPath(const String& path)
{
    int n = MultiByteToWideChar(CP_ACP, 0, path.CStr(), -1, nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring wide((size_t)n, L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.CStr(), -1, &wide[0], n);
    DWORD need = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (need == 0) return std::wstring();
    std::wstring full((size_t)need, L'\0');
    full.resize(GetFullPathNameW(wide.c_str(), need, &full[0], nullptr));
    if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

bool Exists(const String& path)
{
    return GetFileAttributesW(LongPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsMissing(DWORD err)
{
    return err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND;
}

// A name below the all-users folder, reached through checked handles only:
// the folder it lies in is held (no one moves or swaps it meanwhile) and the
// name is opened in that folder as it stands (a link as the link).
class SharedEntry {
public:
    // VF_OPENED or VF_MISSING; otherwise the last error says why (a name
    // that leads elsewhere is access denied).
    int Open(const String& relative, DWORD access, DWORD options)
    {
        String folderPart = SplitPath(relative, &m_name);
        int opened = m_root.OpenRoot(StripBackslash(g_commonAppDataDir));
        if (opened == VF_OPENED && !folderPart.IsEmpty())
            opened = m_folder.Open(m_root, StripBackslash(folderPart), 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   OPEN_EXISTING, 0, nullptr, VF_FOLDER);
        if (opened == VF_OPENED)
            opened = file.Open(In(), m_name, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               OPEN_EXISTING, 0, nullptr, options);
        if (opened == VF_REFUSED) SetLastError(ERROR_ACCESS_DENIED);
        return opened;
    }
    const VerifiedFile& In() const { return m_folder.IsOpen() ? m_folder : m_root; }
    // Renamed within its folder (a backup lies beside its file).
    bool RenameTo(const String& path, bool replace)
    {
        String name;
        SplitPath(path, &name);
        return file.MoveWithin(In(), name, replace);
    }
    // The name as it stands, for deleting or renaming it: 1 opened (with
    // its size when asked), 0 missing, -1 failed.
    int OpenName(const String& relative, long long* size)
    {
        int opened = Open(relative, DELETE, VF_ANYNAMES | VF_LINKS);
        if (opened != VF_OPENED) return opened == VF_MISSING ? 0 : -1;
        if (size) *size = Size();
        return 1;
    }
    long long Size()
    {
        LARGE_INTEGER bytes = {};
        return !file.IsLink() && GetFileSizeEx(file.Handle(), &bytes) ? bytes.QuadPart : -1;
    }

    VerifiedFile file;

private:
    VerifiedFile m_root, m_folder;
    String m_name;
};

long long SizeByName(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (long long)(((uint64_t)data.nFileSizeHigh << 32) | data.nFileSizeLow);
}

// Deletes a name (a link as the link). A read-only file loses the
// attribute first, unless it is a second name of another file in the shared
// folder. 1 deleted, 0 missing, -1 failed (last error).
int DeleteName(const String& path, long long* size = nullptr)
{
    if (size) *size = -1;
    String relative = SharedPart(path);
    if (!relative.IsEmpty()) {
        SharedEntry entry;
        int opened = entry.OpenName(relative, size);
        if (opened != 1) return opened;
        bool deleted = entry.file.Delete();
        if (!deleted && GetLastError() == ERROR_ACCESS_DENIED && !entry.file.IsLink() &&
            !entry.file.HasOtherNames()) {
            VerifiedFile attributes;
            String name;
            SplitPath(relative, &name);
            deleted = attributes.Open(entry.In(), name, FILE_WRITE_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING, 0,
                                      nullptr, 0) == VF_OPENED &&
                      attributes.SetAttributes(FILE_ATTRIBUTE_NORMAL) && entry.file.Delete();
            if (!deleted) SetLastError(ERROR_ACCESS_DENIED);
        }
        return deleted && entry.file.Close() ? 1 : -1;
    }
    std::wstring wide = LongPath(path);
    if (size) *size = SizeByName(wide);
    if (DeleteFileW(wide.c_str())) return 1;
    DWORD err = GetLastError();
    if (IsMissing(err)) return 0;
    DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return 0;  // no file
    if (err == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_READONLY) &&
        SetFileAttributesW(wide.c_str(), attributes & ~(DWORD)FILE_ATTRIBUTE_READONLY) && DeleteFileW(wide.c_str()))
        return 1;
    SetLastError(err);
    return -1;
}

// Renames a file to its backup name, which must be free. A link or a second
// name of another file in the shared folder is no file of ours to keep: the
// name goes. A folder is never a file: refused, or for a removal, nothing
// there. 1 set aside, 2 a name removed, 0 nothing there, -1 failed (last
// error).
int SetAsideName(const String& path, const String& backup, bool removal, long long* size)
{
    if (size) *size = -1;
    String relative = SharedPart(path);
    if (!relative.IsEmpty()) {
        SharedEntry entry;
        int opened = entry.OpenName(relative, size);
        if (opened != 1) return opened;
        if (entry.file.IsLink() || entry.file.HasOtherNames()) return entry.file.Delete() && entry.file.Close() ? 2 : -1;
        return entry.RenameTo(backup, false) ? 1 : -1;
    }
    std::wstring source = LongPath(path);
    DWORD attributes = GetFileAttributesW(source.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return IsMissing(GetLastError()) ? 0 : -1;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        SetLastError(ERROR_ACCESS_DENIED);
        return removal ? 0 : -1;
    }
    if (size) *size = SizeByName(source);
    if (MoveFileExW(source.c_str(), LongPath(backup).c_str(), 0)) return 1;
    return IsMissing(GetLastError()) ? 0 : -1;
}

// Moves a backup back over its file's name. In the shared folder only a
// plain file of one name counts as a backup. 1 moved, 0 no backup, -1 failed.
int RestoreName(const String& backup, const String& path)
{
    String relative = SharedPart(backup);
    if (!relative.IsEmpty()) {
        SharedEntry entry;
        int opened = entry.Open(relative, DELETE, 0);
        if (opened != VF_OPENED) return opened == VF_MISSING ? 0 : -1;
        return entry.RenameTo(path, true) ? 1 : -1;
    }
    if (MoveFileExW(LongPath(backup).c_str(), LongPath(path).c_str(), MOVEFILE_REPLACE_EXISTING)) return 1;
    return IsMissing(GetLastError()) ? 0 : -1;
}

// Removes a folder the run created, when it is empty again; one in the
// shared folder through its checked handle.
bool RemoveEmptyFolder(const String& folder)
{
    String relative = SharedPart(FolderForm(folder));
    if (relative.IsEmpty()) return RemoveDirectoryW(LongPath(folder).c_str()) != FALSE;
    SharedEntry entry;
    return entry.Open(StripBackslash(relative), DELETE, VF_FOLDER) == VF_OPENED && entry.file.Delete() &&
           entry.file.Close();
}

// ---- registry -----------------------------------------------------------------------

bool OpenKey(const String& path, REGSAM access, UniqueRegKey* key)
{
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.CStr(), 0, access | RegView(HKEY_LOCAL_MACHINE, path.CStr()),
                         key->Put()) == ERROR_SUCCESS;
}

bool KeyExists(const String& path)
{
    UniqueRegKey key;
    return OpenKey(path, KEY_QUERY_VALUE, &key);
}

String Child(const String& path, const std::string& relative)
{
    return relative.empty() ? path : path + String("\\") + String(relative.c_str());
}

std::string Hex(const void* data, size_t size)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string s;
    s.reserve(size * 2);
    for (size_t i = 0; i < size; ++i) {
        unsigned char c = static_cast<const unsigned char*>(data)[i];
        s += kDigits[c >> 4];
        s += kDigits[c & 15];
    }
    return s;
}

std::string Unhex(const std::string& text)
{
    std::string s;
    for (size_t i = 0; i + 1 < text.size(); i += 2) s += (char)strtoul(text.substr(i, 2).c_str(), nullptr, 16);
    return s;
}

// The names of a key's subkeys (or values), read before any is changed.
std::vector<std::string> Names(HKEY key, bool values)
{
    std::vector<std::string> names;
    for (DWORD index = 0;; ++index) {
        char name[16384];
        DWORD length = sizeof(name);
        LONG result = values ? RegEnumValueA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr)
                             : RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result != ERROR_SUCCESS) break;
        names.push_back(std::string(name, length));
    }
    return names;
}

bool ReadValue(HKEY key, const char* name, DWORD* type, std::string* data)
{
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, type, nullptr, &size) != ERROR_SUCCESS) return false;
    data->assign(size, '\0');
    if (RegQueryValueExA(key, name, nullptr, type, size ? (BYTE*)&(*data)[0] : nullptr, &size) != ERROR_SUCCESS)
        return false;
    data->resize(size);
    return true;
}

// "S relative" for each key of the tree, "V relative name type data" for
// each value; names and data in hex.
void Snapshot(const String& root, const std::string& relative, std::string* out)
{
    UniqueRegKey key;
    bool readable = OpenKey(Child(root, relative), KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS, &key);
    // One that cannot be read is left alone by the undo: "?".
    *out += "S\t" + Hex(relative.data(), relative.size()) + (readable ? "\n" : "\t?\n");
    if (!readable) return;
    for (const std::string& name : Names(key.Get(), true)) {
        DWORD type = 0;
        std::string data;
        if (!ReadValue(key.Get(), name.c_str(), &type, &data)) continue;
        *out += "V\t" + Hex(relative.data(), relative.size()) + "\t" + Hex(name.data(), name.size()) + "\t" +
                std::to_string(type) + "\t" + Hex(data.data(), data.size()) + "\n";
    }
    for (const std::string& name : Names(key.Get(), false))
        Snapshot(root, relative.empty() ? name : relative + "\\" + name, out);
}

bool DeleteKeyTree(const String& path)
{
    {
        UniqueRegKey key;
        if (!OpenKey(path, KEY_ENUMERATE_SUB_KEYS, &key)) return !KeyExists(path);
        for (const std::string& name : Names(key.Get(), false))
            if (!DeleteKeyTree(path + String("\\") + String(name.c_str()))) return false;
    }
    return RegDeleteKeyInView(HKEY_LOCAL_MACHINE, path.CStr()) == ERROR_SUCCESS;
}

std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
        fields.push_back(line.substr(start, tab - start));
    fields.push_back(line.substr(start));
    return fields;
}

// The tree as it was: keys and values by relative name.
struct Tree {
    std::vector<std::string> keys;  // parents first
    std::unordered_set<std::string> unreadable;
    std::unordered_map<std::string, std::vector<std::vector<std::string>>> values;  // by key: V fields
};

Tree ParseTree(const std::string& text)
{
    Tree tree;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        std::vector<std::string> f = Fields(text.substr(start, end - start));
        if (f[0] == "S" && f.size() >= 2) tree.keys.push_back(Unhex(f[1]));
        if (f[0] == "S" && f.size() == 3) tree.unreadable.insert(Unhex(f[1]));
        if (f[0] == "V" && f.size() == 5) tree.values[Unhex(f[1])].push_back(f);
    }
    return tree;
}

// Takes away what the run added below a key that existed.
bool Prune(const String& root, const std::string& relative, const Tree& tree)
{
    UniqueRegKey key;
    String path = Child(root, relative);
    if (tree.unreadable.count(relative)) return true;
    if (!OpenKey(path, KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_ENUMERATE_SUB_KEYS, &key)) return !KeyExists(path);
    bool ok = true;
    auto kept = tree.values.find(relative);
    for (const std::string& name : Names(key.Get(), true)) {
        bool known = false;
        if (kept != tree.values.end())
            for (const auto& v : kept->second) known = known || Unhex(v[2]) == name;
        if (!known) ok = RegDeleteValueA(key.Get(), name.c_str()) == ERROR_SUCCESS && ok;
    }
    for (const std::string& name : Names(key.Get(), false)) {
        std::string child = relative.empty() ? name : relative + "\\" + name;
        bool known = false;
        for (const std::string& k : tree.keys) known = known || _stricmp(k.c_str(), child.c_str()) == 0;
        ok = (known ? Prune(root, child, tree) : DeleteKeyTree(Child(root, child))) && ok;
    }
    return ok;
}

// Puts the keys and values of the tree back where they differ.
bool PutBack(const String& root, const Tree& tree)
{
    bool ok = true;
    for (const std::string& relative : tree.keys) {
        UniqueRegKey key;
        String path = Child(root, relative);
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.CStr(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_QUERY_VALUE | KEY_SET_VALUE | RegView(HKEY_LOCAL_MACHINE, path.CStr()), nullptr,
                            key.Put(), nullptr) != ERROR_SUCCESS) {
            ok = false;
            continue;
        }
        auto values = tree.values.find(relative);
        if (values == tree.values.end()) continue;
        for (const auto& v : values->second) {
            std::string name = Unhex(v[2]), data = Unhex(v[4]), now;
            DWORD type = (DWORD)strtoul(v[3].c_str(), nullptr, 10), typeNow = 0;
            if (ReadValue(key.Get(), name.c_str(), &typeNow, &now) && typeNow == type && now == data) continue;
            ok = RegSetValueExA(key.Get(), name.c_str(), 0, type, (const BYTE*)data.data(), (DWORD)data.size()) ==
                     ERROR_SUCCESS && ok;
        }
    }
    return ok;
}

bool RestoreKey(const PlannedKey& planned)
{
    if (!planned.existed) return DeleteKeyTree(planned.path);
    std::string now;
    Snapshot(planned.path, std::string(), &now);
    if (now == planned.tree) return true;  // unchanged (perhaps a key no one may write)
    Tree tree = ParseTree(planned.tree);
    return Prune(planned.path, std::string(), tree) && PutBack(planned.path, tree);
}

// ---- the journal in the registry ------------------------------------------------------

std::string Serialize()
{
    std::string text = std::string(kJournalHead) + "\n";
    text += "X\t" + std::string(s_journal.shellProgram.CStr()) + "\n";
    text += "T\t" + std::string(s_journal.backupTail.CStr()) + "\n";
    for (const PlannedFile& f : s_journal.files)
        text += std::string("F\t") + (f.existed ? "1\t" : "0\t") + f.path.CStr() + "\n";
    for (const String& folder : s_journal.folders) text += std::string("D\t") + folder.CStr() + "\n";
    for (const String& key : s_journal.missingKeys) text += std::string("A\t") + key.CStr() + "\n";
    for (const PlannedKey& k : s_journal.keys) {
        text += std::string("K\t") + (k.existed ? "1\t" : "0\t") + k.path.CStr() + "\n";
        text += k.tree;
    }
    return text;
}

bool Parse(const std::string& text)
{
    s_journal = Journal();
    size_t start = 0;
    bool headed = false;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = text.substr(start, end - start);
        if (!headed) {
            if (line != kJournalHead) return false;
            headed = true;
            continue;
        }
        std::vector<std::string> f = Fields(line);
        if (f[0] == "X" && f.size() == 2) s_journal.shellProgram = String(f[1].c_str());
        if (f[0] == "T" && f.size() == 2) s_journal.backupTail = String(f[1].c_str());
        if (f[0] == "F" && f.size() == 3) s_journal.files.push_back({String(f[2].c_str()), f[1] == "1", true, true});
        if (f[0] == "D" && f.size() == 2) s_journal.folders.push_back(String(f[1].c_str()));
        if (f[0] == "A" && f.size() == 2) s_journal.missingKeys.push_back(String(f[1].c_str()));
        if (f[0] == "K" && f.size() == 3) s_journal.keys.push_back({String(f[2].c_str()), f[1] == "1", std::string()});
        if ((f[0] == "S" || f[0] == "V") && !s_journal.keys.empty()) s_journal.keys.back().tree += line + "\n";
    }
    return headed && !s_journal.backupTail.IsEmpty();
}

LONG WriteJournal(DWORD state, const std::string* plan)
{
    UniqueRegKey key;
    LONG result = RegCreateKeyExA(HKEY_LOCAL_MACHINE, SetupText::kUndoKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_SET_VALUE | RegView(HKEY_LOCAL_MACHINE), nullptr, key.Put(), nullptr);
    if (result == ERROR_SUCCESS && plan)
        result = RegSetValueExA(key.Get(), kPlanValue, 0, REG_BINARY, (const BYTE*)plan->data(), (DWORD)plan->size());
    if (result == ERROR_SUCCESS)
        result = RegSetValueExA(key.Get(), kStateValue, 0, REG_DWORD, (const BYTE*)&state, sizeof(state));
    // Once per run, not per file: the names on disk tell the rest.
    if (result == ERROR_SUCCESS) result = RegFlushKey(key.Get());
    return result;
}

bool ReadJournal(DWORD* state, std::string* plan)
{
    UniqueRegKey key;
    if (!OpenKey(String(SetupText::kUndoKey), KEY_QUERY_VALUE, &key)) return false;
    DWORD type = 0;
    std::string value;
    *state = ReadValue(key.Get(), kStateValue, &type, &value) && type == REG_DWORD && value.size() == 4
                 ? (DWORD)(unsigned char)value[0]
                 : (DWORD)STATE_RUNNING;
    if (!ReadValue(key.Get(), kPlanValue, &type, plan)) plan->clear();
    return true;
}

// The journal goes, then the parent keys that only it and the run made.
void EndJournal()
{
    DeleteKeyTree(String(SetupText::kUndoKey));
    for (auto k = s_journal.missingKeys.rbegin(); k != s_journal.missingKeys.rend(); ++k) {
        UniqueRegKey key;
        DWORD subkeys = 1, values = 1;
        if (OpenKey(*k, KEY_QUERY_VALUE, &key) &&
            RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                             nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
            subkeys == 0 && values == 0) {
            key.Close();
            RegDeleteKeyInView(HKEY_LOCAL_MACHINE, k->CStr());
        }
    }
    s_journal = Journal();
}

// ---- undo ------------------------------------------------------------------------------

// Moves back what was set aside, or deletes what the run created.
bool RestoreFile(const PlannedFile& f)
{
    int moved = f.aside ? RestoreName(Backup(f.path), f.path) : 0;
    if (moved != 0) return moved > 0;
    return f.existed || DeleteName(f.path) >= 0;
}

bool IsDataFolder(const String& folder)
{
    return Upper(StripBackslash(folder)) == Upper(StripBackslash(g_productDataDir));
}

// A folder the run created goes when it is empty again; the data folder is
// let go of for that (the driver holds it again).
void RemoveFolder(const String& folder)
{
    if (IsDataFolder(folder)) ReleaseDataFolder();
    if (RemoveEmptyFolder(folder)) LogStep(SetupText::kLogUndo, folder);
}

void NoteNotRestored(const String& what, String* list, int* count)
{
    LogStep(SetupText::kLogNotRestored, what);
    if (++*count <= kListedInBox) list->Append("\n").Append(what.CStr());
    if (*count == kListedInBox + 1) list->Append("\n...");
}

void RemoveBackups()
{
    for (const PlannedFile& f : s_journal.files) {
        if (!f.aside) continue;
        String backup = Backup(f.path);
        if (DeleteName(backup) >= 0 || !SharedPart(backup).IsEmpty()) continue;
        // Held by someone: it goes at the next start of Windows.
        MoveFileExW(LongPath(backup).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
}

}  // namespace

// ---- the plan -------------------------------------------------------------------------

void UndoPlanReset()
{
    s_journal = Journal();
}

void UndoPlanFile(const String& path)
{
    std::string key = Upper(path);
    if (s_journal.fileIndex.count(key)) return;
    // A file in a folder that the run creates cannot be there yet.
    String folder = SplitPath(path);
    bool inNewFolder = s_journal.foldersMissing.count(Upper(StripBackslash(folder))) != 0;
    s_journal.fileIndex[key] = s_journal.files.size();
    s_journal.files.push_back({path, !inNewFolder && Exists(path), false, false});
}

void UndoPlanShellProgram(const String& path)
{
    s_journal.shellProgram = path;
}

void UndoPlanFolder(const String& folder)
{
    String path = StripBackslash(folder);
    if (!s_journal.foldersSeen.insert(Upper(path)).second || Exists(path)) return;
    String name;
    String parent = SplitPath(path, &name);
    if (!name.IsEmpty() && !parent.IsEmpty()) UndoPlanFolder(parent);
    s_journal.folders.push_back(path);
    s_journal.foldersMissing.insert(Upper(path));
}

void UndoPlanKey(const char* path)
{
    String full(path);
    for (const char* p = path; *p; p = NextChar(p)) {
        if (*p != '\\') continue;
        String parent(path, (int)(p - path));
        bool known = false;
        for (const String& k : s_journal.missingKeys) known = known || _stricmp(k.CStr(), parent.CStr()) == 0;
        if (!known && !KeyExists(parent)) s_journal.missingKeys.push_back(parent);
    }
    PlannedKey planned{full, KeyExists(full), std::string()};
    if (planned.existed) Snapshot(full, std::string(), &planned.tree);
    s_journal.keys.push_back(planned);
}

bool UndoBegin()
{
    UndoPlanKey(SetupText::kUndoKey);  // its parents, so that they go with it
    s_journal.keys.pop_back();         // the journal is not restored: it ends
    // Backup names of this run only: nothing left by another run is taken
    // for one of them.
    char tail[32];
    snprintf(tail, sizeof(tail), "%s-%08lX", SetupText::kUndoBackupTail,
             (unsigned long)(GetCurrentProcessId() ^ (GetTickCount() << 12)));
    s_journal.backupTail = String(tail);
    std::string plan = Serialize();
    LONG result = WriteJournal(STATE_RUNNING, &plan);
    if (result != ERROR_SUCCESS) {
        EndJournal();
        ReportSystemCode(ERR_SYSTEM, (DWORD)result, SetupText::kRegistryWriteFailed, 0);
        return false;
    }
    s_journal.active = true;
    return true;
}

bool UndoIsActive()
{
    return s_journal.active;
}

// ---- set aside ------------------------------------------------------------------------

namespace {

PlannedFile* Planned(const String& path)
{
    std::string key = Upper(path);
    auto found = s_journal.fileIndex.find(key);
    if (found != s_journal.fileIndex.end()) return &s_journal.files[found->second];
    // Not planned: undone by this process only.
    s_journal.fileIndex[key] = s_journal.files.size();
    s_journal.files.push_back({path, Exists(path), false, false});
    return &s_journal.files.back();
}

int AsideResult(int moved, bool shared)
{
    if (moved >= 0) return ASIDE_DONE;
    DWORD err = GetLastError();
    // A name the shared folder refused is no file in use.
    if (!(shared && err == ERROR_ACCESS_DENIED) && ClassifyError(err) == ECLASS_INUSE) return ASIDE_INUSE;
    SetLastError(err);
    return ASIDE_FAILED;
}

}  // namespace

int UndoSetAside(const String& path)
{
    if (!s_journal.active) return ASIDE_DONE;
    PlannedFile* f = Planned(path);
    if (f->touched) return ASIDE_DONE;
    // A name that was free when the plan was made is free still, unless
    // other users can make names there: asking again would cost a look-up
    // of a missing name for every new file.
    bool shared = !SharedPart(path).IsEmpty();
    int moved = f->existed || shared ? SetAsideName(path, Backup(path), false, nullptr) : 0;
    f->touched = moved >= 0;
    f->aside = moved == 1;
    return AsideResult(moved, shared);
}

int UndoRemove(const String& path, long long* size)
{
    bool shared = !SharedPart(path).IsEmpty();
    if (!s_journal.active) {
        int deleted = DeleteName(path, size);
        return deleted == 0 ? ASIDE_MISSING : AsideResult(deleted, shared);
    }
    PlannedFile* f = Planned(path);
    // Written earlier in this run: what was there before is aside already.
    bool first = !f->touched;
    int result = first ? SetAsideName(path, Backup(path), true, size) : DeleteName(path, size);
    if (result >= 0) f->touched = true;
    if (first) f->aside = result == 1;
    return result == 0 ? ASIDE_MISSING : AsideResult(result, shared);
}

// ---- endings ----------------------------------------------------------------------------

bool UndoRun(String* notRestored)
{
    if (!s_journal.active && !s_journal.recovering) return true;
    int failed = 0;
    for (auto k = s_journal.keys.rbegin(); k != s_journal.keys.rend(); ++k)
        if (!RestoreKey(*k)) NoteNotRestored(String("HKLM\\") + k->path, notRestored, &failed);
    for (auto f = s_journal.files.rbegin(); f != s_journal.files.rend(); ++f) {
        if (!f->touched) continue;
        if (RestoreFile(*f))
            LogStep(SetupText::kLogUndo, f->path);
        else
            NoteNotRestored(f->path, notRestored, &failed);
    }
    for (auto d = s_journal.folders.rbegin(); d != s_journal.folders.rend(); ++d) RemoveFolder(*d);
    if (failed == 0) {
        EndJournal();
        return true;
    }
    // A half state must not start: the shell program goes. The journal
    // stays, so that a later setup finishes the undo.
    if (!s_journal.shellProgram.IsEmpty()) DeleteName(s_journal.shellProgram);
    s_journal = Journal();
    return false;
}

void UndoCommit()
{
    if (!s_journal.active && !s_journal.recovering) return;
    // Marked first (or, failing that, ended): a crash from here on never
    // undoes a completed installation.
    if (WriteJournal(STATE_COMPLETING, nullptr) != ERROR_SUCCESS)
        DeleteKeyTree(String(SetupText::kUndoKey));
    RemoveBackups();
    EndJournal();
}

bool UndoInterruptedRun()
{
    DWORD state = 0;
    std::string plan;
    if (!ReadJournal(&state, &plan)) return true;
    bool parsed = Parse(plan);
    s_journal.recovering = true;
    if (!parsed) {  // nothing to go by: only the journal goes
        LogStep(SetupText::kLogUndo, String(SetupText::kUndoKey));
        EndJournal();
        return true;
    }
    if (state == STATE_COMPLETING) {
        UndoCommit();
        return true;
    }
    String notRestored;
    bool whole = UndoRun(&notRestored);
    String text;
    text.Append(SetupText::kRecovered);
    if (!whole) text.Append(SetupText::kNotRestoredHead).Append(notRestored.CStr()).Append(SetupText::kRunAgain);
    ShowMessage(nullptr, text.CStr(), SetupText::kAppTitle, MB_OK | (whole ? MB_ICONINFORMATION : MB_ICONEXCLAMATION));
    return whole;
}
