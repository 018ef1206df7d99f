// The library's view of the service layer: where the filter service's
// device lives and where its program is installed.
#pragma once

#include <memory>
#include <string>

namespace flow {

class CService;

class CServiceManager {
public:
    // Resolves the device address ($QUORBEL_DEVICE, else the default) and
    // the library's own folder. 0 or an errno value (ENAMETOOLONG when the
    // device path cannot be a socket address).
    int Open();

    // Finds the service: its program at $QUORBEL_SERVICE when that is set,
    // else "quorbeld" beside this library or in the install's sbin folder.
    // A service whose device already answers counts as installed even when
    // its program lies elsewhere (a system manager started it). ENOENT when
    // neither holds.
    int OpenService(std::unique_ptr<CService>& pService) const;

    const std::string& DevicePath() const { return m_strDevicePath; }

private:
    std::string FindProgram() const;

    std::string m_strDevicePath;
    std::string m_strLibraryDir;
};

} // namespace flow
