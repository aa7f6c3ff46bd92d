// Registry.cpp - reading registry values into Strings.
#include "Registry.h"

#include "ErrorReport.h"

static const char kReadFailed[] = "レジストリ読み取りエラー";

LONG RegDeleteKeyInView(HKEY root, const char* path)
{
#ifdef _WIN64
    return RegDeleteKeyExA(root, path, RegView(root, path), 0);
#else
    return RegDeleteKeyA(root, path);
#endif
}

LONG RegQueryValue(HKEY key, const char* name, DWORD* type, String* out, DWORD* size)
{
    LONG result = ERROR_MORE_DATA;
    for (int i = 0; i < 10 && result == ERROR_MORE_DATA; ++i) {
        BYTE* buffer = nullptr;
        if (out) buffer = reinterpret_cast<BYTE*>(out->GetBuffer((int)(*size ? *size : 1)));
        result = RegQueryValueExA(key, name, nullptr, type, buffer, size);
    }
    return result;
}

int RegReadString(String* out, HKEY key, const char* name, const String& def)
{
    String buffer;
    DWORD type = 0, size = MAX_PATH;
    LONG result = RegQueryValue(key, name, &type, &buffer, &size);
    if (result == ERROR_SUCCESS) {
        // The value may be stored without its NUL: take exactly its bytes.
        if (type == REG_SZ) {
            if (size > (DWORD)buffer.Capacity()) size = (DWORD)buffer.Capacity();
            *out = String(buffer.CStr(), (int)size);
        } else {
            *out = def;
        }
        return 1;
    }
    *out = def;
    if (result == ERROR_FILE_NOT_FOUND || result == ERROR_PATH_NOT_FOUND) return 1;
    ReportSystemCode(ERR_SYSTEM, (DWORD)result, kReadFailed, 0);
    return 0;
}
