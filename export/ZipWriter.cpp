#include "export/ZipWriter.h"

#include "export/Deflater.h"
#include "export/ZipWriterFile.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <ctime>
#include <random>

namespace kiv {

namespace {

thread_local uint32_t lastResultValue = 0;

constexpr uint16_t VersionMadeBy = 0x0B17;
constexpr uint16_t VersionNeeded = 20;
constexpr uint16_t FlagEncrypted = 0x0001;
constexpr uint16_t FlagDataDescriptor = 0x0008;
constexpr uint16_t FlagUtf8 = 0x0800;
constexpr uint16_t MethodStored = 0;
constexpr uint16_t MethodDeflated = 8;
constexpr uint16_t LocalExtraLength = 17;
constexpr uint16_t CentralExtraLength = 9;
constexpr size_t LocalHeaderSize = 30;
constexpr size_t CentralRecordSize = 46;
constexpr size_t StoredBlockSize = 16384;
constexpr size_t EncryptionHeaderSize = 12;
constexpr uint64_t SizeLimit = uint64_t(1) << 32; // no Zip64: sizes and offsets stay below
constexpr size_t MaxEntries = 65535;
constexpr uint32_t FolderAttributes = 0x41C00010;   // directory 040700, DOS directory
constexpr uint32_t PipeAttributes = 0x80000000;     // regular file, no permission bits
constexpr uint32_t MemoryAttributes = 0x81800020;   // regular file 0100600, DOS archive
constexpr int64_t DosEpoch = 315532800;             // 1980-01-01 00:00:00 UTC
constexpr int64_t DosEnd = 4354819198;              // 2107-12-31 23:59:58 UTC

// Suffixes of data that is compressed already.
constexpr const char* StoredSuffixes[] = {".z", ".zip", ".zoo", ".arc", ".lzh", ".arj", ".gz", ".tgz"};

struct CrcTable
{
    uint32_t entries[256];
    CrcTable()
    {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            entries[n] = c;
        }
    }
};
const CrcTable crcTable;

inline uint32_t crcByte(uint32_t crc, uint8_t byte)
{
    return crcTable.entries[(crc ^ byte) & 0xFF] ^ (crc >> 8);
}

// Running CRC-32 without the final inversion.
uint32_t crcUpdate(uint32_t crc, const uint8_t* data, size_t size)
{
    for (size_t i = 0; i < size; ++i)
        crc = crcByte(crc, data[i]);
    return crc;
}

void put16(std::vector<uint8_t>& out, uint32_t value)
{
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

void putSignature(std::vector<uint8_t>& out, uint8_t a, uint8_t b)
{
    out.push_back('P');
    out.push_back('K');
    out.push_back(a);
    out.push_back(b);
}

uint32_t unixTime32(int64_t seconds)
{
    return uint32_t(std::clamp<int64_t>(seconds, 0, 0xFFFFFFFF));
}

void dosDateTime(int64_t seconds, uint16_t& dosTime, uint16_t& dosDate)
{
    const int64_t t = std::clamp(seconds, DosEpoch, DosEnd);
    const int64_t secondOfDay = t % 86400;
    // The civil date of a day count from 1970 (proleptic Gregorian); no
    // system call, so every system gives the same answer.
    const int64_t z = t / 86400 + 719468;
    const int64_t era = z / 146097;
    const int64_t dayOfEra = z - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    const int64_t day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    const int64_t month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    const int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    dosTime = uint16_t(((secondOfDay / 3600) << 11) | (((secondOfDay / 60) % 60) << 5) | ((secondOfDay % 60) / 2));
    dosDate = uint16_t((((year - 1980) & 0x7F) << 9) | (month << 5) | day);
}

bool isStoredName(const std::string& name)
{
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return false;
    std::string suffix = name.substr(dot);
    for (char& c : suffix)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    for (const char* stored : StoredSuffixes)
        if (suffix == stored)
            return true;
    return false;
}

// A Windows program image: "MZ" and, at the offset stored at 60, a known signature.
bool isExecutable(const zipfile::File& file, uint64_t start, uint64_t size)
{
    char magic[2];
    uint8_t pointer[4];
    if (size < 64 || !file.readAt(start, magic, 2) || std::memcmp(magic, "MZ", 2) != 0
        || !file.readAt(start + 60, pointer, 4))
        return false;
    const uint64_t header = uint64_t(pointer[0]) | uint64_t(pointer[1]) << 8 | uint64_t(pointer[2]) << 16
                            | uint64_t(pointer[3]) << 24;
    if (header + 2 > size || !file.readAt(start + header, magic, 2))
        return false;
    for (const char* signature : {"PE", "NE", "LE", "MZ"})
        if (std::memcmp(magic, signature, 2) == 0)
            return true;
    return false;
}

uint32_t fileAttributes(const zipfile::FileFacts& facts, bool executable)
{
    const bool readOnly = facts.dosAttributes & 0x01;
    uint32_t unixMode = 0100400;
    if (!readOnly)
        unixMode |= 0200;
    if (executable)
        unixMode |= 0100;
    return unixMode << 16 | facts.dosAttributes;
}

} // namespace

// One entry as it goes into the local header and the central directory.
struct ZipWriter::Entry
{
    std::string name;
    uint16_t flags = 0;
    uint16_t method = MethodDeflated;
    uint16_t dosTime = 0;
    uint16_t dosDate = 0;
    uint32_t crc = 0;
    uint64_t compressedSize = 0;
    uint64_t uncompressedSize = 0;
    uint32_t externalAttributes = 0;
    uint64_t offset = 0;
    uint32_t modified = 0;
    uint32_t accessed = 0;
    uint32_t created = 0;

    void putCommon(std::vector<uint8_t>& out) const
    {
        put16(out, VersionNeeded);
        put16(out, flags);
        put16(out, method);
        put16(out, dosTime);
        put16(out, dosDate);
        put32(out, crc);
        put32(out, uint32_t(compressedSize));
        put32(out, uint32_t(uncompressedSize));
        put16(out, uint32_t(name.size()));
    }

    std::vector<uint8_t> localHeader() const
    {
        std::vector<uint8_t> out;
        putSignature(out, 3, 4);
        putCommon(out);
        put16(out, LocalExtraLength);
        out.insert(out.end(), name.begin(), name.end());
        put16(out, 0x5455);
        put16(out, 13);
        out.push_back(7);
        put32(out, modified);
        put32(out, accessed);
        put32(out, created);
        return out;
    }

    std::vector<uint8_t> centralRecord() const
    {
        std::vector<uint8_t> out;
        putSignature(out, 1, 2);
        put16(out, VersionMadeBy);
        putCommon(out);
        put16(out, CentralExtraLength);
        put16(out, 0); // comment
        put16(out, 0); // disk number start
        put16(out, 0); // internal attributes
        put32(out, externalAttributes);
        put32(out, uint32_t(offset));
        out.insert(out.end(), name.begin(), name.end());
        put16(out, 0x5455);
        put16(out, 5);
        out.push_back(7);
        put32(out, modified);
        return out;
    }
};

// Where an entry's data comes from, with the attributes and times it reports.
struct ZipWriter::Source
{
    zipfile::File file;
    const uint8_t* memory = nullptr;
    bool limited = false; // stop after remaining bytes
    uint64_t remaining = 0;
    bool sizeKnown = false;
    uint64_t size = 0;
    int64_t modified = 0;
    int64_t accessed = 0;
    int64_t created = 0;
    uint32_t attributes = 0;
    bool folder = false;

    void setCurrentTime()
    {
        modified = accessed = created = int64_t(std::time(nullptr));
    }

    void setFileTimes(const zipfile::FileFacts& facts)
    {
        modified = facts.modified;
        accessed = facts.accessed;
        created = facts.created;
    }

    uint32_t openPath(const char16_t* path)
    {
        zipfile::FileFacts facts;
        if (!file.openForReading(path) || !file.facts(facts) || facts.directory)
            return CannotOpen;
        sizeKnown = facts.regular;
        size = facts.size;
        setFileTimes(facts);
        attributes = fileAttributes(facts, isExecutable(file, 0, facts.size));
        return Ok;
    }

    // A caller's handle, read from its current position; length 0 reads to its end.
    uint32_t openHandle(zipfile::NativeHandle handle, uint64_t length)
    {
        zipfile::FileFacts facts;
        if (!file.borrow(handle) || !file.facts(facts))
            return CannotOpen;
        limited = length != 0;
        remaining = length;
        uint64_t position = 0;
        if (facts.regular && file.position(position)) {
            const uint64_t available = facts.size > position ? facts.size - position : 0;
            sizeKnown = true;
            size = length ? std::min(length, available) : available;
            setFileTimes(facts);
            attributes = fileAttributes(facts, isExecutable(file, position, available));
        } else {
            sizeKnown = length != 0;
            size = length;
            setCurrentTime();
            attributes = PipeAttributes;
        }
        return Ok;
    }

    void openMemory(const uint8_t* data, uint64_t length)
    {
        memory = data;
        limited = true;
        remaining = length;
        sizeKnown = true;
        size = length;
        setCurrentTime();
        attributes = MemoryAttributes;
    }

    void openFolder()
    {
        folder = true;
        sizeKnown = true;
        setCurrentTime();
        attributes = FolderAttributes;
    }

    // Fills as much of buffer as the input allows; 0 at its end, -1 on an error.
    int64_t read(uint8_t* buffer, size_t capacity)
    {
        if (limited)
            capacity = size_t(std::min<uint64_t>(capacity, remaining));
        size_t done = 0;
        if (memory) {
            std::memcpy(buffer, memory, capacity);
            memory += capacity;
            done = capacity;
        } else if (file.isOpen()) {
            const int64_t n = file.read(buffer, capacity);
            if (n < 0)
                return -1;
            done = size_t(n);
        }
        remaining -= std::min<uint64_t>(remaining, done);
        return int64_t(done);
    }
};

// Traditional PKWARE encryption.
class ZipWriter::Cipher
{
public:
    explicit Cipher(const std::string& password)
    {
        for (char c : password)
            update(uint8_t(c));
    }

    void encrypt(uint8_t* data, size_t size)
    {
        for (size_t i = 0; i < size; ++i) {
            const uint8_t plain = data[i];
            data[i] = plain ^ streamByte();
            update(plain);
        }
    }

    // The 12 random bytes before the data; the last lets readers check the password.
    std::array<uint8_t, EncryptionHeaderSize> header(uint8_t check)
    {
        thread_local std::mt19937 random(uint32_t(
            std::chrono::steady_clock::now().time_since_epoch().count()
            ^ reinterpret_cast<uintptr_t>(&check)));
        std::array<uint8_t, EncryptionHeaderSize> bytes;
        for (uint8_t& b : bytes)
            b = uint8_t(random() >> 24);
        bytes[EncryptionHeaderSize - 1] = check;
        encrypt(bytes.data(), bytes.size());
        return bytes;
    }

private:
    void update(uint8_t plain)
    {
        keys_[0] = crcByte(keys_[0], plain);
        keys_[1] = (keys_[1] + (keys_[0] & 0xFF)) * 134775813u + 1;
        keys_[2] = crcByte(keys_[2], uint8_t(keys_[1] >> 24));
    }

    uint8_t streamByte() const
    {
        const uint32_t t = (keys_[2] | 2) & 0xFFFF;
        return uint8_t((t * (t ^ 1)) >> 8);
    }

    uint32_t keys_[3] = {305419896u, 591751049u, 878082192u};
};

ZipWriter::ZipWriter() = default;

ZipWriter::~ZipWriter()
{
    releaseTarget();
}

uint32_t ZipWriter::lastResult()
{
    return lastResultValue;
}

ZipWriter* ZipWriter::open(const char16_t* path, const char* password)
{
    return create(path, 0, TargetPath, password);
}

ZipWriter* ZipWriter::create(const void* target, size_t length, int targetKind,
                             const char* password)
{
    std::unique_ptr<ZipWriter> zip(new ZipWriter);
    lastResultValue = zip->createTarget(target, length, targetKind, password);
    return lastResultValue == Ok ? zip.release() : nullptr;
}

uint32_t ZipWriter::createTarget(const void* target, size_t length, int kind,
                                 const char* password)
{
    if (password) {
        password_ = password;
        hasPassword_ = true;
    }
    switch (kind) {
    case TargetHandle: {
        if (!target)
            return BadArguments;
        if (!target_.borrow(*static_cast<const zipfile::NativeHandle*>(target)))
            return TargetNotOpen;
        uint64_t position = 0;
        // Rewriting a header of an appending handle would land at the end.
        seekable_ = target_.position(position) && !target_.appends();
        start_ = seekable_ ? position : 0;
        return Ok;
    }
    case TargetPath: {
        if (!target)
            return BadArguments;
        if (!target_.create(static_cast<const char16_t*>(target)))
            return CannotOpen;
        seekable_ = true;
        return Ok;
    }
    case TargetMemory: {
        if (length == 0)
            return MemoryTooSmall;
        if (target) {
            memory_ = static_cast<uint8_t*>(const_cast<void*>(target));
        } else {
            memory_ = zipfile::mapMemory(length);
            if (!memory_)
                return CannotMap;
            ownsMemory_ = true;
        }
        memoryLength_ = length;
        seekable_ = true;
        return Ok;
    }
    default:
        return BadArguments;
    }
}

uint32_t ZipWriter::addFile(ZipWriter* zip, const char16_t* name, const char16_t* sourcePath)
{
    return addFile(zip, name, sourcePath, 0, SourcePath);
}

uint32_t ZipWriter::addFile(ZipWriter* zip, const char16_t* name, const void* source,
                            uint64_t length, int sourceKind)
{
    if (!zip)
        return lastResultValue = BadArguments;
    return lastResultValue = zip->add(name, source, length, sourceKind);
}

uint32_t ZipWriter::getMemory(ZipWriter* zip, const void** data, size_t* length)
{
    if (!zip || !data || !length || !zip->memory_)
        return lastResultValue = BadArguments;
    uint32_t result = Ok;
    if (!zip->centralWritten_)
        result = zip->writeCentralDirectory();
    *data = zip->memory_;
    *length = size_t(zip->written_);
    return lastResultValue = result;
}

uint32_t ZipWriter::close(ZipWriter* zip)
{
    if (!zip)
        return lastResultValue = BadArguments;
    uint32_t result = Ok;
    if (!zip->centralWritten_)
        result = zip->writeCentralDirectory();
    if (zip->target_.owned()) {
        // Drops the remains of a failed last entry behind the end record.
        if (zip->seekable_ && !zip->target_.truncate(zip->start_ + zip->written_) && result == Ok)
            result = WriteFailed;
        if (!zip->target_.close() && result == Ok)
            result = WriteFailed;
    }
    delete zip;
    return lastResultValue = result;
}

uint32_t ZipWriter::add(const char16_t* name, const void* source, uint64_t length, int kind)
{
    if (failed_)
        return AlreadyFailed;
    if (centralWritten_)
        return AlreadyClosed;
    // Any refused entry leaves the archive failed; close keeps the earlier entries.
    failed_ = true;
    if (!name || kind < SourceHandle || kind > SourceFolder || (!source && kind != SourceFolder))
        return BadArguments;

    Entry entry;
    // Slashes separate folders in zip names, whatever the platform wrote.
    entry.name = zipfile::toUtf8(name);
    std::replace(entry.name.begin(), entry.name.end(), '\\', '/');
    if (entry.name.empty())
        return BadArguments;
    if (kind == SourceFolder && entry.name.back() != '/')
        entry.name += '/';
    if (entry.name.size() > 0xFFFF)
        return BadArguments;
    if (entries_.size() >= MaxEntries)
        return WriteFailed;

    Source input;
    uint32_t opened = Ok;
    switch (kind) {
    case SourcePath:
        opened = input.openPath(static_cast<const char16_t*>(source));
        break;
    case SourceHandle:
        opened = input.openHandle(*static_cast<const zipfile::NativeHandle*>(source), length);
        break;
    case SourceMemory:
        input.openMemory(static_cast<const uint8_t*>(source), length);
        break;
    case SourceFolder:
        input.openFolder();
        break;
    }
    if (opened != Ok)
        return opened;
    if (input.size >= SizeLimit || written_ >= SizeLimit)
        return WriteFailed;

    entry.method = (input.folder || isStoredName(entry.name)) ? MethodStored : MethodDeflated;
    const uint32_t result = writeEntry(entry, input);
    if (result == Ok) {
        entries_.push_back(entry);
        failed_ = false;
    }
    return result;
}

uint32_t ZipWriter::writeEntry(Entry& entry, Source& source)
{
    const bool encrypted = hasPassword_ && !source.folder;
    entry.flags = FlagDataDescriptor | (encrypted ? FlagEncrypted : 0);
    for (unsigned char c : entry.name)
        if (c > 0x7F)
            entry.flags |= FlagUtf8;
    dosDateTime(source.modified, entry.dosTime, entry.dosDate);
    entry.modified = unixTime32(source.modified);
    entry.accessed = unixTime32(source.accessed);
    entry.created = unixTime32(source.created);
    entry.externalAttributes = source.attributes;
    entry.uncompressedSize = source.sizeKnown ? source.size : 0;
    entry.compressedSize = 0;
    if (entry.method == MethodStored && source.sizeKnown)
        entry.compressedSize = source.size + (encrypted ? EncryptionHeaderSize : 0);
    entry.offset = written_;

    const std::vector<uint8_t> header = entry.localHeader();
    const uint64_t announced = entry.compressedSize;
    if (!write(header.data(), header.size()))
        return entryFailure(entry);

    std::unique_ptr<Cipher> cipher;
    const uint64_t dataStart = written_;
    if (encrypted) {
        cipher = std::make_unique<Cipher>(password_);
        const auto check = cipher->header(uint8_t(entry.dosTime >> 8));
        if (!write(check.data(), check.size()))
            return entryFailure(entry);
    }
    uint32_t result = Ok;
    if (entry.method == MethodDeflated)
        result = writeDeflated(entry, source, cipher.get());
    else if (!source.folder)
        result = writeStored(entry, source, cipher.get());
    if (result != Ok)
        return entryFailure(entry);
    entry.compressedSize = written_ - dataStart;
    if (entry.compressedSize >= SizeLimit || written_ >= SizeLimit)
        return entryFailure(entry);

    if (seekable_ && !encrypted) {
        entry.flags &= ~FlagDataDescriptor;
        const std::vector<uint8_t> rewritten = entry.localHeader();
        if (!writeAt(entry.offset, rewritten.data(), rewritten.size()))
            return entryFailure(entry);
        return Ok;
    }
    if (entry.method == MethodStored && announced != entry.compressedSize)
        return HeaderChanged;
    std::vector<uint8_t> descriptor;
    putSignature(descriptor, 7, 8);
    put32(descriptor, entry.crc);
    put32(descriptor, uint32_t(entry.compressedSize));
    put32(descriptor, uint32_t(entry.uncompressedSize));
    if (!write(descriptor.data(), descriptor.size()))
        return entryFailure(entry);
    return Ok;
}

uint32_t ZipWriter::writeStored(Entry& entry, Source& source, Cipher* cipher)
{
    std::vector<uint8_t> block(StoredBlockSize);
    uint32_t crc = 0xFFFFFFFF;
    uint64_t total = 0;
    for (;;) {
        const int64_t n = source.read(block.data(), block.size());
        if (n < 0)
            return WriteFailed;
        if (n == 0)
            break;
        total += uint64_t(n);
        if (total >= SizeLimit)
            return WriteFailed;
        crc = crcUpdate(crc, block.data(), size_t(n));
        if (!writeData(block.data(), size_t(n), cipher))
            return PartialBlock;
    }
    entry.crc = ~crc;
    entry.uncompressedSize = total;
    return Ok;
}

uint32_t ZipWriter::writeDeflated(Entry& entry, Source& source, Cipher* cipher)
{
    if (!deflater_)
        deflater_ = std::make_unique<Deflater>();
    uint32_t crc = 0xFFFFFFFF;
    uint64_t total = 0;
    uint64_t produced = 0;
    const Deflater::Reader reader = [&](uint8_t* buffer, size_t size) -> int64_t {
        const int64_t n = source.read(buffer, size);
        if (n <= 0)
            return n;
        total += uint64_t(n);
        if (total >= SizeLimit)
            return -1;
        crc = crcUpdate(crc, buffer, size_t(n));
        return n;
    };
    const Deflater::Writer writer = [&](const uint8_t* data, size_t size) {
        produced += size;
        return produced < SizeLimit && writeData(data, size, cipher);
    };
    uint64_t compressed = 0;
    const uint32_t result = deflater_->deflateEntry(reader, writer, entry.flags, compressed);
    if (result != Ok)
        return result;
    entry.crc = ~crc;
    entry.uncompressedSize = total;
    return Ok;
}

uint32_t ZipWriter::entryFailure(const Entry& entry)
{
    // A seekable target drops what the failed entry wrote, so close writes a
    // central directory right after the last complete entry.
    if (seekable_ && outputError_ != CannotSeek && written_ > entry.offset) {
        written_ = entry.offset;
        if (target_.isOpen() && !target_.seek(start_ + written_))
            outputError_ = CannotSeek;
    }
    return outputError_ ? outputError_ : WriteFailed;
}

uint32_t ZipWriter::writeCentralDirectory()
{
    centralWritten_ = true;
    const uint64_t directoryStart = written_;
    bool ok = true;
    for (const Entry& entry : entries_) {
        const std::vector<uint8_t> record = entry.centralRecord();
        ok = ok && write(record.data(), record.size());
    }
    const uint64_t directorySize = written_ - directoryStart;
    if (!ok || directoryStart >= SizeLimit || directorySize >= SizeLimit)
        return WriteFailed;
    std::vector<uint8_t> end;
    putSignature(end, 5, 6);
    put16(end, 0);
    put16(end, 0);
    put16(end, uint32_t(entries_.size()));
    put16(end, uint32_t(entries_.size()));
    put32(end, uint32_t(directorySize));
    put32(end, uint32_t(directoryStart));
    put16(end, 0);
    return write(end.data(), end.size()) ? Ok : WriteFailed;
}

bool ZipWriter::writeData(const uint8_t* data, size_t size, Cipher* cipher)
{
    if (!cipher)
        return write(data, size);
    scratch_.assign(data, data + size);
    cipher->encrypt(scratch_.data(), size);
    return write(scratch_.data(), size);
}

bool ZipWriter::write(const void* data, size_t size)
{
    if (memory_) {
        if (written_ + size > memoryLength_) {
            outputError_ = MemoryTooSmall;
            return false;
        }
        std::memcpy(memory_ + written_, data, size);
    } else if (!target_.isOpen()) {
        outputError_ = TargetNotOpen;
        return false;
    } else if (!target_.writeAll(static_cast<const uint8_t*>(data), size)) {
        return false;
    }
    written_ += size;
    return true;
}

bool ZipWriter::writeAt(uint64_t offset, const void* data, size_t size)
{
    if (memory_) {
        std::memcpy(memory_ + offset, data, size);
        return true;
    }
    if (!target_.seek(start_ + offset)) {
        outputError_ = CannotSeek;
        return false;
    }
    const bool ok = target_.writeAll(static_cast<const uint8_t*>(data), size);
    if (!target_.seek(start_ + written_)) {
        outputError_ = CannotSeek;
        return false;
    }
    return ok;
}

void ZipWriter::releaseTarget()
{
    if (ownsMemory_ && memory_)
        zipfile::unmapMemory(memory_, memoryLength_);
    memory_ = nullptr;
    target_.close();
}

} // namespace kiv
