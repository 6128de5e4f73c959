#include "library/CFUtils.h"

IMPLEMENT_DYNAMIC(CNotifyTarget, CObject)

CNotifyTarget::~CNotifyTarget() = default;

int CNotifyTarget::ReservedAfterNotify()
{
    return FALSE;
}

int CNotifyTarget::ReservedAfterUnRegister()
{
    return FALSE;
}
