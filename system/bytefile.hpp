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
    int tryCreateExclusive(const std::string& name);       // a new file only, read and write

    void openForReading(const std::string& name);
    void openForUpdate(const std::string& name);

    bool isOpen() const { return fd_ >= 0; }
    int descriptor() const { return fd_; }

    // The length in bytes, as a 32-bit value (a longer file is out of range).
    std::int32_t length() const;
    std::int64_t size() const;

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
    // Gives this file the permission bits of the file called name (where the system has them).
    int tryCopyPermissionsOf(const std::string& name);

    void close();

private:
    int fd_ = -1;
};

// Whether two names lead to the same existing file on disk.
bool sameFileOnDisk(const std::string& first, const std::string& second);

// Puts the file from in the place of the file to, in one step; 0 or the platform's error number.
int replaceFile(const std::string& from, const std::string& to);
int removeFile(const std::string& name);
