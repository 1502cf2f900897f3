// A private session bus for the D-Bus tests, and the test service on it: both started by the
// test and stopped with it. The bus variables point at the private bus for the test's time, the
// system bus at nothing, so that no test reaches a bus of the machine.
#pragma once

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/env_guard.h"

extern char** environ;

// A program started with its standard output on a pipe; ended and waited for when the object
// goes.
class CChildProcess {
public:
    explicit CChildProcess(std::vector<std::string> arrArgs) {
        int fds[2];
        if (pipe(fds) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        std::vector<char*> argv;
        for (std::string& strArg : arrArgs) argv.push_back(strArg.data());
        argv.push_back(nullptr);
        if (posix_spawnp(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        m_fdOut = fds[0];
    }
    ~CChildProcess() {
        if (m_pid > 0 && kill(m_pid, SIGTERM) == 0) waitpid(m_pid, nullptr, 0);
        if (m_fdOut >= 0) close(m_fdOut);
    }
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    // The first line the program writes, without its line break; empty when it ends or writes
    // nothing for half a minute first.
    std::string ReadLine() {
        std::string strLine;
        char c = 0;
        pollfd pfd = {m_fdOut, POLLIN, 0};
        while (m_pid > 0 && poll(&pfd, 1, 30000) == 1 && read(m_fdOut, &c, 1) == 1 && c != '\n')
            strLine += c;
        return c == '\n' ? strLine : std::string();
    }

private:
    pid_t m_pid = -1;
    int m_fdOut = -1;
};

class CPrivateBus {
public:
    CPrivateBus()
        : m_daemon({"dbus-daemon", "--config-file=" QJ_SOURCE_DIR "/tests/dbus/bus.conf",
                    "--nofork", "--print-address=1"}) {
        m_strAddress = m_daemon.ReadLine();
        if (!m_strAddress.empty()) m_session.Set(m_strAddress);
    }

    // False where dbus-daemon is missing or did not start.
    bool IsRunning() const { return !m_strAddress.empty(); }

private:
    CChildProcess m_daemon;
    std::string m_strAddress;
    CEnvGuard m_session{"DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/qjintp-no-bus"};
    CEnvGuard m_system{"DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/qjintp-no-bus"};
};
