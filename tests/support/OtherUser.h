#pragma once

#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

// Another user for tests of what one user may do to another's files.
inline constexpr uid_t kOtherUid = 65534;  // nobody
inline constexpr gid_t kOtherGid = 65534;
inline bool RunningAsRoot() {
    return ::geteuid() == 0;
}

struct ChildSetting {
    bool asOtherUser = false;  // needs root
    bool withoutProc = false;  // an empty /proc as in a chroot; needs root
};
inline constexpr int kChildNoNamespace = 90;  // the child could not hide /proc

// Runs step in a child process set up as asked; its result (0..89), kChildNoNamespace, or -1. The
// empty /proc is mounted in a private mount namespace: the host's is never touched.
inline int RunInChild(const ChildSetting& setting, const std::function<int()>& step) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (setting.withoutProc &&
            (::unshare(CLONE_NEWNS) != 0 ||
             ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
             ::mount("none", "/proc", "tmpfs", 0, nullptr) != 0))
            ::_exit(kChildNoNamespace);
        if (setting.asOtherUser &&
            (::setgroups(0, nullptr) != 0 || ::setresgid(kOtherGid, kOtherGid, kOtherGid) != 0 ||
             ::setresuid(kOtherUid, kOtherUid, kOtherUid) != 0))
            ::_exit(91);
        ::_exit(step());
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}
