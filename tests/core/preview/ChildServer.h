#pragma once
// A server program the test starts as a child process: it prints
// "ready <port>" once it listens; it is killed when this object goes.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

class ChildServer
{
public:
    explicit ChildServer(const std::vector<std::string>& command)
    {
        int out[2];
        if (pipe(out) != 0) {
            return;
        }
        m_pid = fork();
        if (m_pid == 0) {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            close(out[1]);
            std::vector<char*> argv;
            for (const std::string& word : command) {
                argv.push_back(const_cast<char*>(word.c_str()));
            }
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        m_port = ReadPort(out[0]);
        close(out[0]);
    }
    ~ChildServer()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
    }
    ChildServer(const ChildServer&) = delete;
    ChildServer& operator=(const ChildServer&) = delete;

    // The port it listens on; 0 when it did not start.
    int Port() const { return m_port; }
    // The exit status of a child that ended before it was ready, else -1.
    int ExitStatus()
    {
        int status = 0;
        if (m_port == 0 && m_pid > 0 && waitpid(m_pid, &status, 0) == m_pid) {
            m_pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
        }
        return -1;
    }
    void Pause() { kill(m_pid, SIGSTOP); }
    void Resume() { kill(m_pid, SIGCONT); }

private:
    static int ReadPort(int fd)
    {
        std::string line;
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < until && line.find('\n') == std::string::npos) {
            pollfd wait{fd, POLLIN, 0};
            if (poll(&wait, 1, 200) <= 0) {
                continue;
            }
            char bytes[64];
            const ssize_t got = read(fd, bytes, sizeof bytes);
            if (got <= 0) {
                break;
            }
            line.append(bytes, static_cast<size_t>(got));
        }
        int port = 0;
        return std::sscanf(line.c_str(), "ready %d", &port) == 1 ? port : 0;
    }

    pid_t m_pid = -1;
    int m_port = 0;
};
