// bench.cpp - measures the library's speed and memory behaviour and prints
// ratios (not pass/fail: a person reads them). Run with scripts/bench.sh.
#include <windows.h>

#include <stdio.h>

#include <string>

#include "wcls/Data.h"
#include "wcls/FEnv2.h"

namespace {

double Seconds()
{
    static LARGE_INTEGER freq;
    if (!freq.QuadPart) QueryPerformanceFrequency(&freq);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (double)now.QuadPart / (double)freq.QuadPart;
}

// Time per copy of a String of the given length.
double CopySeconds(int length, int copies)
{
    std::string text(length, 'x');
    String s(text.c_str());
    double start = Seconds();
    for (int i = 0; i < copies; ++i) {
        String copy = s;
        String assigned;
        assigned = copy;
    }
    return (Seconds() - start) / copies;
}

// Reallocations while a NUL-separated list of n items is built.
int ListReallocations(int n)
{
    String list;
    int reallocations = 0;
    const char* last = list.CStr();
    for (int i = 0; i < n; ++i) {
        list.Append("ITEM_NAME").AppendChar('\0');
        if (list.CStr() != last) {
            ++reallocations;
            last = list.CStr();
        }
    }
    return reallocations;
}

// Microseconds per GetString on a settings file of `keys` entries.
double LookupMicroseconds(int keys, const char* folder)
{
    std::string path = std::string(folder) + "\\BENCH.ENV";
    std::string image = "[Default]\r\n";
    for (int i = 0; i < keys; ++i) image += "Key" + std::to_string(i) + "=Value" + std::to_string(i) + "\r\n";
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written;
    WriteFile(h, image.data(), (DWORD)image.size(), &written, nullptr);
    CloseHandle(h);
    SafePtr<FEnv2> env(new FEnv2(String(path.c_str()), 0));
    const int rounds = 2000;
    double start = Seconds();
    for (int i = 0; i < rounds; ++i) env->GetString("Default", ("Key" + std::to_string(i % keys)).c_str(), "");
    double per = (Seconds() - start) / rounds * 1e6;
    DeleteFileA(path.c_str());
    return per;
}

}  // namespace

int main()
{
    double small = CopySeconds(16, 200000), large = CopySeconds(1 << 20, 200000);
    printf("String copy, 1 MiB text / 16-byte text time ratio:   %6.2f  (about 1: copies share the buffer)\n",
           large / small);
    int r1 = ListReallocations(1000), r2 = ListReallocations(100000);
    printf("List of 1,000 items: %d reallocations; of 100,000: %d  (ratio %.2f for 100x the items)\n", r1, r2,
           (double)r2 / r1);

    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    double l100 = LookupMicroseconds(100, temp), l1000 = LookupMicroseconds(1000, temp);
    printf("ENV lookup, 1,000 keys / 100 keys time ratio:          %6.2f  (indexed: about 1; a linear scan gives about 10)\n",
           l1000 / l100);
    printf("ENV lookup in a 100-key file: %.2f us\n", l100);
    return 0;
}
