// The zip writer on the Windows file API. Writes its archives into the
// folder given as the first argument (a Windows path, on Z:), where
// zip-roundtrip.sh reads them back with this machine's zip readers.

#include "WinCheck.h"

#include "export/ZipWriter.h"

#include <cstring>
#include <string>
#include <thread>
#include <vector>

using namespace kiv;
using namespace kiv::wintest;

namespace {

std::u16string folder;

std::u16string at(const std::u16string& name)
{
    return folder + u"\\" + name;
}

const wchar_t* wide(const std::u16string& text)
{
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

bool writeFile(const std::u16string& path, const std::vector<unsigned char>& bytes)
{
    const HANDLE file = CreateFileW(wide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
    return CloseHandle(file) && ok;
}

std::vector<unsigned char> readFile(const std::u16string& path)
{
    std::vector<unsigned char> bytes;
    const HANDLE file = CreateFileW(wide(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    unsigned char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    CloseHandle(file);
    return bytes;
}

// Text with repeats, then noise: the deflater has both kinds of work.
std::vector<unsigned char> sample(size_t size, uint32_t seed)
{
    std::vector<unsigned char> bytes(size);
    uint32_t state = seed;
    for (size_t i = 0; i < size; ++i) {
        state = state * 1664525u + 1013904223u;
        bytes[i] = i < size / 2 ? "Gneiss, Schiefer, Granit. "[i % 26] : (unsigned char)(state >> 24);
    }
    return bytes;
}

uint16_t le16(const std::vector<unsigned char>& bytes, size_t at)
{
    return uint16_t(bytes[at] | bytes[at + 1] << 8);
}

uint32_t le32(const std::vector<unsigned char>& bytes, size_t at)
{
    return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16
           | uint32_t(bytes[at + 3]) << 24;
}

const std::u16string UmlautName = u"M\u00fcller \u00f6stlich.jpg";

} // namespace

WIN_TEST(archiveOnZ)
{
    CHECK(CreateDirectoryW(wide(at(u"src")), nullptr));
    CHECK(writeFile(at(u"src\\") + UmlautName, sample(70000, 1)));
    CHECK(writeFile(at(u"src\\gross.bin"), sample(1536 * 1024 + 7, 2)));
    CHECK(writeFile(at(u"src\\inner.zip"), sample(5000, 3)));
    ZipWriter* zip = ZipWriter::open(at(u"roundtrip.zip").c_str());
    if (!CHECK(zip != nullptr))
        return;
    CHECK_EQ(ZipWriter::addFile(zip, UmlautName.c_str(), (at(u"src\\") + UmlautName).c_str()), 0u);
    CHECK_EQ(ZipWriter::addFile(zip, u"daten\\gross.bin", at(u"src\\gross.bin").c_str()), 0u);
    CHECK_EQ(ZipWriter::addFile(zip, u"inner.zip", at(u"src\\inner.zip").c_str()), 0u);
    CHECK_EQ(ZipWriter::close(zip), 0u);

    // The end record counts the three entries.
    const std::vector<unsigned char> archive = readFile(at(u"roundtrip.zip"));
    if (CHECK(archive.size() > 22)) {
        const size_t end = archive.size() - 22;
        CHECK_EQ(le32(archive, end), 0x06054B50u);
        CHECK_EQ(archive[end + 10], 3);
    }
}

WIN_TEST(failsCleanly)
{
    // A folder that does not exist, and a file standing where a folder should.
    CHECK(writeFile(at(u"plain-file"), {'x'}));
    for (const std::u16string& path : {at(u"no\\such\\folder\\a.zip"), at(u"plain-file\\a.zip")}) {
        CHECK(ZipWriter::open(path.c_str()) == nullptr);
        CHECK_EQ(ZipWriter::lastResult(), 0x200u);
    }
    CHECK_EQ(GetFileAttributesW(wide(at(u"no"))), INVALID_FILE_ATTRIBUTES);

    // A missing source: the archive keeps what came before it.
    ZipWriter* zip = ZipWriter::open(at(u"partial.zip").c_str());
    if (!CHECK(zip != nullptr))
        return;
    CHECK_EQ(ZipWriter::addFile(zip, u"inner.zip", at(u"src\\inner.zip").c_str()), 0u);
    CHECK_EQ(ZipWriter::addFile(zip, u"missing.txt", at(u"src\\missing.txt").c_str()), 0x200u);
    CHECK_EQ(ZipWriter::addFile(zip, u"late.bin", at(u"src\\gross.bin").c_str()), 0x40000u);
    CHECK_EQ(ZipWriter::close(zip), 0u);
    CHECK(ZipWriter::addFile(nullptr, u"x", at(u"src\\inner.zip").c_str()) == 0x10000u);
}

WIN_TEST(handleAndMemoryTargets)
{
    // A caller's file handle, written after 100 bytes of its own.
    const HANDLE file = CreateFileW(wide(at(u"handle.bin")), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (!CHECK(file != INVALID_HANDLE_VALUE))
        return;
    const std::vector<unsigned char> lead(100, 'p');
    DWORD written = 0;
    CHECK(WriteFile(file, lead.data(), DWORD(lead.size()), &written, nullptr));
    ZipWriter* zip = ZipWriter::create(&file, 0, ZipWriter::TargetHandle);
    if (CHECK(zip != nullptr)) {
        CHECK_EQ(ZipWriter::addFile(zip, u"inner.zip", at(u"src\\inner.zip").c_str()), 0u);
        // A source handle, read from where it stands.
        const HANDLE source = CreateFileW(wide(at(u"src\\gross.bin")), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, 0, nullptr);
        CHECK(SetFilePointer(source, 10, nullptr, FILE_BEGIN) == 10);
        CHECK_EQ(ZipWriter::addFile(zip, u"part.bin", &source, 1000, ZipWriter::SourceHandle), 0u);
        CloseHandle(source);
        CHECK_EQ(ZipWriter::close(zip), 0u);
    }
    // The caller's handle stays open.
    CHECK(WriteFile(file, "!", 1, &written, nullptr));
    CloseHandle(file);

    // Memory the writer maps from the page file.
    zip = ZipWriter::create(nullptr, 1 << 20, ZipWriter::TargetMemory);
    if (CHECK(zip != nullptr)) {
        const std::vector<unsigned char> data = sample(3000, 4);
        CHECK_EQ(ZipWriter::addFile(zip, u"memory.txt", data.data(), data.size(), ZipWriter::SourceMemory), 0u);
        const void* bytes = nullptr;
        size_t length = 0;
        CHECK_EQ(ZipWriter::getMemory(zip, &bytes, &length), 0u);
        const auto* begin = static_cast<const unsigned char*>(bytes);
        CHECK(writeFile(at(u"memory.zip"), std::vector<unsigned char>(begin, begin + length)));
        CHECK_EQ(ZipWriter::close(zip), 0u);
    }
}

WIN_TEST(pipes)
{
    // A target that cannot go back: sizes follow each entry's data.
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CHECK(CreatePipe(&readEnd, &writeEnd, nullptr, 0)))
        return;
    std::vector<unsigned char> received;
    std::thread reader([&] {
        unsigned char buffer[65536];
        DWORD got = 0;
        while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0)
            received.insert(received.end(), buffer, buffer + got);
    });
    // A source that cannot tell its size, read to its end.
    HANDLE sourceRead = nullptr;
    HANDLE sourceWrite = nullptr;
    CHECK(CreatePipe(&sourceRead, &sourceWrite, nullptr, 1 << 16));
    const char piped[] = "data that arrives through a pipe\n";
    DWORD written = 0;
    CHECK(WriteFile(sourceWrite, piped, DWORD(std::strlen(piped)), &written, nullptr));
    CloseHandle(sourceWrite);

    ZipWriter* zip = ZipWriter::create(&writeEnd, 0, ZipWriter::TargetHandle);
    if (CHECK(zip != nullptr)) {
        CHECK_EQ(ZipWriter::addFile(zip, u"inner.zip", at(u"src\\inner.zip").c_str()), 0u);
        CHECK_EQ(ZipWriter::addFile(zip, u"pipe.txt", &sourceRead, 0, ZipWriter::SourceHandle), 0u);
        CHECK_EQ(ZipWriter::close(zip), 0u);
    }
    CloseHandle(sourceRead);
    CloseHandle(writeEnd);
    reader.join();
    CloseHandle(readEnd);
    CHECK(writeFile(at(u"pipe.zip"), received));
}

WIN_TEST(attributes)
{
    // A program image, a read-only file and a hidden one.
    std::vector<unsigned char> program(256, 0);
    program[0] = 'M';
    program[1] = 'Z';
    program[60] = 128;
    program[128] = 'P';
    program[129] = 'E';
    CHECK(writeFile(at(u"src\\tool.exe"), program));
    CHECK(writeFile(at(u"src\\locked.txt"), sample(100, 5)));
    CHECK(SetFileAttributesW(wide(at(u"src\\locked.txt")), FILE_ATTRIBUTE_READONLY));
    CHECK(writeFile(at(u"src\\versteckt.txt"), sample(100, 6)));
    CHECK(SetFileAttributesW(wide(at(u"src\\versteckt.txt")), FILE_ATTRIBUTE_HIDDEN));
    ZipWriter* zip = ZipWriter::open(at(u"attributes.zip").c_str());
    if (!CHECK(zip != nullptr))
        return;
    for (const char16_t* name : {u"tool.exe", u"locked.txt", u"versteckt.txt"})
        CHECK_EQ(ZipWriter::addFile(zip, name, (at(u"src\\") + name).c_str()), 0u);
    CHECK_EQ(ZipWriter::close(zip), 0u);
    SetFileAttributesW(wide(at(u"src\\locked.txt")), FILE_ATTRIBUTE_NORMAL);

    // Whether the hidden flag sticks depends on the Linux file system (Wine
    // keeps it in an extended attribute): the entry says what Windows says.
    const DWORD hidden = GetFileAttributesW(wide(at(u"src\\versteckt.txt"))) & FILE_ATTRIBUTE_HIDDEN;
    const std::vector<unsigned char> archive = readFile(at(u"attributes.zip"));
    bool found = false;
    for (size_t i = 0; i + 46 <= archive.size(); ++i) {
        if (le32(archive, i) != 0x02014B50u)
            continue;
        const size_t nameLength = size_t(archive[i + 28]) | size_t(archive[i + 29]) << 8;
        if (std::string(archive.begin() + long(i) + 46, archive.begin() + long(i + 46 + nameLength)) != "versteckt.txt")
            continue;
        found = true;
        CHECK_EQ(le32(archive, i + 38), 0x81800020u | hidden);
    }
    CHECK(found);
}

// Each entry carries its source's modification time: the DOS time and date
// in UTC and the Unix seconds of the "UT" fields, local and central alike.
WIN_TEST(entryTimes)
{
    struct
    {
        const char16_t* name;
        SYSTEMTIME modified; // UTC
        uint16_t dosTime;
        uint16_t dosDate;
        uint32_t unixSeconds;
    } rows[] = {
        {u"morgen.txt", {2019, 6, 5, 14, 10, 20, 37, 0}, (10 << 11) | (20 << 5) | 18, (39 << 9) | (6 << 5) | 14,
         1560507637u},
        {u"schaltjahr.kml", {2000, 2, 2, 29, 12, 0, 1, 0}, 12 << 11, (20 << 9) | (2 << 5) | 29, 951825601u},
        {u"ende.zip", {2037, 12, 4, 31, 23, 59, 59, 0}, (23 << 11) | (59 << 5) | 29, (57 << 9) | (12 << 5) | 31,
         2145916799u},
        {u"dos-anfang.txt", {1980, 1, 2, 1, 0, 0, 0, 0}, 0, (1 << 5) | 1, 315532800u}};
    for (const auto& row : rows) {
        const std::u16string source = at(u"src\\") + row.name;
        CHECK(writeFile(source, sample(300, 7)));
        FILETIME time {};
        CHECK(SystemTimeToFileTime(&row.modified, &time));
        const HANDLE file = CreateFileW(wide(source), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        CHECK(file != INVALID_HANDLE_VALUE && SetFileTime(file, nullptr, nullptr, &time));
        CloseHandle(file);
    }
    ZipWriter* zip = ZipWriter::open(at(u"times.zip").c_str());
    if (!CHECK(zip != nullptr))
        return;
    for (const auto& row : rows)
        CHECK_EQ(ZipWriter::addFile(zip, row.name, (at(u"src\\") + row.name).c_str()), 0u);
    CHECK_EQ(ZipWriter::close(zip), 0u);

    // The central directory, from the end record, one record per row.
    const std::vector<unsigned char> archive = readFile(at(u"times.zip"));
    if (!CHECK(archive.size() > 22))
        return;
    size_t record = le32(archive, archive.size() - 22 + 16);
    for (const auto& row : rows) {
        const std::string name(row.name, row.name + std::char_traits<char16_t>::length(row.name));
        Row named(name);
        if (!CHECK(record + 46 <= archive.size()) || !CHECK_EQ(le32(archive, record), 0x02014B50u))
            return;
        const size_t nameLength = le16(archive, record + 28);
        const size_t centralExtra = record + 46 + nameLength;
        if (!CHECK(centralExtra + 9 <= archive.size()))
            return;
        CHECK(std::string(archive.begin() + long(record + 46), archive.begin() + long(centralExtra)) == name);
        CHECK_EQ(le16(archive, record + 12), row.dosTime);
        CHECK_EQ(le16(archive, record + 14), row.dosDate);
        CHECK_EQ(le16(archive, centralExtra), 0x5455);
        CHECK_EQ(le32(archive, centralExtra + 5), row.unixSeconds);

        const size_t local = le32(archive, record + 42);
        const size_t localExtra = local + 30 + le16(archive, local + 26);
        if (CHECK(localExtra + 17 <= archive.size()) && CHECK_EQ(le32(archive, local), 0x04034B50u)) {
            CHECK_EQ(le16(archive, local + 10), row.dosTime);
            CHECK_EQ(le16(archive, local + 12), row.dosDate);
            CHECK_EQ(le16(archive, localExtra), 0x5455);
            CHECK_EQ(le32(archive, localExtra + 5), row.unixSeconds);
        }
        record = centralExtra + le16(archive, record + 30) + le16(archive, record + 32);
    }
}

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::printf("FAIL: usage: win_zipwriter <folder>\n");
        return 1;
    }
    const int size = MultiByteToWideChar(CP_UTF8, 0, argv[1], -1, nullptr, 0);
    std::wstring path(size_t(size > 0 ? size : 1), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, argv[1], -1, &path[0], size);
    path.resize(wcslen(path.c_str()));
    folder = std::u16string(reinterpret_cast<const char16_t*>(path.c_str()));
    return runAll(1, argv);
}
