#include "export/ZipWriterFile.h"

#include <windows.h>

#include <cstring>

namespace kiv::zipfile {

namespace {

const wchar_t* wide(const char16_t* text)
{
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wide characters");
    return reinterpret_cast<const wchar_t*>(text);
}

int64_t unixSeconds(const FILETIME& time)
{
    const uint64_t ticks = uint64_t(time.dwHighDateTime) << 32 | time.dwLowDateTime;
    return (int64_t(ticks) - 116444736000000000LL) / 10000000;
}

// SetFilePointer with the high part, telling a real failure from an offset
// whose low part happens to be INVALID_SET_FILE_POINTER.
bool movePointer(HANDLE handle, int64_t distance, DWORD method, uint64_t* result)
{
    LONG high = LONG(distance >> 32);
    SetLastError(NO_ERROR);
    const DWORD low = SetFilePointer(handle, LONG(distance & 0xFFFFFFFF), &high, method);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
        return false;
    if (result)
        *result = uint64_t(DWORD(high)) << 32 | low;
    return true;
}

bool isDisk(HANDLE handle)
{
    return GetFileType(handle) == FILE_TYPE_DISK;
}

} // namespace

NativeHandle File::invalidHandle()
{
    return INVALID_HANDLE_VALUE;
}

File::~File()
{
    close();
}

bool File::create(const char16_t* path)
{
    close();
    m_handle = CreateFileW(wide(path), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    m_owned = m_handle != INVALID_HANDLE_VALUE;
    return m_owned;
}

bool File::openForReading(const char16_t* path)
{
    close();
    m_handle = CreateFileW(wide(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    m_owned = m_handle != INVALID_HANDLE_VALUE;
    return m_owned;
}

bool File::borrow(NativeHandle handle)
{
    close();
    DWORD flags = 0;
    if (handle == INVALID_HANDLE_VALUE || !handle || !GetHandleInformation(handle, &flags))
        return false;
    m_handle = handle;
    return true;
}

bool File::isOpen() const
{
    return m_handle != INVALID_HANDLE_VALUE;
}

bool File::position(uint64_t& offset) const
{
    // A pipe has no position to go back to.
    return isDisk(m_handle) && movePointer(m_handle, 0, FILE_CURRENT, &offset);
}

bool File::seek(uint64_t offset)
{
    return movePointer(m_handle, int64_t(offset), FILE_BEGIN, nullptr);
}

bool File::appends() const
{
    // Windows offers no query for a handle opened for appending only.
    return false;
}

bool File::facts(FileFacts& facts) const
{
    // A pipe or a console has no file information: neither size nor times.
    if (!isDisk(m_handle)) {
        facts = FileFacts();
        return GetFileType(m_handle) != FILE_TYPE_UNKNOWN;
    }
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(m_handle, &information))
        return false;
    facts.directory = information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    facts.regular = !facts.directory;
    facts.size = facts.regular ? uint64_t(information.nFileSizeHigh) << 32 | information.nFileSizeLow : 0;
    facts.modified = unixSeconds(information.ftLastWriteTime);
    facts.accessed = unixSeconds(information.ftLastAccessTime);
    facts.created = unixSeconds(information.ftCreationTime);
    facts.dosAttributes = uint8_t(information.dwFileAttributes
                                  & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM
                                     | FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE));
    return true;
}

bool File::writeAll(const uint8_t* data, size_t size)
{
    while (size > 0) {
        const DWORD chunk = DWORD(size < 0x40000000 ? size : 0x40000000);
        DWORD written = 0;
        if (!WriteFile(m_handle, data, chunk, &written, nullptr) || written == 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

int64_t File::read(uint8_t* buffer, size_t capacity)
{
    size_t done = 0;
    while (done < capacity) {
        const size_t left = capacity - done;
        DWORD got = 0;
        if (!ReadFile(m_handle, buffer + done, DWORD(left < 0x40000000 ? left : 0x40000000), &got, nullptr)) {
            // The writing end of a pipe went away: that is its end.
            if (GetLastError() == ERROR_BROKEN_PIPE)
                break;
            return -1;
        }
        if (got == 0)
            break;
        done += got;
    }
    return int64_t(done);
}

bool File::readAt(uint64_t offset, void* buffer, size_t size) const
{
    // Through a read-only view, so the file's position stays where it is.
    const HANDLE mapping = CreateFileMappingW(m_handle, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!mapping)
        return false;
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const uint64_t base = offset - offset % system.dwAllocationGranularity;
    const size_t lead = size_t(offset - base);
    const void* view = MapViewOfFile(mapping, FILE_MAP_READ, DWORD(base >> 32), DWORD(base & 0xFFFFFFFF), lead + size);
    const bool ok = view != nullptr;
    if (ok) {
        std::memcpy(buffer, static_cast<const uint8_t*>(view) + lead, size);
        UnmapViewOfFile(view);
    }
    CloseHandle(mapping);
    return ok;
}

bool File::truncate(uint64_t size)
{
    return seek(size) && SetEndOfFile(m_handle);
}

bool File::close()
{
    bool ok = true;
    if (m_owned && m_handle != INVALID_HANDLE_VALUE)
        ok = CloseHandle(m_handle) != FALSE;
    m_handle = INVALID_HANDLE_VALUE;
    m_owned = false;
    m_hiddenName = false;
    return ok;
}

uint8_t* mapMemory(size_t length)
{
    const uint64_t size = length;
    const HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, DWORD(size >> 32),
                                              DWORD(size & 0xFFFFFFFF), nullptr);
    if (!mapping)
        return nullptr;
    void* view = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, length);
    // The view keeps the mapping alive.
    CloseHandle(mapping);
    return static_cast<uint8_t*>(view);
}

void unmapMemory(uint8_t* memory, size_t)
{
    UnmapViewOfFile(memory);
}

std::string toUtf8(const char16_t* text)
{
    if (!text || !*text)
        return std::string();
    const int needed = WideCharToMultiByte(CP_UTF8, 0, wide(text), -1, nullptr, 0, nullptr, nullptr);
    if (needed <= 1)
        return std::string();
    std::string out(size_t(needed), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide(text), -1, &out[0], needed, nullptr, nullptr);
    out.resize(size_t(needed - 1));
    return out;
}

} // namespace kiv::zipfile
