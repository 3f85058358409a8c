// The POSIX half of the platform layer: files, views with their SIGBUS
// guard, the temporary file renamed into place and removed when a signal
// ends the run, large buffers, the standard streams.
#include "platform.hpp"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <vector>
#include <fcntl.h>
#include <pthread.h>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "faultseam.hpp"

namespace platform {

namespace {

// Closes fd and fails with EISDIR where it is a folder or, with regularOnly,
// anything but a plain file; else returns it.
int refuseNonFile(int fd, bool regularOnly, int& error) {
    struct stat info {};
    if (::fstat(fd, &info) == 0 && (S_ISDIR(info.st_mode) || (regularOnly && !S_ISREG(info.st_mode)))) {
        ::close(fd);
        error = EISDIR;
        return -1;
    }
    return fd;
}

} // namespace

int openFile(const std::string& name, OpenMode mode, int& error) {
    int flags = mode == OpenMode::Read     ? O_RDONLY
                : mode == OpenMode::Update ? O_RDWR
                : mode == OpenMode::Create ? O_RDWR | O_CREAT | O_TRUNC
                                           : O_RDWR | O_CREAT;
    // A pipe or a device would make open wait for a writer; it is refused below anyway.
    if (mode == OpenMode::Read) flags |= O_NONBLOCK;
    int fd = ::open(name.c_str(), flags | O_CLOEXEC, 0666);
    if (fd < 0) {
        // A socket cannot be opened at all: refused as the other non-files are.
        error = mode == OpenMode::Read && errno == ENXIO ? EISDIR : errno;
        return -1;
    }
    return refuseNonFile(fd, mode == OpenMode::Read, error);
}

int closeFile(int fd) {
    if (int fault = injectedFault(FaultCall::Close)) {
        ::close(fd);
        return fault;
    }
    return ::close(fd) == 0 || errno == EINTR ? 0 : errno;
}

std::int64_t readAt(int fd, void* buffer, std::size_t count, std::int64_t offset, int& error) {
    for (;;) {
        ssize_t got = ::pread(fd, buffer, count, static_cast<off_t>(offset));
        if (got >= 0) return got;
        if (errno != EINTR) {
            error = errno;
            return -1;
        }
    }
}

std::int64_t writeAt(int fd, const void* buffer, std::size_t count, std::int64_t offset, int& error) {
    for (;;) {
        ssize_t put = ::pwrite(fd, buffer, count, static_cast<off_t>(offset));
        if (put >= 0) return put;
        if (errno != EINTR) {
            error = errno;
            return -1;
        }
    }
}

int reserve(int fd, std::int64_t from, std::int64_t length) {
    int result = ::posix_fallocate(fd, static_cast<off_t>(from), static_cast<off_t>(length - from));
    return result == EINVAL ? EOPNOTSUPP : result;
}

// Guarded views: when a mapped file shrinks, touching a page past its new
// end raises SIGBUS. The handler puts a private zero page in its place, counts
// the loss for the view, and lets the access go on; the pass then reports it.
//
// Each slot of the table has its own state, and the handler believes a slot
// only while it is Active. A slot is claimed by compare-and-swap, filled, and
// then made Active; it is released by leaving Active first, clearing end
// before start (the handler reads start before end, so it never sees a range
// that begins at 0), and only then is the view unmapped. The handler calls
// nothing but mmap and sigaction, keeps errno as it found it, and uses the
// page size read when it was installed.
namespace {

constexpr int guardSlots = 8;

enum SlotState : int { Free, Busy, Active };

struct GuardedView {
    std::atomic<int> state{Free};
    std::atomic<std::uintptr_t> start{0};
    std::atomic<std::uintptr_t> end{0};
    std::atomic<int> lostPages{0};
};

GuardedView guardedViews[guardSlots];
struct sigaction previousBusAction {};
std::uintptr_t pageSize = 0;
std::once_flag busHandlerInstalled;

// Puts a zero page under address where it lies in an active view.
bool replaceLostPage(std::uintptr_t address) {
    for (GuardedView& view : guardedViews) {
        if (view.state.load() != Active) continue;
        const std::uintptr_t start = view.start.load();
        const std::uintptr_t end = view.end.load();
        if (address < start || address >= end) continue;
        void* page = reinterpret_cast<void*>(address & ~(pageSize - 1));
        if (::mmap(page, pageSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) ==
            MAP_FAILED) {
            return false;
        }
        view.lostPages.fetch_add(1);
        return true;
    }
    return false;
}

// Not one of ours: the fault it always was. With the earlier action back in
// place (the default, say), the access faults again on return and ends the
// process; an earlier handler of its own is called at once.
void passOnBusError(int signal, siginfo_t* info, void* context) {
    ::sigaction(SIGBUS, &previousBusAction, nullptr);
    if (previousBusAction.sa_flags & SA_SIGINFO) {
        if (previousBusAction.sa_sigaction != nullptr) previousBusAction.sa_sigaction(signal, info, context);
    } else if (previousBusAction.sa_handler != SIG_DFL && previousBusAction.sa_handler != SIG_IGN) {
        previousBusAction.sa_handler(signal);
    }
}

void onBusError(int signal, siginfo_t* info, void* context) {
    // The interrupted code may be between a call and its look at errno.
    const int savedErrno = errno;
    if (!replaceLostPage(reinterpret_cast<std::uintptr_t>(info->si_addr))) passOnBusError(signal, info, context);
    errno = savedErrno;
}

int guardView(void* address, std::size_t length) {
    std::call_once(busHandlerInstalled, [] {
        pageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
        struct sigaction action {};
        action.sa_sigaction = onBusError;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &previousBusAction);
    });
    for (int slot = 0; slot < guardSlots; ++slot) {
        GuardedView& view = guardedViews[slot];
        int expected = Free;
        if (!view.state.compare_exchange_strong(expected, Busy)) continue;
        view.lostPages.store(0);
        view.start.store(reinterpret_cast<std::uintptr_t>(address));
        view.end.store(reinterpret_cast<std::uintptr_t>(address) + length);
        view.state.store(Active);
        return slot;
    }
    return -1;
}

void releaseGuard(int slot) {
    GuardedView& view = guardedViews[slot];
    view.state.store(Busy);
    view.end.store(0);
    view.start.store(0);
}

} // namespace

int mapFile(int fd, std::size_t length, bool writable, Mapping& mapping) {
    int protection = writable ? PROT_READ | PROT_WRITE : PROT_READ;
    int sharing = (writable ? MAP_SHARED : MAP_PRIVATE) | MAP_POPULATE;
    void* address = ::mmap(nullptr, length, protection, sharing, fd, 0);
    if (address == MAP_FAILED) return errno;
#ifdef __linux__
    // Writable pages made ready in one call rather than one fault each; an
    // older kernel without it faults them in as they are written.
    constexpr int populateWrite = 23;  // MADV_POPULATE_WRITE, Linux 5.14
    if (writable) ::madvise(address, length, populateWrite);
#endif
    int guard = guardView(address, length);
    if (guard < 0) {
        ::munmap(address, length);
        return ENOMEM;
    }
    mapping.address = address;
    mapping.length = length;
    mapping.guard = guard;
    return 0;
}

int unmapFile(Mapping& mapping) {
    if (mapping.address == nullptr) return 0;
    if (mapping.guard >= 0) releaseGuard(mapping.guard);
    int result = ::munmap(mapping.address, mapping.length) == 0 ? 0 : errno;
    if (mapping.guard >= 0) guardedViews[mapping.guard].state.store(Free);
    mapping = Mapping{};
    return result;
}

bool viewsCopyFiles() { return false; }

bool mappingLostPages(const Mapping& mapping) {
    return mapping.guard >= 0 && guardedViews[mapping.guard].lostPages.load() != 0;
}

#ifdef __linux__
namespace {

const char* const accessListName = "system.posix_acl_access";

// The file's access list, however long: 0, or the error (ENODATA: none).
int readAccessList(const std::string& name, std::vector<char>& list) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        ssize_t length = ::getxattr(name.c_str(), accessListName, nullptr, 0);
        if (length < 0) return errno;
        list.resize(static_cast<std::size_t>(length));
        length = ::getxattr(name.c_str(), accessListName, list.data(), list.size());
        if (length >= 0) {
            list.resize(static_cast<std::size_t>(length));
            return 0;
        }
        if (errno != ERANGE) return errno;  // ERANGE: it grew in between
    }
    return ERANGE;
}

// The rights of the owning group in a stored access list (a 4-byte version,
// then 8-byte entries: tag and rights of 2 bytes each, an id of 4), or 0
// when the list names none.
mode_t owningGroupRights(const std::vector<char>& list) {
    constexpr unsigned owningGroupTag = 0x04;
    for (std::size_t at = 4; at + 8 <= list.size(); at += 8) {
        const auto byte = [&](std::size_t i) { return static_cast<unsigned>(static_cast<unsigned char>(list[at + i])); };
        if ((byte(0) | byte(1) << 8) == owningGroupTag) return static_cast<mode_t>((byte(2) | byte(3) << 8) & 7);
    }
    return 0;
}

} // namespace
#endif

int copyOwnerAndAccess(const std::string& from, int to) {
    struct stat info {};
    if (::stat(from.c_str(), &info) != 0) return errno;
    // The owner where this process may give it (as root, say); else at least the group.
    if (::fchown(to, info.st_uid, info.st_gid) != 0 && ::fchown(to, static_cast<uid_t>(-1), info.st_gid) != 0) {
        // The runner's own owner and group stay.
    }
    mode_t mode = info.st_mode & 07777;
#ifdef __linux__
    // An access list carries the permission bits with it. Where it cannot go
    // with the file, the bits alone must not widen access: with a list, the
    // group bits are its mask, so the owning group gets only what both its
    // own entry and the mask allow, and nothing where the list is unreadable.
    // Named users and groups lose their access: narrower, never wider.
    std::vector<char> list;
    const int listRead = readAccessList(from, list);
    if (listRead == 0) {
        if (injectedFault(FaultCall::SetAccessList) == 0 &&
            ::fsetxattr(to, accessListName, list.data(), list.size(), 0) == 0) {
            return 0;
        }
        mode = (mode & ~mode_t{070}) | ((owningGroupRights(list) & (mode >> 3)) << 3);
    } else if (listRead != ENODATA && listRead != ENOTSUP) {
        mode &= ~mode_t{070};
    }
#endif
    return ::fchmod(to, mode) == 0 ? 0 : errno;
}

int syncFile(int fd) {
    for (;;) {
        if (::fsync(fd) == 0) return 0;
        if (errno != EINTR) return errno;
    }
}

namespace {

std::string folderOf(const std::string& name) {
    std::size_t slash = name.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : name.substr(0, slash);
}

} // namespace

std::string hiddenNameBeside(const std::string& name, int attempt) {
    std::size_t slash = name.find_last_of('/');
    std::string folder = slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
    return folder + "." + name.substr(folder.size()) + "." + std::to_string(::getpid()) + "-" + std::to_string(attempt);
}

std::string openFileName(int fd) { return "/proc/" + std::to_string(::getpid()) + "/fd/" + std::to_string(fd); }

int createTemporaryBeside(const std::string& name, std::string& temporaryName, int& error) {
    temporaryName.clear();
    if (int fault = injectedFault(FaultCall::Temporary)) {
        error = fault;
        return -1;
    }
#ifdef O_TMPFILE
    int fd = ::open(folderOf(name).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd >= 0) {
        // It is named at the end through /proc: without it, a named file from the start.
        if (::access(openFileName(fd).c_str(), F_OK) == 0) return fd;
        ::close(fd);
    } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        // Only a file system (or kernel) without unnamed files goes on to a name.
        error = errno;
        return -1;
    }
#endif
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string hidden = hiddenNameBeside(name, attempt);
        int named = ::open(hidden.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (named >= 0) {
            temporaryName = hidden;
            return named;
        }
        if (errno != EEXIST) break;
    }
    error = errno;
    return -1;
}

int nameTemporary(int fd, const std::string& hiddenName) {
    std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, hiddenName.c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
    int error = errno;
    // Without /proc, the privileged form.
    if (error != EEXIST && ::linkat(fd, "", AT_FDCWD, hiddenName.c_str(), AT_EMPTY_PATH) == 0) return 0;
    return error;
}

namespace {

char interruptRemoval[4096];
std::atomic<bool> interruptRemovalArmed{false};
std::atomic<bool> interruptHandlersInstalled{false};
// SIGQUIT too: it ends the process as the others do (with a core dump).
constexpr int interruptingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void onInterrupt(int signal) {
    // Only async-signal-safe calls: unlink, sigaction, raise.
    // The names follow one another, each ended by a zero byte; an empty one ends the list
    // (armed before the temporary has a name, the list is empty: nothing to remove).
    if (interruptRemovalArmed.load()) {
        for (const char* name = interruptRemoval; *name != '\0';) {
            ::unlink(name);
            while (*name != '\0') ++name;
            ++name;
        }
    }
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(signal, &fallback, nullptr);
    ::raise(signal);
}

sigset_t interruptSet() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : interruptingSignals) sigaddset(&set, signal);
    return set;
}

} // namespace

void removeOnInterrupt(const std::string* name) {
    if (name == nullptr || name->size() + 1 >= sizeof interruptRemoval) {
        interruptRemovalArmed.store(false);
        return;
    }
    if (!interruptHandlersInstalled.exchange(true)) {
        for (int signal : interruptingSignals) {
            struct sigaction previous {};
            ::sigaction(signal, nullptr, &previous);
            if (previous.sa_handler == SIG_IGN) continue;  // nohup and the like keep theirs
            struct sigaction action {};
            action.sa_handler = onInterrupt;
            sigemptyset(&action.sa_mask);
            ::sigaction(signal, &action, nullptr);
        }
    }
    interruptRemovalArmed.store(false);
    name->copy(interruptRemoval, name->size());
    interruptRemoval[name->size()] = '\0';
    interruptRemoval[name->size() + 1] = '\0';
    interruptRemovalArmed.store(true);
}

void holdInterrupts(bool hold) {
    const sigset_t set = interruptSet();
    ::pthread_sigmask(hold ? SIG_BLOCK : SIG_UNBLOCK, &set, nullptr);
}

void startWithoutInterrupts(const std::function<void()>& start) {
    const sigset_t set = interruptSet();
    sigset_t previous;
    ::pthread_sigmask(SIG_BLOCK, &set, &previous);
    try {
        start();
    } catch (...) {
        ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        throw;
    }
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

int removeFile(const std::string& name) { return ::unlink(name.c_str()) == 0 ? 0 : errno; }

void* allocateLargeBuffer(std::size_t& size) {
    // Whole 2 MiB pages, aligned so that the kernel can back them with large pages.
    constexpr std::size_t largePage = std::size_t{2} << 20;
    size = (size + largePage - 1) / largePage * largePage;
    void* buffer = nullptr;
    if (::posix_memalign(&buffer, largePage, size) != 0) return nullptr;
#ifdef MADV_HUGEPAGE
    ::madvise(buffer, size, MADV_HUGEPAGE);  // a hint: without it, ordinary pages serve
#endif
    return buffer;
}

void releaseLargeBuffer(void* buffer, std::size_t) { std::free(buffer); }


void prepareStandardStreams() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            int parked = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
            if (parked != -1 && parked != fd) {
                ::dup2(parked, fd);
                ::close(parked);
            }
        }
    }
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}

std::int64_t readStandardInput(void* buffer, std::size_t count, int& error) {
    for (;;) {
        ssize_t got = ::read(STDIN_FILENO, buffer, count);
        if (got >= 0) return got;
        if (errno != EINTR) {
            error = errno;
            return -1;
        }
    }
}

std::int64_t writeStandardOutput(const void* buffer, std::size_t count, int& error) {
    for (;;) {
        ssize_t put = ::write(STDOUT_FILENO, buffer, count);
        if (put >= 0) return put;
        if (errno != EINTR) {
            error = errno;
            return -1;
        }
    }
}

} // namespace platform
