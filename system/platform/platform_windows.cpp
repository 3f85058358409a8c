// The Windows half of the platform layer: files and views, the temporary file
// renamed into place, the console's Ctrl+C, large pages, the standard streams.
#include "platform.hpp"

#include "faultseam.hpp"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

namespace platform {

namespace {

HANDLE handleOf(int fd) { return reinterpret_cast<HANDLE>(::_get_osfhandle(fd)); }

// Windows error numbers onto the C library's, as far as the report names them.
int errnoOf(DWORD code) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND: return ENOENT;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME: return ENOTDIR;
    case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    default: return EIO;
    }
}

std::int64_t transferAt(int fd, void* buffer, std::size_t count, std::int64_t offset, bool write, int& error) {
    OVERLAPPED position{};
    position.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
    position.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD moved = 0;
    DWORD chunk = count > 0x40000000 ? 0x40000000 : static_cast<DWORD>(count);
    BOOL ok = write ? ::WriteFile(handleOf(fd), buffer, chunk, &moved, &position)
                    : ::ReadFile(handleOf(fd), buffer, chunk, &moved, &position);
    if (!ok) {
        DWORD code = ::GetLastError();
        if (!write && code == ERROR_HANDLE_EOF) return 0;
        error = errnoOf(code);
        return -1;
    }
    return moved;
}

bool fileIdentity(const std::string& name, BY_HANDLE_FILE_INFORMATION& info) {
    HANDLE file = ::CreateFileA(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = ::GetFileInformationByHandle(file, &info) != 0;
    ::CloseHandle(file);
    return ok;
}

// A stream that the parent closed may come as no handle at all (-1, -2) or as
// one that the system does not know.
bool usableHandle(intptr_t raw) {
    if (raw == -1 || raw == -2 || raw == 0) return false;
    HANDLE handle = reinterpret_cast<HANDLE>(raw);
    ::SetLastError(NO_ERROR);
    return ::GetFileType(handle) != FILE_TYPE_UNKNOWN || ::GetLastError() == NO_ERROR;
}

} // namespace

int openFile(const std::string& name, OpenMode mode, int& error) {
    int flags = mode == OpenMode::Read     ? _O_RDONLY
                : mode == OpenMode::Update ? _O_RDWR
                : mode == OpenMode::Create ? _O_RDWR | _O_CREAT | _O_TRUNC
                                           : _O_RDWR | _O_CREAT;
    int fd = ::_open(name.c_str(), flags | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    struct _stat64 info {};
    // For reading, anything but a file on disk (a pipe, a device such as NUL
    // or CON) is refused as a folder is.
    const bool noFile = mode == OpenMode::Read && ::GetFileType(handleOf(fd)) != FILE_TYPE_DISK;
    if ((::_fstat64(fd, &info) == 0 && (info.st_mode & _S_IFDIR) != 0) || noFile) {
        ::_close(fd);
        error = EISDIR;
        return -1;
    }
    return fd;
}

int closeFile(int fd) {
    if (int fault = injectedFault(FaultCall::Close)) {
        ::_close(fd);
        return fault;
    }
    return ::_close(fd) == 0 ? 0 : errno;
}

std::int64_t fileSize(int fd, int& error) {
    if (int fault = injectedFault(FaultCall::Size)) {
        error = fault;
        return -1;
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(handleOf(fd), &size)) {
        error = errnoOf(::GetLastError());
        return -1;
    }
    return size.QuadPart;
}

std::int64_t readAt(int fd, void* buffer, std::size_t count, std::int64_t offset, int& error) {
    return transferAt(fd, buffer, count, offset, false, error);
}

std::int64_t writeAt(int fd, const void* buffer, std::size_t count, std::int64_t offset, int& error) {
    return transferAt(fd, const_cast<void*>(buffer), count, offset, true, error);
}

int reserve(int fd, std::int64_t from, std::int64_t length) {
    (void)from;
    // Setting the end of file allocates the clusters on NTFS; they read as zero.
    return ::_chsize_s(fd, length) == 0 ? 0 : errno;
}

int truncateTo(int fd, std::int64_t length) {
    if (int fault = injectedFault(FaultCall::Truncate)) return fault;
    return ::_chsize_s(fd, length) == 0 ? 0 : errno;
}

int mapFile(int fd, std::size_t length, bool writable, Mapping& mapping) {
    HANDLE section = ::CreateFileMappingA(handleOf(fd), nullptr, writable ? PAGE_READWRITE : PAGE_READONLY,
                                          static_cast<DWORD>(static_cast<std::uint64_t>(length) >> 32),
                                          static_cast<DWORD>(length & 0xFFFFFFFF), nullptr);
    if (section == nullptr) return errnoOf(::GetLastError());
    void* address = ::MapViewOfFile(section, writable ? FILE_MAP_WRITE : FILE_MAP_READ, 0, 0, length);
    if (address == nullptr) {
        int error = errnoOf(::GetLastError());
        ::CloseHandle(section);
        return error;
    }
    mapping.address = address;
    mapping.length = length;
    mapping.handle = section;
    return 0;
}

int unmapFile(Mapping& mapping) {
    if (mapping.address == nullptr) return 0;
    int result = 0;
    if (!::UnmapViewOfFile(mapping.address)) result = errnoOf(::GetLastError());
    ::CloseHandle(static_cast<HANDLE>(mapping.handle));
    mapping = Mapping{};
    return result;
}

// A mapped file cannot be shortened on Windows: no page of a view is ever lost.
bool mappingLostPages(const Mapping&) { return false; }

bool viewsCopyFiles() { return false; }

bool sameFile(const std::string& first, const std::string& second) {
    BY_HANDLE_FILE_INFORMATION a{};
    BY_HANDLE_FILE_INFORMATION b{};
    if (!fileIdentity(first, a) || !fileIdentity(second, b)) return false;
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

bool sameOpenFile(int first, int second) {
    BY_HANDLE_FILE_INFORMATION a{};
    BY_HANDLE_FILE_INFORMATION b{};
    if (!::GetFileInformationByHandle(handleOf(first), &a) || !::GetFileInformationByHandle(handleOf(second), &b)) {
        return false;
    }
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

int copyOwnerAndAccess(const std::string& from, int) {
    // The new file takes the folder's inherited access, as the old one did.
    return ::GetFileAttributesA(from.c_str()) == INVALID_FILE_ATTRIBUTES ? ENOENT : 0;
}

int syncFile(int fd) { return ::FlushFileBuffers(handleOf(fd)) ? 0 : errnoOf(::GetLastError()); }

bool isFolder(const std::string& name) {
    DWORD attributes = ::GetFileAttributesA(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

std::string hiddenNameBeside(const std::string& name, int attempt) {
    std::size_t separator = name.find_last_of("/\\:");
    std::string folder = separator == std::string::npos ? std::string() : name.substr(0, separator + 1);
    return folder + "." + name.substr(folder.size()) + "." + std::to_string(::GetCurrentProcessId()) + "-" +
           std::to_string(attempt);
}

// Every temporary has a name here; others may delete it while it is open, so
// that an interrupt can remove it before the process ends.
int createTemporaryBeside(const std::string& name, std::string& temporaryName, int& error) {
    temporaryName.clear();
    if (int fault = injectedFault(FaultCall::Temporary)) {
        error = fault;
        return -1;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string hidden = hiddenNameBeside(name, attempt);
        HANDLE file = ::CreateFileA(hidden.c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            DWORD code = ::GetLastError();
            if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) continue;
            error = errnoOf(code);
            return -1;
        }
        int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file), _O_BINARY);
        if (fd < 0) {
            ::CloseHandle(file);
            ::DeleteFileA(hidden.c_str());
            error = EMFILE;
            return -1;
        }
        temporaryName = hidden;
        return fd;
    }
    error = EEXIST;
    return -1;
}

int nameTemporary(int, const std::string&) { return EOPNOTSUPP; }

std::string openFileName(int) { return {}; }

namespace {

char interruptRemoval[4096];
std::atomic<bool> interruptRemovalArmed{false};
std::atomic<bool> interruptHandlerInstalled{false};
CRITICAL_SECTION interruptHold;

// Runs on a thread of its own when Ctrl+C, Ctrl+Break or the window's close
// comes; FALSE lets the default handling end the process.
BOOL WINAPI onInterrupt(DWORD) {
    ::EnterCriticalSection(&interruptHold);
    // The names follow one another, each ended by a zero byte; an empty one ends the list.
    if (interruptRemovalArmed.load()) {
        for (const char* name = interruptRemoval; *name != '\0';) {
            ::DeleteFileA(name);
            while (*name != '\0') ++name;
            ++name;
        }
    }
    ::LeaveCriticalSection(&interruptHold);
    return FALSE;
}

void installInterruptHandler() {
    if (interruptHandlerInstalled.exchange(true)) return;
    ::InitializeCriticalSection(&interruptHold);
    ::SetConsoleCtrlHandler(onInterrupt, TRUE);
}

} // namespace

void removeOnInterrupt(const std::string* name) {
    installInterruptHandler();
    interruptRemovalArmed.store(false);
    if (name == nullptr || name->size() + 1 >= sizeof interruptRemoval) return;
    name->copy(interruptRemoval, name->size());
    interruptRemoval[name->size()] = '\0';
    interruptRemoval[name->size() + 1] = '\0';
    interruptRemovalArmed.store(true);
}

// Ctrl+C reaches a thread of its own here, whatever the others do.
void startWithoutInterrupts(const std::function<void()>& start) { start(); }

void holdInterrupts(bool hold) {
    installInterruptHandler();
    if (hold) {
        ::EnterCriticalSection(&interruptHold);
    } else {
        ::LeaveCriticalSection(&interruptHold);
    }
}

void sleepMilliseconds(int milliseconds) { ::Sleep(static_cast<DWORD>(milliseconds)); }

int removeFile(const std::string& name) { return ::DeleteFileA(name.c_str()) ? 0 : errnoOf(::GetLastError()); }

int replaceFile(const std::string& from, const std::string& to) {
    if (int fault = injectedFault(FaultCall::Rename)) return fault;
    if (::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 0;
    return errnoOf(::GetLastError());
}

void* allocateLargeBuffer(std::size_t& size) {
    // Large pages need a privilege that ordinary users lack: ordinary pages serve.
    return ::VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

void releaseLargeBuffer(void* buffer, std::size_t) {
    if (buffer != nullptr) ::VirtualFree(buffer, 0, MEM_RELEASE);
}

void prepareStandardStreams() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (!usableHandle(::_get_osfhandle(fd))) {
            ::_close(fd);
            int parked = ::_open("NUL", fd == 0 ? _O_RDONLY : _O_WRONLY);
            if (parked != -1 && parked != fd) {
                ::_dup2(parked, fd);
                ::_close(parked);
            }
        }
    }
    // Line ends are written as they are: no CR is added before LF.
    ::_setmode(0, _O_BINARY);
    ::_setmode(1, _O_BINARY);
}

std::int64_t readStandardInput(void* buffer, std::size_t count, int& error) {
    (void)error;
    // A standard input that Windows cannot read (the parent closed it) is
    // taken as ended: nobody can press Return there, and the run goes on.
    int got = ::_read(0, buffer, static_cast<unsigned>(count));
    return got < 0 ? 0 : got;
}

std::int64_t writeStandardOutput(const void* buffer, std::size_t count, int& error) {
    int put = ::_write(1, buffer, static_cast<unsigned>(count));
    if (put < 0) error = errno;
    return put;
}

} // namespace platform
