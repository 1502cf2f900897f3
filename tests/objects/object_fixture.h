// What the object tests share: a registry file that names the sample server's classes, made
// the process's registry for the lifetime of one test.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "automation/sample_server/sample_server.h"
#include "support/env_guard.h"

// A folder of its own with a registry file of the sample server's classes, and a class whose
// library does not exist.
class CSampleRegistry {
public:
    CSampleRegistry() : m_strDir(MakeDir()), m_classes("QJ_CLASSES", m_strDir + "/classes") {
        const std::string strLib = QJ_SAMPLE_SERVER_PATH;
        std::ofstream(m_strDir + "/classes")
            << SAMPLE_SERVER_PROGID << ' ' << SAMPLE_SERVER_CLSID << ' ' << strLib << '\n'
            << SAMPLE_NODISPATCH_PROGID << ' ' << SAMPLE_NODISPATCH_CLSID << ' ' << strLib << '\n'
            << "QJSample.Missing " << SAMPLE_SERVER_CLSID << ' ' << m_strDir << "/libmissing.so\n";
    }
    ~CSampleRegistry() { std::filesystem::remove_all(m_strDir); }
    CSampleRegistry(const CSampleRegistry&) = delete;
    CSampleRegistry& operator=(const CSampleRegistry&) = delete;

    const std::string& Dir() const { return m_strDir; }

private:
    static std::string MakeDir() {
        std::string strTemplate =
            (std::filesystem::temp_directory_path() / "qjobjects-XXXXXX").string();
        return mkdtemp(strTemplate.data()) ? strTemplate : std::string();
    }

    std::string m_strDir;
    CEnvGuard m_classes;
};
