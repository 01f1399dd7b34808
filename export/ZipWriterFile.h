#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The zip writer's access to files and memory, one implementation per system
// (ZipWriterFilePosix.cpp, ZipWriterFileWin.cpp); the writer itself is the
// same everywhere.
namespace kiv::zipfile {

#ifdef _WIN32
using NativeHandle = void*; // a HANDLE
#else
using NativeHandle = int; // a file descriptor
#endif

// What the writer records of a source file.
struct FileFacts
{
    bool regular = false; // a regular file, whose size is known
    bool directory = false;
    uint64_t size = 0;
    // Unix seconds.
    int64_t modified = 0;
    int64_t accessed = 0;
    int64_t created = 0;
    // MS-DOS attributes: read-only 0x01, hidden 0x02, system 0x04, archive 0x20.
    uint8_t dosAttributes = 0x20;
};

// A file the writer opened itself, or a caller's handle it only borrows.
class File
{
public:
    File() = default;
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Creates the file, replacing an existing one, with exclusive access.
    bool create(const char16_t* path);
    // Opens an existing file for reading, sharing read access.
    bool openForReading(const char16_t* path);
    // A caller's handle, left open; false when it is not an open handle.
    bool borrow(NativeHandle handle);

    bool isOpen() const;
    // Opened by the writer, as opposed to borrowed.
    bool owned() const { return m_owned; }
    // False when the file cannot be positioned (a pipe).
    bool position(uint64_t& offset) const;
    bool seek(uint64_t offset);
    // Whether every write lands at the end, wherever the position is.
    bool appends() const;
    bool facts(FileFacts& facts) const;

    bool writeAll(const uint8_t* data, size_t size);
    // Fills as much of buffer as the file allows; 0 at its end, -1 on an error.
    int64_t read(uint8_t* buffer, size_t capacity);
    // Reads at an offset without moving the position; false when the bytes are not all there.
    bool readAt(uint64_t offset, void* buffer, size_t size) const;
    bool truncate(uint64_t size);
    // Closes a file the writer opened; a borrowed handle is only let go.
    bool close();

private:
    NativeHandle m_handle = invalidHandle();
    bool m_owned = false;
    bool m_hiddenName = false; // POSIX: the name starts with a dot

    static NativeHandle invalidHandle();
};

// Read-write memory of the given length (backed by the page file on
// Windows); null when it cannot be had.
uint8_t* mapMemory(size_t length);
void unmapMemory(uint8_t* memory, size_t length);

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
std::string toUtf8(const char16_t* text);

} // namespace kiv::zipfile
