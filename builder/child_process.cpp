#include "builder/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <iterator>
#include <cstring>

#include "common/error.h"

namespace orlscr::mkscr {

namespace {

// A signal that asks mkscr to end while a program runs: the program's group is
// ended first, then the build unwinds (removing its work folder) and the
// signal is raised again. A handler may only set a flag.
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
volatile std::sig_atomic_t gStopSignal = 0;

extern "C" void NoteStopSignal(int signal) {
    gStopSignal = signal;
}

// Catches the stop signals while it lives, and puts back what was there.
class StopSignals {
  public:
    StopSignals() {
        struct sigaction action {};
        action.sa_handler = NoteStopSignal;
        sigemptyset(&action.sa_mask);  // no SA_RESTART: a wait returns at once
        for (size_t k = 0; k < std::size(kStopSignals); ++k)
            sigaction(kStopSignals[k], &action, &previous_[k]);
    }
    ~StopSignals() {
        for (size_t k = 0; k < std::size(kStopSignals); ++k)
            sigaction(kStopSignals[k], &previous_[k], nullptr);
    }

  private:
    struct sigaction previous_[std::size(kStopSignals)];
};

void KeepTail(std::string& output, const char* data, size_t size) {
    output.append(data, size);
    if (output.size() > kMaxChildOutput)
        output.erase(0, output.size() - kMaxChildOutput);
}

}  // namespace

void StopSignalError::RaiseAgain() const {
    signal(signal_, SIG_DFL);
    raise(signal_);
}

ChildOutcome RunChildProcess(const std::vector<std::string>& command, std::chrono::milliseconds limit) {
    if (command.empty())
        throw Error("no program to run");
    std::vector<char*> argv;
    for (const std::string& argument : command)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0)
        throw Error("cannot start " + command[0] + ": " + std::strerror(errno));
    // The child reports a failed exec through this pipe, closed on a good one.
    int execEnds[2];
    if (pipe2(execEnds, O_CLOEXEC) != 0) {
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        throw Error("cannot start " + command[0] + ": " + std::strerror(errno));
    }
    const pid_t pid = fork();
    if (pid < 0) {
        const int error = errno;
        for (int fd : {pipeEnds[0], pipeEnds[1], execEnds[0], execEnds[1]})
            close(fd);
        throw Error("cannot start " + command[0] + ": " + std::strerror(error));
    }
    if (pid == 0) {
        // Only async-signal-safe calls from here on.
        setpgid(0, 0);
        const int input = open("/dev/null", O_RDONLY);
        if (input >= 0)
            dup2(input, 0);
        dup2(pipeEnds[1], 1);
        dup2(pipeEnds[1], 2);
        execv(argv[0], argv.data());
        const int error = errno;
        (void)!write(execEnds[1], &error, sizeof error);
        _exit(127);
    }
    // Set from both sides, so the group exists before anything is sent to it.
    setpgid(pid, pid);
    close(pipeEnds[1]);
    close(execEnds[1]);
    int execError = 0;
    const bool execFailed = read(execEnds[0], &execError, sizeof execError) == sizeof execError;
    close(execEnds[0]);

    ChildOutcome outcome;
    gStopSignal = 0;
    const StopSignals stopSignals;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    bool exited = false;
    bool open = !execFailed;
    while ((open || !exited) && !gStopSignal) {
        if (!exited && waitpid(pid, &status, WNOHANG) == pid) {
            exited = true;
            // Whatever it started and left running goes with it, so the
            // output closes.
            kill(-pid, SIGKILL);
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            outcome.timedOut = !exited;
            break;
        }
        if (!open) {
            usleep(10000);
            continue;
        }
        // Short waits: the exit is noticed by waitpid.
        pollfd poller{pipeEnds[0], POLLIN, 0};
        if (poll(&poller, 1, static_cast<int>(std::min<long long>(left.count(), 50))) > 0) {
            char buffer[4096];
            const ssize_t n = read(pipeEnds[0], buffer, sizeof buffer);
            if (n > 0)
                KeepTail(outcome.output, buffer, static_cast<size_t>(n));
            else if (n == 0 || errno != EINTR)
                open = false;
        }
    }
    // The program after its limit, with the whole group it started.
    kill(-pid, SIGKILL);
    if (!exited) {
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    // What the group wrote before it ended, until the last of it has closed
    // the output (bounded: a process outside the group may hold it too).
    const auto drainEnd = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (open && std::chrono::steady_clock::now() < drainEnd) {
        pollfd poller{pipeEnds[0], POLLIN, 0};
        if (poll(&poller, 1, 50) <= 0)
            continue;
        char buffer[4096];
        const ssize_t n = read(pipeEnds[0], buffer, sizeof buffer);
        if (n > 0)
            KeepTail(outcome.output, buffer, static_cast<size_t>(n));
        else if (n == 0 || errno != EINTR)
            open = false;
    }
    close(pipeEnds[0]);
    if (gStopSignal)
        throw StopSignalError(gStopSignal);
    if (execFailed)
        throw Error("cannot start " + command[0] + ": " + std::strerror(execError));
    if (!outcome.timedOut && WIFEXITED(status))
        outcome.exitCode = WEXITSTATUS(status);
    return outcome;
}

}  // namespace orlscr::mkscr
