// EnvSec.cpp - section handles of ENV files.
#include "EnvSec.h"

// ---- FEnv2Sec ------------------------------------------------------------------

FEnv2Sec::FEnv2Sec(FEnv2* env, const char* name)
    : m_env(env), m_strName(name ? name : ""), m_bNamed(name != nullptr)
{
}

String FEnv2Sec::GetString(const char* key, const char* def, int* found)
{
    return m_env->GetString(Name(), key, def, found);
}

bool FEnv2Sec::SetString(const char* key, const char* value)
{
    return m_env->SetString(Name(), key, value);
}

SafePtr<EnvSec> FEnv2Sec::OpenSection(const char* name)
{
    if (!name) return SafePtr<EnvSec>(new FEnv2Sec(m_env.Get(), Name()));
    if (!m_bNamed) return SafePtr<EnvSec>(new FEnv2Sec(m_env.Get(), name));
    String path = m_strName + String("\\") + String(name);
    return SafePtr<EnvSec>(new FEnv2Sec(m_env.Get(), path.CStr()));
}

int32_t FEnv2Sec::GetNumber(const char* key, int32_t def, int* found)
{
    return m_env->GetNumber(Name(), key, def, found);
}

bool FEnv2Sec::SetNumber(const char* key, int32_t value)
{
    return m_env->SetNumber(Name(), key, value);
}

// ---- NullEnvSec ----------------------------------------------------------------

String NullEnvSec::GetString(const char*, const char* def, int* found)
{
    if (found) *found = 0;
    return String(def ? def : "");
}

bool NullEnvSec::SetString(const char*, const char*)
{
    return true;
}

SafePtr<EnvSec> NullEnvSec::OpenSection(const char*)
{
    return SafePtr<EnvSec>(this);
}

int32_t NullEnvSec::GetNumber(const char*, int32_t def, int* found)
{
    if (found) *found = 0;
    return def;
}

bool NullEnvSec::SetNumber(const char*, int32_t)
{
    return true;
}
