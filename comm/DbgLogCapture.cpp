#include "comm/DbgLogCapture.h"

CDbgLogCapture::CDbgLogCapture() {
    m_Previous = SetDbgLogObserver([this](std::uint32_t nLevel, const QString& strMessage) {
        m_vecLines.push_back({nLevel, strMessage});
    });
}

CDbgLogCapture::~CDbgLogCapture() {
    SetDbgLogObserver(std::move(m_Previous));
}

std::vector<CDbgLogCapture::LINE> CDbgLogCapture::Lines() const {
    std::lock_guard<CCritSecLock> guard(g_DbgLock);
    return m_vecLines;
}

std::vector<QString> CDbgLogCapture::Messages() const {
    std::lock_guard<CCritSecLock> guard(g_DbgLock);
    std::vector<QString> vec;
    for (const LINE& line : m_vecLines)
        vec.push_back(line.strMessage);
    return vec;
}

bool CDbgLogCapture::Contains(std::uint32_t nLevel, const QString& strPart) const {
    std::lock_guard<CCritSecLock> guard(g_DbgLock);
    for (const LINE& line : m_vecLines)
        if (line.nLevel == nLevel && line.strMessage.contains(strPart))
            return true;
    return false;
}

bool CDbgLogCapture::Contains(const QString& strPart) const {
    std::lock_guard<CCritSecLock> guard(g_DbgLock);
    for (const LINE& line : m_vecLines)
        if (line.strMessage.contains(strPart))
            return true;
    return false;
}

void CDbgLogCapture::Clear() {
    std::lock_guard<CCritSecLock> guard(g_DbgLock);
    m_vecLines.clear();
}
