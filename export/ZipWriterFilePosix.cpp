#include "export/ZipWriterFile.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kiv::zipfile {

namespace {

// Paths are UTF-8 on the systems the program runs on.
std::string nativePath(const char16_t* path)
{
    return toUtf8(path);
}

bool startsWithDot(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    const size_t start = slash == std::string::npos ? 0 : slash + 1;
    return start < path.size() && path[start] == '.';
}

} // namespace

NativeHandle File::invalidHandle()
{
    return -1;
}

File::~File()
{
    close();
}

bool File::create(const char16_t* path)
{
    close();
    m_handle = ::open(nativePath(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    m_owned = m_handle >= 0;
    return m_owned;
}

bool File::openForReading(const char16_t* path)
{
    close();
    const std::string name = nativePath(path);
    m_handle = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    m_owned = m_handle >= 0;
    m_hiddenName = startsWithDot(name);
    return m_owned;
}

bool File::borrow(NativeHandle handle)
{
    close();
    if (handle < 0 || fcntl(handle, F_GETFD) < 0)
        return false;
    m_handle = handle;
    return true;
}

bool File::isOpen() const
{
    return m_handle >= 0;
}

bool File::position(uint64_t& offset) const
{
    const off_t at = lseek(m_handle, 0, SEEK_CUR);
    if (at < 0)
        return false;
    offset = uint64_t(at);
    return true;
}

bool File::seek(uint64_t offset)
{
    return lseek(m_handle, off_t(offset), SEEK_SET) >= 0;
}

bool File::appends() const
{
    const int flags = fcntl(m_handle, F_GETFL);
    return flags >= 0 && (flags & O_APPEND);
}

bool File::facts(FileFacts& facts) const
{
    struct stat st;
    if (fstat(m_handle, &st) != 0)
        return false;
    facts.regular = S_ISREG(st.st_mode);
    facts.directory = S_ISDIR(st.st_mode);
    facts.size = facts.regular ? uint64_t(st.st_size) : 0;
    facts.modified = int64_t(st.st_mtime);
    facts.accessed = int64_t(st.st_atime);
    facts.created = int64_t(st.st_ctime);
    facts.dosAttributes = 0x20;
    if (!(st.st_mode & S_IWUSR))
        facts.dosAttributes |= 0x01;
    if (m_hiddenName)
        facts.dosAttributes |= 0x02;
    return true;
}

bool File::writeAll(const uint8_t* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(m_handle, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

int64_t File::read(uint8_t* buffer, size_t capacity)
{
    size_t done = 0;
    while (done < capacity) {
        const ssize_t n = ::read(m_handle, buffer + done, capacity - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1; // an error, never taken for the end of the input
        if (n == 0)
            break;
        done += size_t(n);
    }
    return int64_t(done);
}

bool File::readAt(uint64_t offset, void* buffer, size_t size) const
{
    return pread(m_handle, buffer, size, off_t(offset)) == ssize_t(size);
}

bool File::truncate(uint64_t size)
{
    return ftruncate(m_handle, off_t(size)) == 0;
}

bool File::close()
{
    bool ok = true;
    if (m_owned && m_handle >= 0)
        ok = ::close(m_handle) == 0;
    m_handle = invalidHandle();
    m_owned = false;
    m_hiddenName = false;
    return ok;
}

uint8_t* mapMemory(size_t length)
{
    void* mapped = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return mapped == MAP_FAILED ? nullptr : static_cast<uint8_t*>(mapped);
}

void unmapMemory(uint8_t* memory, size_t length)
{
    munmap(memory, length);
}

std::string toUtf8(const char16_t* text)
{
    std::string out;
    if (!text)
        return out;
    for (const char16_t* p = text; *p; ++p) {
        char32_t c = *p;
        if (c >= 0xD800 && c <= 0xDBFF && p[1] >= 0xDC00 && p[1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (char32_t(p[1]) - 0xDC00);
            ++p;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

} // namespace kiv::zipfile
