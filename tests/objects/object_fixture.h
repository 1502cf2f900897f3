// What the object tests share: a folder with a registry file that names the sample server's
// classes, and a class whose library does not exist, made the process's registry for the
// lifetime of one test.
#pragma once

#include <fstream>
#include <string>

#include "sample_server/sample_server.h"
#include "support/env_guard.h"
#include "support/temp_dir.h"

class CSampleRegistry {
public:
    CSampleRegistry() {
        const std::string strLib = QJ_SAMPLE_SERVER_PATH;
        std::ofstream(m_dir / "classes")
            << SAMPLE_SERVER_PROGID << ' ' << SAMPLE_SERVER_CLSID << ' ' << strLib << '\n'
            << SAMPLE_NODISPATCH_PROGID << ' ' << SAMPLE_NODISPATCH_CLSID << ' ' << strLib << '\n'
            << "QJSample.Missing " << SAMPLE_SERVER_CLSID << ' ' << (m_dir / "libmissing.so")
            << '\n';
    }

    const CTempDir& Dir() const { return m_dir; }

private:
    CTempDir m_dir{"qjobjects"};
    CEnvGuard m_classes{"QJ_CLASSES", m_dir / "classes"};
};
