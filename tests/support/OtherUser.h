#pragma once

#include <fcntl.h>
#include <grp.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <fstream>
#include <functional>
#include <string>

// Another user for tests of what one user may do to another's files.
inline constexpr uid_t kOtherUid = 65534;  // nobody
inline constexpr gid_t kOtherGid = 65534;
inline bool RunningAsRoot() {
    return ::geteuid() == 0;
}

struct ChildSetting {
    bool asOtherUser = false;  // needs root
    // An empty /proc as in a chroot; needs root. A file is then named by its descriptor alone
    // (linkat with AT_EMPTY_PATH), which kernels before 6.10 allow only with CAP_DAC_READ_SEARCH
    // and sandboxes may deny: here it is denied, whatever the kernel.
    bool withoutProc = false;
};
inline constexpr int kChildNoNamespace = 90;  // the child could not hide /proc

// Makes linkat with AT_EMPTY_PATH fail with ENOENT in this process from now on.
inline bool DenyLinkByDescriptor() {
#if defined(__x86_64__)
    constexpr __u32 arch = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
    constexpr __u32 arch = AUDIT_ARCH_AARCH64;
#else
    return false;
#endif
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, arch, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_linkat, 0, 3),
        // The flags, the fifth argument; its low half on a little-endian machine.
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[4])),
        BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, AT_EMPTY_PATH, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | ENOENT),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    const sock_fprog program{static_cast<unsigned short>(sizeof filter / sizeof filter[0]), filter};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

// Runs step in a child process set up as asked; its result (0..89), kChildNoNamespace, or -1. The
// empty /proc is mounted in a private mount namespace: the host's is never touched. With written,
// the bytes the child passed to write(2) in all, as the host's /proc counts them (-1 unknown).
inline int RunInChild(const ChildSetting& setting, const std::function<int()>& step,
                      long long* written = nullptr) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (setting.withoutProc &&
            (::unshare(CLONE_NEWNS) != 0 ||
             ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
             ::mount("none", "/proc", "tmpfs", 0, nullptr) != 0 || !DenyLinkByDescriptor()))
            ::_exit(kChildNoNamespace);
        if (setting.asOtherUser &&
            (::setgroups(0, nullptr) != 0 || ::setresgid(kOtherGid, kOtherGid, kOtherGid) != 0 ||
             ::setresuid(kOtherUid, kOtherUid, kOtherUid) != 0))
            ::_exit(91);
        ::_exit(step());
    }
    if (written) {
        *written = -1;
        // The ended child is looked at before it is reaped, while its counts are still there.
        siginfo_t info{};
        if (pid > 0 && ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) == 0) {
            std::ifstream io("/proc/" + std::to_string(pid) + "/io");
            for (std::string key; io >> key;)
                if (key == "wchar:") io >> *written;
        }
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}
