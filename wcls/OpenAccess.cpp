// OpenAccess.cpp - the security that gives every user full access.
#include "OpenAccess.h"

bool g_useFileSecurity;
PSECURITY_DESCRIPTOR g_openAccessSecurity;
SECURITY_ATTRIBUTES* g_openAccessAttributes;
