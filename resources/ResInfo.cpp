#include "library/CFUtils.h"

#include "library/Handles.h"

namespace {

enum PictureType { kNothing = 0, kBitmap = 1, kIcon = 2 };

// The holder loads through the third library, then the first.
const unsigned int kPictureLibraries = 0xC;

} // namespace

CResInfo::CResInfo(CResourceMgr* manager)
    : m_bDetached(0), m_nType(kNothing), m_hResource(NULL), m_pResourceMgr(manager)
{
}

CResInfo::~CResInfo()
{
    DeleteResource();
}

HICON CResInfo::IconHandle()
{
    return m_nType == kIcon ? static_cast<HICON>(m_hResource) : NULL;
}

HBITMAP CResInfo::BitmapHandle()
{
    return m_nType == kBitmap ? static_cast<HBITMAP>(m_hResource) : NULL;
}

void CResInfo::DetachResource()
{
    m_bDetached = 1;
}

void CResInfo::ClearResMembers()
{
    m_bDetached = 0;
    m_nType = kNothing;
    m_hResource = NULL;
}

// Icons are never destroyed here, whoever supplied them: a caller may share
// one with the platform's icon cache.
void CResInfo::DeleteResource()
{
    if (!m_bDetached && m_hResource && m_nType == kBitmap)
        DeleteObject(m_hResource);
    ClearResMembers();
}

int CResInfo::SetIconBmpRes(void* handle, int type)
{
    DeleteResource();
    m_hResource = handle;
    m_nType = type;
    m_bDetached = 1;
    return 1;
}

// A failed load still leaves the type it tried, as the holder's callers may
// look at it; a holder without a manager fails every load the same way.
int CResInfo::LoadIconBmpRes(int id, int type)
{
    if (type == m_nType && m_hResource)
        return 1;
    DeleteResource();
    if (type == 0 || type == kBitmap) {
        m_nType = kBitmap;
        m_hResource = m_pResourceMgr ? m_pResourceMgr->FindAndLoadBitmap(unsigned(id), kPictureLibraries) : NULL;
        if (m_hResource)
            return 1;
    }
    if (type == 0 || type == kIcon) {
        m_nType = kIcon;
        m_hResource = m_pResourceMgr ? m_pResourceMgr->FindAndLoadIcon(unsigned(id), kPictureLibraries) : NULL;
        return m_hResource != NULL;
    }
    return 0;
}

int CResInfo::DrawIconBmpRes(CWnd* window, HDC dc)
{
    if (!m_hResource)
        return 0;
    if (m_nType == kIcon)
        return DrawIcon(dc, 0, 0, static_cast<HICON>(m_hResource));
    RECT client;
    if (m_nType != kBitmap || !window || !GetClientRect(window->GetSafeHwnd(), &client))
        return 0;
    cfu::unique_hdc memory(CreateCompatibleDC(NULL));
    if (!memory)
        return 0;
    cfu::scoped_select selected(memory.get(), m_hResource);
    return BitBlt(dc, 0, 0, client.right - client.left, client.bottom - client.top, memory.get(), 0, 0,
                  SRCCOPY);
}
