// EnvSec.h - section handles of ENV files: a section name bound to a file,
// or the section that does not exist.
#pragma once

#include <stdint.h>

#include "Data.h"
#include "FEnv2.h"
#include "FObject.h"

// The section interface: the FEnv2 operations without the section argument.
class EnvSec : public SafeObject {
public:
    virtual String GetString(const char* key, const char* def, int* found = nullptr) = 0;
    virtual bool SetString(const char* key, const char* value) = 0;
    // The section `name` below this one.
    virtual SafePtr<EnvSec> OpenSection(const char* name) = 0;
    virtual int32_t GetNumber(const char* key, int32_t def, int* found = nullptr) = 0;
    virtual bool SetNumber(const char* key, int32_t value) = 0;
};

// A section of an FEnv2, which it keeps alive. Nested sections are flat
// sections whose names are paths: Main, then Main\Window.
class FEnv2Sec : public EnvSec {
public:
    // A null name is the part of the file before the first header.
    FEnv2Sec(FEnv2* env, const char* name);

    String GetString(const char* key, const char* def, int* found = nullptr) override;
    bool SetString(const char* key, const char* value) override;
    SafePtr<EnvSec> OpenSection(const char* name) override;
    int32_t GetNumber(const char* key, int32_t def, int* found = nullptr) override;
    bool SetNumber(const char* key, int32_t value) override;

    const char* Name() const { return m_bNamed ? m_strName.CStr() : nullptr; }

private:
    SafePtr<FEnv2> m_env;
    String m_strName;
    bool m_bNamed;
};

// The section that does not exist: reads give the default, writes succeed
// and change nothing.
class NullEnvSec : public EnvSec {
public:
    String GetString(const char* key, const char* def, int* found = nullptr) override;
    bool SetString(const char* key, const char* value) override;
    SafePtr<EnvSec> OpenSection(const char* name) override;
    int32_t GetNumber(const char* key, int32_t def, int* found = nullptr) override;
    bool SetNumber(const char* key, int32_t value) override;
};
