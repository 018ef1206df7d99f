#include "missions/MissionGroup.h"

#include "app/core/Options.h"
#include "comm/DbgInfoLog.h"
#include "comm/XDXml.h"

#include <algorithm>
#include <memory>

CMissionGroup* g_pProcMode = nullptr;
CMissionGroup* g_pPathMode = nullptr;
CMissionGroup* g_pRecycler = nullptr;
MISSION_MAP g_mapMissions;

namespace {

QString Decimal32(std::uint32_t uValue) {
    // Written as the signed reading of the 32 bits: no limit is "-1".
    return QString::number(static_cast<std::int32_t>(uValue));
}

// Drops the index entry of a mission leaving its group, but only when the
// entry is that mission's.
bool EraseFromIndex(const QString& strName, const CMission* pMission) {
    auto it = g_mapMissions.find(strName);
    if (it == g_mapMissions.end() || it->second != pMission)
        return false;
    g_mapMissions.erase(it);
    return true;
}

} // namespace

CMission* FindMission(const QString& strTargetName) {
    auto it = g_mapMissions.find(strTargetName);
    return it == g_mapMissions.end() ? nullptr : it->second;
}

CMissionGroup* GetGroup(const CMission* pMission) {
    if (!pMission)
        return nullptr;
    for (CMissionGroup* pGroup : {g_pProcMode, g_pPathMode, g_pRecycler}) {
        if (pGroup && pGroup->Find(pMission->strTargetName))
            return pGroup;
    }
    return nullptr;
}

CMissionGroup::CMissionGroup(const QString& strName) : m_strName(strName) {}

CMissionGroup::~CMissionGroup() {
    // The file first, so that it records which missions were running and
    // they are started again at the next start-up.
    Save();
    while (!m_vecMissions.empty()) {
        CMission* pMission = m_vecMissions.front();
        m_vecMissions.erase(m_vecMissions.begin());
        // A group may go while the index lives on (tests, a window created
        // twice): never leave it pointing at a destroyed mission.
        EraseFromIndex(pMission->strTargetName, pMission);
        delete pMission;
    }
}

QString CMissionGroup::FileName() const {
    return QStringLiteral("./Vrekta_") + m_strName + QStringLiteral(".vkm");
}

bool CMissionGroup::IsRecycler() const {
    return m_strName == QLatin1String(GROUP_NAME_RECYCLER);
}

BOOL CMissionGroup::Insert(CMission* pMission) {
    if (!pMission)
        return FALSE;
    if (g_mapMissions.count(pMission->strTargetName)) {
        DBG_LOG(8, "Insert mission<%s> to group<%s> refused: the name is already held.",
                pMission->strTargetName, m_strName);
        return FALSE;
    }
    if (IsRecycler() && pMission->bMissionActive) {
        pMission->Stop();
        if (pMission->bMissionActive) {
            // Nothing in the recycler may run; the library's refusal is
            // logged and the mission is kept as stopped all the same.
            DBG_LOG(8, "Stop of mission<%s> refused; it enters the recycler stopped.",
                    pMission->strTargetName);
            pMission->bMissionActive = FALSE;
        }
    }
    g_mapMissions[pMission->strTargetName] = pMission;
    m_vecMissions.push_back(pMission);
    pMission->LogOperation(
        QStringLiteral("Insert mission<%1> to group<%2>").arg(pMission->strTargetName, m_strName));
    return TRUE;
}

CMission* CMissionGroup::Take(const QString& strTargetName) {
    auto it = std::find_if(m_vecMissions.begin(), m_vecMissions.end(), [&](const CMission* p) {
        return SameTargetName(p->strTargetName, strTargetName);
    });
    if (it == m_vecMissions.end()) {
        DBG_LOG(15, "Not find mission to delete.");
        return nullptr;
    }
    CMission* pMission = *it;
    pMission->Stop();
    m_vecMissions.erase(it);
    DBG_LOG(15, "Remove pMission<%s>", strTargetName);
    if (!EraseFromIndex(strTargetName, pMission))
        DBG_LOG(8, "not find the mission<%s>", strTargetName);
    pMission->LogOperation(QStringLiteral("Remove mission<%1> from group<%2>")
                               .arg(pMission->strTargetName, m_strName));
    return pMission;
}

BOOL CMissionGroup::Remove(QString strTargetName) {
    Take(strTargetName);
    return TRUE;
}

BOOL CMissionGroup::Find(QString strTargetName) const {
    for (const CMission* pMission : m_vecMissions) {
        if (SameTargetName(pMission->strTargetName, strTargetName)) {
            DBG_LOG(4, "Find miss<%s> in group<%s>", strTargetName, m_strName);
            return TRUE;
        }
    }
    return FALSE;
}

BOOL CMissionGroup::Save() {
    CXDXml xml;
    if (!xml.CreateRoot(QStringLiteral("items"))) {
        DBG_LOG(8, "CreateRoot failed");
        return FALSE;
    }
    xml.AddChildElement(m_strName);
    for (const CMission* p : m_vecMissions) {
        xml.AddChildElement(QStringLiteral("MissionIndex"));
        xml.AddChildTextNode(QStringLiteral("strTargetName"), p->strTargetName);
        xml.AddChildTextNode(QStringLiteral("uMode"), Decimal32(p->uMode));
        xml.AddChildTextNode(QStringLiteral("uLimitReadSpeed"), Decimal32(p->uLimitReadSpeed));
        xml.AddChildTextNode(QStringLiteral("uLimitWriteSpeed"), Decimal32(p->uLimitWriteSpeed));
        xml.AddChildTextNode(QStringLiteral("llAlreadyReads"), QString::number(p->llAlreadyReads));
        xml.AddChildTextNode(QStringLiteral("llAlreadyWrites"),
                             QString::number(p->llAlreadyWrites));
        xml.AddChildTextNode(QStringLiteral("llLimitTotalReads"),
                             QString::number(p->llLimitTotalReads));
        xml.AddChildTextNode(QStringLiteral("llLimitTotalWrites"),
                             QString::number(p->llLimitTotalWrites));
        xml.AddChildTextNode(QStringLiteral("bMissionActive"), p->bMissionActive ? "1" : "0");
        xml.PopElement();
    }
    xml.PopElement();
    // A failed write is the XML layer's to report; the old file stays whole.
    xml.SaveXml(FileName());
    return TRUE;
}

BOOL CMissionGroup::Load() {
    CXDXml xml;
    if (!xml.Load(FileName())) {
        DBG_LOG(8, "Load xml failed");
        return FALSE;
    }
    CXDXmlNode nodes =
        xml.SelectNodes(QStringLiteral("items/") + m_strName + QStringLiteral("/MissionIndex"));
    if (nodes.IsEmpty())
        return TRUE;

    const int nCount = nodes.GetCount();
    for (int i = 0; i < nCount; ++i, nodes.MoveNext()) {
        auto Text = [&nodes](const char* pszKey) {
            return nodes.SelectSingleNode(QString::fromLatin1(pszKey)).GetText();
        };
        auto pMission = std::make_unique<CMission>();
        pMission->strTargetName = Text("strTargetName");
        pMission->uMode = ParseDecimal32(Text("uMode"));
        pMission->uLimitReadSpeed = ParseDecimal32(Text("uLimitReadSpeed"));
        pMission->uLimitWriteSpeed = ParseDecimal32(Text("uLimitWriteSpeed"));
        pMission->llAlreadyReads = ParseDecimal64(Text("llAlreadyReads"));
        pMission->llAlreadyWrites = ParseDecimal64(Text("llAlreadyWrites"));
        pMission->llLimitTotalReads = ParseDecimal64(Text("llLimitTotalReads"));
        pMission->llLimitTotalWrites = ParseDecimal64(Text("llLimitTotalWrites"));
        const bool bStoredActive = ParseDecimal32(Text("bMissionActive")) != 0;

        const char* pszFault = nullptr;
        if (pMission->strTargetName.isEmpty())
            pszFault = "empty name";
        else if (pMission->uMode != FLOW_MODE_PROCESS && pMission->uMode != FLOW_MODE_PATH)
            pszFault = "mode is neither 1 nor 2";
        else if ((m_strName == QLatin1String(GROUP_NAME_PROC_MODE) &&
                  pMission->uMode != FLOW_MODE_PROCESS) ||
                 (m_strName == QLatin1String(GROUP_NAME_PATH_MODE) &&
                  pMission->uMode != FLOW_MODE_PATH))
            pszFault = "mode does not belong to this group";
        else if (!IsValidTargetName(pMission->uMode, pMission->strTargetName))
            pszFault = "name does not fit the target rules";
        else if (FindMission(pMission->strTargetName))
            pszFault = "name already held by another mission";
        if (pszFault) {
            DBG_LOG(8, "Skip MissionIndex<%s> mode<%d> of group<%s>: %s", pMission->strTargetName,
                    pMission->uMode, m_strName, pszFault);
            // Not started, so its destruction calls nothing.
            continue;
        }

        // Start hands it to the library only from the stopped state.
        pMission->bMissionActive = FALSE;
        if (bStoredActive && !IsRecycler())
            pMission->Start();
        else
            pMission->Stop();
        Insert(pMission.release());
    }
    return TRUE;
}
