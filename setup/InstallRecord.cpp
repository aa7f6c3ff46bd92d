// InstallRecord.cpp - the registry record an installed version leaves behind.
#include "InstallRecord.h"

#include <windows.h>

#include "SetupTexts.h"
#include "wcls/ErrorReport.h"
#include "wcls/Handles.h"
#include "wcls/Registry.h"

const char* InstallRecordKey(int version)
{
    switch (version) {
    case 5: return "software\\tarvo\\zunto5\\data";
    case 6: return "software\\tarvo\\zunto6\\data";
    case 7: return "software\\tarvo\\zunto7\\data";
    case 8: return "software\\tarvo\\zunto8\\data";
    default: return nullptr;
    }
}

int ReadInstallRecord(InstallRecord* record, int version)
{
    *record = InstallRecord();
    const char* keyName = InstallRecordKey(version);
    if (!keyName) {
        ReportKind(ERR_SYSTEM, SetupText::kVersionOutOfRange);
        return 0;
    }
    UniqueRegKey key;
    LONG result = RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyName, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_QUERY_VALUE | KEY_SET_VALUE | RegView(HKEY_LOCAL_MACHINE), nullptr, key.Put(), nullptr);
    if (result != ERROR_SUCCESS) {
        ReportSystemCode(ERR_SYSTEM, (DWORD)result, SetupText::kRegistryReadFailed, 0);
        return 0;
    }
    const String empty;
    return RegReadString(&record->KeyAppDir, key.Get(), "KeyAppDir", empty) &&
           RegReadString(&record->AppDir, key.Get(), "AppDir", empty) &&
           RegReadString(&record->pathShortcut1, key.Get(), "pathShortcut1", empty) &&
           RegReadString(&record->pathShortcut2, key.Get(), "pathShortcut2", empty) &&
           RegReadString(&record->mediaDir, key.Get(), SetupText::kMediaDirValue, empty) &&
           RegReadString(&record->mediaSum, key.Get(), SetupText::kMediaSumValue, empty);
}
