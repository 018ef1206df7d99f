#include "app/core/FlowBinding.h"

#include "app/core/FlowApi.h"
#include "app/core/UserPrompt.h"
#include "comm/DbgInfoLog.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <dlfcn.h>

namespace {

QString LibraryFileName() {
    return QStringLiteral(FLOW_LIBRARY_NAME);
}

QString ExecutableDir() {
    // /proc/self/exe works before (and without) an application object.
    QFileInfo exe(QFile::symLinkTarget(QStringLiteral("/proc/self/exe")));
    return exe.absolutePath();
}

template <typename T> bool Resolve(const char* pszExport, T& pfn) {
    pfn = reinterpret_cast<T>(dlsym(g_FlowApi.hFlowDll, pszExport));
    return pfn != nullptr;
}

} // namespace

QString DefaultFlowLibraryPath() {
    const QString strDir = ExecutableDir();
    for (const QString& strCandidate : {strDir + QLatin1Char('/') + LibraryFileName(),
                                        strDir + QStringLiteral("/../lib/") + LibraryFileName()})
        if (QFileInfo::exists(strCandidate))
            return QFileInfo(strCandidate).absoluteFilePath();
    return LibraryFileName();
}

QString LoadFlowLibrary(const QString& strPath) {
    ReleaseFlowLibrary(); // a second binding replaces the first, never leaks it
    const QString strFile = strPath.isEmpty() ? DefaultFlowLibraryPath() : strPath;
    g_FlowApi.hFlowDll = dlopen(QFile::encodeName(strFile).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!g_FlowApi.hFlowDll) {
        // The loader's reason helps whoever reads the log; the message
        // itself stays the one the user knows.
        if (const char* pszReason = dlerror())
            DBG_LOG(8, "%s", pszReason);
        return QStringLiteral("Can not open ") + LibraryFileName();
    }
    return QString();
}

QString ResolveFlowExports() {
    auto failed = [](const char* pszType) {
        return QStringLiteral("Get %1 from %2 failed.")
            .arg(QLatin1String(pszType), LibraryFileName());
    };
    if (!Resolve(FLOW_EXPORT_INIT, g_FlowApi.pfnInit))
        return failed("LPFLOW_INIT");
    if (!Resolve(FLOW_EXPORT_UNINIT, g_FlowApi.pfnUnInit))
        return failed("LPFLOW_UNINIT");
    if (!Resolve(FLOW_EXPORT_ADD_MISSION, g_FlowApi.pfnAddMission))
        return failed("LPFLOW_ADD_MISSION");
    if (!Resolve(FLOW_EXPORT_REMOVE_MISSION, g_FlowApi.pfnRemoveMission))
        return failed("LPFLOW_REMOVE_MISSION");
    if (!Resolve(FLOW_EXPORT_GET_LOG, g_FlowApi.pfnGetLog))
        return failed("LPGFLOW_GET_LOG");
    return QString();
}

QString InitFlowSession() {
    if (!g_FlowApi.pfnInit || !g_FlowApi.pfnInit())
        return QStringLiteral("Flow ctrl init failed.");
    DBG_LOG(4, "Flow ctrl init OK.");
    return QString();
}

bool BindFlowLibrary(const QString& strPath) {
    QString strError = LoadFlowLibrary(strPath);
    if (strError.isEmpty())
        strError = ResolveFlowExports();
    if (strError.isEmpty())
        strError = InitFlowSession();
    if (strError.isEmpty())
        return true;
    DBG_LOG(8, "%s", strError);
    CUserPrompt::Ask(strError, PromptButtons::Ok, PromptIcon::Warning);
    return false;
}

void ReleaseFlowLibrary() {
    if (g_FlowApi.hFlowDll)
        dlclose(g_FlowApi.hFlowDll);
    g_FlowApi = FLOW_API{};
}
