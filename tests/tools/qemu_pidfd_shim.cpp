// Preloaded into the test programs of a cross build, which run under qemu's user-mode emulator,
// for one reason: qemu 7.2 (Debian 12) refuses clone(CLONE_PIDFD) with EINVAL, while the host
// kernel answers Qt's probe for it, waitid(P_PIDFD), as a kernel that has it. QProcess then
// starts no program at all. Answering the probe as an older kernel would makes Qt fork plainly.
#include <dlfcn.h>
#include <sys/syscall.h>

#include <cerrno>
#include <cstdarg>
#include <cstdlib>

namespace {

constexpr long kPidfdIdType = 3; // P_PIDFD

// Gone before the tests start anything: the host's own programs must not be handed an arm64
// library to preload.
__attribute__((constructor)) void ForgetPreload()
{
    unsetenv("LD_PRELOAD");
}

} // namespace

extern "C" long syscall(long nNumber, ...) noexcept
{
    // As glibc's own syscall() does: six register-sized arguments, whatever the call takes.
    std::va_list args;
    va_start(args, nNumber);
    long arrArgs[6];
    for (long& nArg : arrArgs)
        nArg = va_arg(args, long);
    va_end(args);
    if (nNumber == SYS_waitid && arrArgs[0] == kPidfdIdType) {
        errno = EINVAL;
        return -1;
    }
    using Syscall = long (*)(long, ...);
    static const auto real = reinterpret_cast<Syscall>(dlsym(RTLD_NEXT, "syscall"));
    return real(nNumber, arrArgs[0], arrArgs[1], arrArgs[2], arrArgs[3], arrArgs[4], arrArgs[5]);
}
