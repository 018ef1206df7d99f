#include "flowlib/ServiceManager.h"

#include "flowlib/DeviceChannel.h"
#include "flowlib/DeviceProtocol.h"
#include "flowlib/Service.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dlfcn.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace flow {

namespace {

inline constexpr char SERVICE_PROGRAM[] = "quorbeld";

bool IsProgram(const std::string& strPath) {
    struct stat st {};
    return stat(strPath.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           access(strPath.c_str(), X_OK) == 0;
}

// The folder this library was loaded from, so an installation keeps the
// library and the service together wherever it is unpacked.
std::string LibraryDir() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&LibraryDir), &info) || !info.dli_fname)
        return {};
    char szReal[PATH_MAX];
    if (!realpath(info.dli_fname, szReal))
        return {};
    std::string strPath = szReal;
    auto slash = strPath.rfind('/');
    return slash == std::string::npos ? std::string() : strPath.substr(0, slash);
}

} // namespace

int CServiceManager::Open() {
    const char* pszDevice = std::getenv(DEVICE_PATH_ENV);
    m_strDevicePath = pszDevice && *pszDevice ? pszDevice : DEFAULT_DEVICE_PATH;
    if (m_strDevicePath.size() >= sizeof(sockaddr_un::sun_path))
        return ENAMETOOLONG;
    m_strLibraryDir = LibraryDir();
    return 0;
}

std::string CServiceManager::FindProgram() const {
    if (const char* pszService = std::getenv(SERVICE_PATH_ENV); pszService && *pszService)
        return IsProgram(pszService) ? std::string(pszService) : std::string();
    if (m_strLibraryDir.empty())
        return {};
    for (const std::string& strCandidate :
         {m_strLibraryDir + "/" + SERVICE_PROGRAM, m_strLibraryDir + "/../sbin/" + SERVICE_PROGRAM})
        if (IsProgram(strCandidate))
            return strCandidate;
    return {};
}

int CServiceManager::OpenService(std::unique_ptr<CService>& pService) const {
    std::string strProgram = FindProgram();
    if (strProgram.empty() && CDeviceChannel::Probe(m_strDevicePath) != 0)
        return ENOENT;
    pService = std::make_unique<CService>(std::move(strProgram), m_strDevicePath);
    return 0;
}

} // namespace flow
