#include "library/CFUtils.h"
#include "schemes/SchemeTree.h"

using namespace cfu::schemes;

namespace {

const char kTemplateTail[] = "\\Devices\\.Default\\0000";

} // namespace

CRegDevice::CRegDevice(CString& name, unsigned int number, CRegScheme* scheme)
    : m_pScheme(ShareScheme(scheme)), m_strDeviceName(name), m_nDeviceNumber(number)
{
    m_strDeviceNumber.Format("%4.4u", number);
}

CRegDevice::~CRegDevice()
{
    ReleaseScheme(m_pScheme);
}

CString CRegDevice::DeviceTail(LPCSTR area) const
{
    return "\\Devices\\" + m_strDeviceName + "\\" + m_strDeviceNumber + area;
}

long CRegDevice::GetDeviceKey(CString& path)
{
    return SchemeSubkeyPath(m_pScheme, DeviceTail(""), path);
}

long CRegDevice::GetAssignmentKey(CString& path)
{
    return SchemeSubkeyPath(m_pScheme, DeviceTail("\\Assignments"), path);
}

long CRegDevice::GetAnimationKey(CString& path)
{
    return SchemeSubkeyPath(m_pScheme, DeviceTail("\\Annimations"), path);
}

long CRegDevice::GetUsabilityKey(CString& path)
{
    return SchemeSubkeyPath(m_pScheme, DeviceTail("\\Usability"), path);
}

long CRegDevice::NewDeviceKey()
{
    CString schemeKey;
    long status = SchemeSubkeyPath(m_pScheme, "", schemeKey);
    if (status != ERROR_SUCCESS)
        return status;
    CString templatePath = schemeKey + kTemplateTail;
    CString devicePath = schemeKey + DeviceTail("");
    // The template device itself would be copied onto itself, each value
    // gaining one more zero byte.
    if (devicePath.CompareNoCase(templatePath) == 0)
        return ERROR_SUCCESS;
    EntryPtr source(CRegEntry::OpenExisting(HKEY_LOCAL_MACHINE, templatePath));
    if (!source)
        return ERROR_SUCCESS;
    EntryPtr device(CRegEntry::CreateNew(HKEY_LOCAL_MACHINE, devicePath));
    return device ? source->CopyStructure(device.get()) : ERROR_SUCCESS;
}

void GetDevFamilyName(CString& name, unsigned int family)
{
    static const char* const kFamilies[] = {"JoyStick", "GamePad", "Wheel", "Trackorb"};
    if (family < sizeof(kFamilies) / sizeof(kFamilies[0]))
        name = kFamilies[family];
}
