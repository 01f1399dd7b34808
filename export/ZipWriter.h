#pragma once

#include "export/ZipWriterFile.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The QString overloads are defined in ZipWriterQString.cpp, for the builds
// with Qt; the writer itself needs none.
class QString;

namespace kiv {

class Deflater;

// Writes zip archives: local headers, entry data (deflated or stored), the
// central directory and the end record. The handle returned by open/create is
// the archive itself; every call reports a result code and never throws.
class ZipWriter
{
public:
    enum Result : uint32_t {
        Ok = 0,
        CannotOpen = 0x00000200,      // archive or source file cannot be created or opened
        CannotMap = 0x00000300,       // in-memory target cannot be allocated
        WriteFailed = 0x00000400,     // header or entry data could not be written
        BadArguments = 0x00010000,
        MemoryTooSmall = 0x00030000,
        AlreadyFailed = 0x00040000,
        AlreadyClosed = 0x00050000,
        PartialBlock = 0x00060000,    // internal, reported as WriteFailed
        WrongMode = 0x00080000,
        TargetNotOpen = 0x01000000,
        CannotSeek = 0x02000000,
        HeaderChanged = 0x04000000,
        DeflateFailed = 0x05000000,   // internal, reported as WriteFailed
    };
    enum TargetKind { TargetHandle = 1, TargetPath = 2, TargetMemory = 3 };
    enum SourceKind { SourceHandle = 1, SourcePath = 2, SourceMemory = 3, SourceFolder = 4 };

    // New archive file at path (replaced when it exists). Null on failure.
    static ZipWriter* open(const char16_t* path, const char* password = nullptr);
    static ZipWriter* open(const QString& path, const char* password = nullptr);

    // General form. TargetHandle: target points to an open file descriptor,
    // a HANDLE on Windows (kept open; entries are offset from its current
    // position). TargetPath:
    // target is a zero-terminated UTF-16 path. TargetMemory: target is a
    // buffer of length bytes, or null to have the writer allocate length bytes.
    static ZipWriter* create(const void* target, size_t length, int targetKind,
                             const char* password = nullptr);

    // Adds the file at sourcePath under name (UTF-16; backslashes become slashes).
    static uint32_t addFile(ZipWriter* zip, const char16_t* name, const char16_t* sourcePath);
    static uint32_t addFile(ZipWriter* zip, const QString& name, const QString& sourcePath);

    // General form. SourceHandle: source points to a readable file descriptor
    // (a HANDLE on Windows), read from its current position for length bytes (0: to its end).
    // SourcePath: a zero-terminated UTF-16 path. SourceMemory: length bytes at
    // source. SourceFolder: a folder entry; source is ignored.
    static uint32_t addFile(ZipWriter* zip, const char16_t* name, const void* source,
                            uint64_t length, int sourceKind);

    // Memory targets: finishes the central directory and gives the archive bytes,
    // valid until close.
    static uint32_t getMemory(ZipWriter* zip, const void** data, size_t* length);

    // Writes the central directory unless done, releases the target, frees zip.
    static uint32_t close(ZipWriter* zip);

    // Result of this thread's most recent call.
    static uint32_t lastResult();

    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

private:
    struct Entry;
    struct Source;
    class Cipher;

    ZipWriter();

    uint32_t createTarget(const void* target, size_t length, int kind, const char* password);
    uint32_t add(const char16_t* name, const void* source, uint64_t length, int kind);
    uint32_t writeEntry(Entry& entry, Source& source);
    uint32_t writeStored(Entry& entry, Source& source, Cipher* cipher);
    uint32_t writeDeflated(Entry& entry, Source& source, Cipher* cipher);
    uint32_t writeCentralDirectory();
    uint32_t entryFailure(const Entry& entry);
    bool writeData(const uint8_t* data, size_t size, Cipher* cipher);
    bool write(const void* data, size_t size);
    bool writeAt(uint64_t offset, const void* data, size_t size);
    void releaseTarget();

    // Target.
    zipfile::File target_;
    uint8_t* memory_ = nullptr;
    size_t memoryLength_ = 0;
    bool ownsMemory_ = false;
    bool seekable_ = false;
    uint64_t start_ = 0;
    uint64_t written_ = 0;

    uint32_t outputError_ = 0; // sticky: seek failure, memory too small, target not open
    bool failed_ = false;
    bool centralWritten_ = false;
    std::string password_;
    bool hasPassword_ = false;
    std::vector<Entry> entries_;
    std::unique_ptr<Deflater> deflater_;
    std::vector<uint8_t> scratch_;
};

} // namespace kiv
