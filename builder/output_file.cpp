#include "builder/output_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "common/error.h"

namespace orlscr::mkscr {

namespace {

// The temporary file that a caught signal removes before the process ends. A
// signal handler may only touch a fixed buffer and a flag.
char gGuardedPath[4096];
volatile std::sig_atomic_t gGuarded = 0;
constexpr int kCaughtSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE};
struct sigaction gPrevious[std::size(kCaughtSignals)];

extern "C" void RemoveGuardedAndEnd(int signal) {
    if (gGuarded)
        ::unlink(gGuardedPath);
    // SA_RESETHAND gave the signal its default action again: it ends the
    // process as soon as this handler returns.
    ::raise(signal);
}

// Removes `path` when a signal ends the process, until Unguard().
void Guard(const std::string& path) {
    if (path.size() >= sizeof gGuardedPath)
        return;  // not guarded; the build goes on
    std::memcpy(gGuardedPath, path.c_str(), path.size() + 1);
    gGuarded = 1;
    struct sigaction action {};
    action.sa_handler = RemoveGuardedAndEnd;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (size_t k = 0; k < std::size(kCaughtSignals); ++k)
        ::sigaction(kCaughtSignals[k], &action, &gPrevious[k]);
}

void Unguard() {
    if (!gGuarded)
        return;
    for (size_t k = 0; k < std::size(kCaughtSignals); ++k)
        ::sigaction(kCaughtSignals[k], &gPrevious[k], nullptr);
    gGuarded = 0;
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string ErrorText() {
    return std::strerror(errno);
}

}  // namespace

struct OutputFile::Impl {
    std::string target;
    std::string temp;  // the named temporary file, when there is one
    int fd = -1;
    bool unnamed = false;
    bool committed = false;

    // A fresh name beside the target, created exclusively.
    int CreateTemporary() {
        std::random_device random;
        for (int attempt = 0; attempt < 16; ++attempt) {
            char suffix[32];
            std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(random()));
            temp = target + suffix;
            Guard(temp);  // before the file exists: a signal in between finds nothing to remove
            int f = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (f >= 0 || errno != EEXIST)
                return f;
        }
        return -1;
    }

    // Gives the unnamed file the name `path`; false with errno when it cannot.
    bool LinkUnnamed(const std::string& path) {
        char self[64];
        std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
        if (::linkat(AT_FDCWD, self, AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return true;
        if (errno != ENOENT)
            return false;
        return ::linkat(fd, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) == 0;  // no /proc
    }
};

OutputFile::OutputFile(const std::string& target) : impl_(std::make_unique<Impl>()) {
    impl_->target = target;
    const char* noTmpFile = std::getenv("ORLSCR_MKSCR_NO_TMPFILE");
    if (!(noTmpFile && std::strcmp(noTmpFile, "1") == 0)) {
        impl_->fd = ::open(FolderOf(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        impl_->unnamed = impl_->fd >= 0;
    }
    if (impl_->fd < 0)
        impl_->fd = impl_->CreateTemporary();
    if (impl_->fd < 0) {
        std::string reason = ErrorText();
        Unguard();
        throw Error("cannot create '" + target + "': " + reason);
    }
}

OutputFile::~OutputFile() {
    if (impl_->fd >= 0)
        ::close(impl_->fd);
    if (!impl_->committed && !impl_->temp.empty())
        ::unlink(impl_->temp.c_str());
    Unguard();
}

void OutputFile::Write(const void* data, size_t count) {
    const char* p = static_cast<const char*>(data);
    while (count > 0) {
        ssize_t n = ::write(impl_->fd, p, count);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw Error("cannot write '" + impl_->target + "': " + (n < 0 ? ErrorText() : "nothing was written"));
        p += n;
        count -= static_cast<size_t>(n);
    }
}

void OutputFile::Commit() {
    Impl& f = *impl_;
    if (f.unnamed) {
        // Straight to the target when it does not exist yet; to replace one,
        // through a temporary name and a rename, which replaces in one step.
        if (!f.LinkUnnamed(f.target)) {
            if (errno != EEXIST)
                throw Error("cannot create '" + f.target + "': " + ErrorText());
            std::random_device random;
            for (int attempt = 0; attempt < 16; ++attempt) {
                char suffix[32];
                std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(random()));
                f.temp = f.target + suffix;
                Guard(f.temp);
                if (f.LinkUnnamed(f.temp))
                    break;
                if (errno != EEXIST)
                    throw Error("cannot create '" + f.target + "': " + ErrorText());
                f.temp.clear();
            }
            if (f.temp.empty())
                throw Error("cannot create '" + f.target + "': no free temporary name");
        }
    }
    if (::close(f.fd) != 0) {
        f.fd = -1;
        throw Error("cannot write '" + f.target + "': " + ErrorText());
    }
    f.fd = -1;
    if (!f.temp.empty() && std::rename(f.temp.c_str(), f.target.c_str()) != 0)
        throw Error("cannot replace '" + f.target + "': " + ErrorText());
    f.committed = true;
    Unguard();
}

}  // namespace orlscr::mkscr
