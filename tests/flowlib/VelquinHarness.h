// Loads a private copy of libvelquin.so for one test, with its environment
// (device, service, mount table, trace file) pointed into a temporary
// folder, so every test starts from a freshly loaded library.
#pragma once

#include "flowlib/DeviceProtocol.h"
#include "flowlib/FlowTypes.h"
#include "tests/support/FakeDriver.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace velquintest {

namespace fs = std::filesystem;

// Sets environment variables for a scope and restores the old values.
class CScopedEnv {
public:
    CScopedEnv() = default;
    CScopedEnv(const CScopedEnv&) = delete;
    CScopedEnv& operator=(const CScopedEnv&) = delete;
    ~CScopedEnv() {
        for (auto& [name, old] : m_Saved) {
            if (old)
                setenv(name.c_str(), old->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }
    void Set(const std::string& name, const std::string& value) {
        Save(name);
        setenv(name.c_str(), value.c_str(), 1);
    }
    void Unset(const std::string& name) {
        Save(name);
        unsetenv(name.c_str());
    }

private:
    void Save(const std::string& name) {
        if (m_Saved.count(name))
            return;
        const char* v = std::getenv(name.c_str());
        m_Saved[name] = v ? std::optional<std::string>(v) : std::nullopt;
    }
    std::map<std::string, std::optional<std::string>> m_Saved;
};

class CTempDir {
public:
    CTempDir() {
        char szTemplate[] = "/tmp/velquintest-XXXXXX";
        if (mkdtemp(szTemplate))
            m_Path = szTemplate;
    }
    ~CTempDir() {
        std::error_code ec;
        if (!m_Path.empty())
            fs::remove_all(m_Path, ec);
    }
    const fs::path& Path() const { return m_Path; }

private:
    fs::path m_Path;
};

inline std::string DataFile(const std::string& name) {
    return std::string(DRAVIK_TEST_DATA_DIR) + "/flowlib/" + name;
}

// The library under test: from the test environment's bin folder, else the
// one this test was built with.
inline fs::path BuiltLibrary() {
    if (const char* pszBin = std::getenv("DRAVIK_BIN_DIR"); pszBin && *pszBin)
        return fs::path(pszBin) / FLOW_LIBRARY_NAME;
    return VELQUIN_BUILT_LIBRARY;
}

// A loaded private copy of the library and its five entry points.
class CVelquin {
public:
    // Copies the built library into `dir` and loads it from there.
    explicit CVelquin(const fs::path& dir) {
        fs::create_directories(dir);
        m_Path = dir / FLOW_LIBRARY_NAME;
        std::error_code ec;
        fs::copy_file(BuiltLibrary(), m_Path, fs::copy_options::overwrite_existing, ec);
        if (ec) {
            m_strError = "cannot copy " + BuiltLibrary().string() + ": " + ec.message();
            return;
        }
        m_hLib = dlopen(m_Path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!m_hLib) {
            m_strError = dlerror();
            return;
        }
        Init = reinterpret_cast<LPFLOW_INIT>(dlsym(m_hLib, FLOW_EXPORT_INIT));
        UnInit = reinterpret_cast<LPFLOW_UNINIT>(dlsym(m_hLib, FLOW_EXPORT_UNINIT));
        AddMission = reinterpret_cast<LPFLOW_ADD_MISSION>(dlsym(m_hLib, FLOW_EXPORT_ADD_MISSION));
        RemoveMission =
            reinterpret_cast<LPFLOW_REMOVE_MISSION>(dlsym(m_hLib, FLOW_EXPORT_REMOVE_MISSION));
        GetLog = reinterpret_cast<LPGFLOW_GET_LOG>(dlsym(m_hLib, FLOW_EXPORT_GET_LOG));
        if (!Init || !UnInit || !AddMission || !RemoveMission || !GetLog)
            m_strError = "an entry point is missing";
    }
    ~CVelquin() { Unload(); }
    CVelquin(const CVelquin&) = delete;
    CVelquin& operator=(const CVelquin&) = delete;

    bool Loaded() const { return m_strError.empty(); }
    const std::string& Error() const { return m_strError; }
    void Unload() {
        if (m_hLib)
            dlclose(m_hLib);
        m_hLib = nullptr;
    }

    LPFLOW_INIT Init = nullptr;
    LPFLOW_UNINIT UnInit = nullptr;
    LPFLOW_ADD_MISSION AddMission = nullptr;
    LPFLOW_REMOVE_MISSION RemoveMission = nullptr;
    LPGFLOW_GET_LOG GetLog = nullptr;

private:
    fs::path m_Path;
    void* m_hLib = nullptr;
    std::string m_strError;
};

// The common set-up: a scripted device, a library copy of its own, the trace
// going to a file, and the mount table taken from a fixture. The service
// program is pointed at a path that does not exist, so nothing is started
// unless a test says so.
class VelquinTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_Dir.Path().empty());
        ASSERT_TRUE(m_Driver.IsListening()) << "fake device: errno " << m_Driver.Error();
        m_TracePath = m_Dir.Path() / "trace.log";
        m_Env.Set("QUORBEL_DEVICE", m_Driver.Path());
        m_Env.Set("QUORBEL_SERVICE", (m_Dir.Path() / "no-such-quorbeld").string());
        m_Env.Set("VELQUIN_TRACE", m_TracePath.string());
        m_Env.Set("VELQUIN_MOUNTINFO", DataFile("machine.mountinfo"));
        m_Env.Unset("VELQUIN_REQUEST_TIMEOUT_MS");
        m_Env.Unset("VELQUIN_START_TIMEOUT_MS");
        m_pLib = std::make_unique<CVelquin>(m_Dir.Path() / "lib");
        ASSERT_TRUE(m_pLib->Loaded()) << m_pLib->Error();
    }
    void TearDown() override { m_pLib.reset(); }

    CVelquin& Lib() { return *m_pLib; }

    // Every trace line written so far.
    std::vector<std::string> Trace() const {
        std::vector<std::string> lines;
        std::ifstream in(m_TracePath);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    void ClearTrace() { std::filesystem::remove(m_TracePath); }
    bool Traced(const std::string& line) const {
        auto lines = Trace();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    // Initialises against the fake device and forgets what that sent.
    void InitOk() {
        ASSERT_TRUE(Lib().Init());
        m_Driver.ClearRequests();
        ClearTrace();
    }

    CTempDir m_Dir;
    CFakeDriver m_Driver;
    CScopedEnv m_Env;
    fs::path m_TracePath;
    std::unique_ptr<CVelquin> m_pLib;
};

// Reads little-endian fields of a captured buffer.
inline std::uint32_t U32At(const std::vector<std::uint8_t>& b, std::size_t off) {
    return flow::GetU32(b.data() + off);
}
inline std::uint64_t U64At(const std::vector<std::uint8_t>& b, std::size_t off) {
    return flow::GetU64(b.data() + off);
}
inline std::vector<std::uint8_t> Utf16Bytes(const std::u16string& s) {
    std::vector<std::uint8_t> out;
    for (char16_t c : s) {
        out.push_back(static_cast<std::uint8_t>(c));
        out.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return out;
}
inline bool AllZero(const std::vector<std::uint8_t>& b, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i)
        if (b[i])
            return false;
    return true;
}

} // namespace velquintest
