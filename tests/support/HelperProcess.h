#pragma once

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

// A helper process for tests that need a second program: started with the arguments given
// (the first is its path), its standard input and output are pipes to the test. It says
// "ready" on its output once it is set up, and ends when its input is closed.
class HelperProcess {
public:
    explicit HelperProcess(std::vector<std::string> arguments) {
        int toChild[2];
        int fromChild[2];
        // Close-on-exec: another helper started later must not hold this one's input open.
        EXPECT_EQ(::pipe2(toChild, O_CLOEXEC), 0);
        EXPECT_EQ(::pipe2(fromChild, O_CLOEXEC), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, toChild[1]);
        posix_spawn_file_actions_addclose(&actions, fromChild[0]);
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        EXPECT_EQ(::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(toChild[0]);
        ::close(fromChild[1]);
        input_ = toChild[1];
        output_ = fromChild[0];
    }
    ~HelperProcess() { Finish(); }
    HelperProcess(const HelperProcess&) = delete;
    HelperProcess& operator=(const HelperProcess&) = delete;

    pid_t Pid() const { return pid_; }
    // Blocks until the helper has said "ready"; false when it ended first.
    bool WaitReady() {
        char buffer[6] = {};
        size_t got = 0;
        while (got < 6) {
            const ssize_t n = ::read(output_, buffer + got, 6 - got);
            if (n <= 0)
                return false;
            got += static_cast<size_t>(n);
        }
        return std::string(buffer, 6) == "ready\n";
    }
    // Ends the helper at once with SIGKILL and reaps it.
    void Kill() {
        if (pid_ > 0)
            ::kill(pid_, SIGKILL);
        Finish();
    }
    // Closes the helper's input and waits for it to end; its exit status.
    int Finish() {
        if (input_ >= 0) {
            ::close(input_);
            input_ = -1;
        }
        if (output_ >= 0) {
            ::close(output_);
            output_ = -1;
        }
        if (pid_ > 0) {
            int status = 0;
            ::waitpid(pid_, &status, 0);
            pid_ = -pid_;
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        return status_;
    }

private:
    pid_t pid_ = 0;
    int input_ = -1;
    int output_ = -1;
    int status_ = -1;
};
