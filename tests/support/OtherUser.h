#pragma once

#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

// Another user for tests of what one user may do to another's files: nobody.
inline constexpr uid_t kOtherUid = 65534;
inline constexpr gid_t kOtherGid = 65534;

inline bool RunningAsRoot() {
    return ::geteuid() == 0;
}

// How a child process runs a step of a test.
struct ChildSetting {
    bool asOtherUser = false;  // drop to kOtherUid/kOtherGid (needs root)
    bool withoutProc = false;  // an empty /proc, as in a chroot or a sandbox (needs root)
};

// The exit codes of a child that could not be set up as asked.
inline constexpr int kChildNoNamespace = 90;
inline constexpr int kChildNoUser = 91;

// Runs step in a child process set up as asked and returns its result (0..89), or one of the
// codes above, or -1 when the child died. The host's /proc is never touched: the empty one is
// mounted in a private mount namespace.
inline int RunInChild(const ChildSetting& setting, const std::function<int()>& step) {
    const pid_t pid = ::fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        if (setting.withoutProc &&
            (::unshare(CLONE_NEWNS) != 0 ||
             ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
             ::mount("none", "/proc", "tmpfs", 0, nullptr) != 0))
            ::_exit(kChildNoNamespace);
        if (setting.asOtherUser &&
            (::setgroups(0, nullptr) != 0 || ::setresgid(kOtherGid, kOtherGid, kOtherGid) != 0 ||
             ::setresuid(kOtherUid, kOtherUid, kOtherUid) != 0))
            ::_exit(kChildNoUser);
        ::_exit(step());
    }
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}
