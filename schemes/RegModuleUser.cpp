#include "library/CFUtils.h"
#include "schemes/SchemeTree.h"

using namespace cfu::schemes;

CRegModule::CRegModule(CRegScheme* scheme) : m_pScheme(ShareScheme(scheme))
{
}

CRegModule::~CRegModule()
{
    ReleaseScheme(m_pScheme);
}

long CRegModule::GetModuleKey(CString& path)
{
    return SchemeSubkeyPath(m_pScheme, "\\Page Extension Settings", path);
}

CRegUser::CRegUser(CRegScheme* scheme) : m_pScheme(ShareScheme(scheme))
{
}

CRegUser::~CRegUser()
{
    ReleaseScheme(m_pScheme);
}

long CRegUser::NewUserKey()
{
    if (!m_pScheme)
        return ERROR_INVALID_PARAMETER;
    return SeedUserKey(m_pScheme->CreateSchemePath());
}
