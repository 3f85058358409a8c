// A file of bytes addressed by explicit offsets. Every operation that fails
// ends the run with the failure report, except where a try-form returns the
// platform's error number for the caller to handle.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class ByteFile {
public:
    ByteFile() = default;
    ~ByteFile();
    ByteFile(ByteFile&& other) noexcept;
    ByteFile& operator=(ByteFile&& other) noexcept;
    ByteFile(const ByteFile&) = delete;
    ByteFile& operator=(const ByteFile&) = delete;

    // Returns 0 or the platform's error number.
    int tryOpenForReading(const std::string& name);
    int tryOpenForUpdate(const std::string& name);         // existing file, read and write
    int tryCreate(const std::string& name);                // create or truncate, read and write
    int tryOpenOrCreate(const std::string& name);          // read and write, an existing file kept as it is

    void openForReading(const std::string& name);
    void openForUpdate(const std::string& name);

    // Takes over an open descriptor (closing what was open before).
    void adopt(int fd);

    bool isOpen() const { return fd_ >= 0; }
    int descriptor() const { return fd_; }

    // The length in bytes, as a 32-bit value (a longer file is out of range).
    std::int32_t length() const;
    std::int64_t size() const;
    // The length, or -1 with error set: for destructors, which must not raise.
    std::int64_t trySize(int& error) const;

    // Reads up to count bytes at offset; returns how many arrived, or -1 and
    // sets error to the platform's error number.
    std::int64_t tryReadAt(std::int64_t offset, void* buffer, std::size_t count, int& error) const;
    // Reads exactly count bytes at offset; "Read beyond end of file" when fewer arrive.
    void readAt(std::int64_t offset, void* buffer, std::size_t count) const;
    // Writes exactly count bytes at offset; "Disk full" when fewer are stored.
    void writeAt(std::int64_t offset, const void* buffer, std::size_t count);
    // Returns false with error set when the bytes could not all be stored.
    bool tryWriteAt(std::int64_t offset, const void* buffer, std::size_t count, int& error);

    // Extends the file with zero bytes up to length, with the disk space reserved.
    void fillWithZeros(std::int64_t length);

    // Sets the length; 0 or the platform's error number.
    int tryTruncate(std::int64_t length);
    // Whether both open files are one file on disk, under whatever names.
    bool isSameFileAs(const ByteFile& other) const;
    // Gives this file the owner (where this process may), the access list or
    // else the permission bits of the file called name; ENOENT when it does not exist.
    int tryCopyOwnerAndAccessOf(const std::string& name);
    // Writes the file's data through to the disk; 0 or the platform's error number.
    int trySync();

    // The length that the writes so far are known to have left the file at
    // (-1 until one is settled), for checking that nobody cut it since.
    void settleLength(std::int64_t length) { settledLength_ = length; }
    std::int64_t settledLength() const { return settledLength_; }

    void close();

private:
    int fd_ = -1;
    std::int64_t settledLength_ = -1;
};

// Whether two names lead to the same existing file on disk.
bool sameFileOnDisk(const std::string& first, const std::string& second);
// Whether name leads to the open file.
bool nameLeadsTo(const std::string& name, const ByteFile& file);
// Whether name is an existing folder.
bool isFolder(const std::string& name);
