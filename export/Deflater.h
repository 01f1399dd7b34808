#pragma once

#include "export/DeflateTrees.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kiv {

// Raw DEFLATE (RFC 1951) compressor with lazy matching. One instance is
// reused for every entry of an archive; it is not thread-safe.
class Deflater
{
public:
    // Fills buffer with up to size bytes; returns the count, 0 at the end of
    // the input, or a negative value on a read error.
    using Reader = std::function<int64_t(uint8_t* buffer, size_t size)>;
    using Writer = DeflateTrees::Writer;

    static constexpr uint32_t DeflateFailed = 0x05000000;
    static constexpr int DefaultLevel = 8;

    Deflater();

    // Compresses everything read into writer. Sets bit 1 (level 8) or bit 2
    // (levels 1 and 2) of flags. Returns 0, or DeflateFailed with
    // errorMessage() telling why.
    uint32_t deflateEntry(const Reader& read, const Writer& write, uint16_t& flags,
                          uint64_t& compressedSize, int level = DefaultLevel);

    const std::string& errorMessage() const { return trees_.errorMessage(); }

private:
    bool initMatcher(int level, uint16_t& flags);
    void fillWindow();
    void slideWindow();
    void compressLazy();
    void compressGreedy();
    unsigned longestMatch(unsigned chainHead, unsigned previousLength);
    void flushBlock(bool last);
    bool failed() const { return !trees_.errorMessage().empty(); }

    unsigned insertString(unsigned position)
    {
        hash_ = ((hash_ << HashShift) ^ window_[position + 2]) & HashMask;
        const unsigned chainHead = head_[hash_];
        prev_[position & WindowMask] = uint16_t(chainHead);
        head_[hash_] = uint16_t(position);
        return chainHead;
    }
    uint64_t blockInput() const { return uint64_t(int64_t(strstart_) - blockStart_); }

    static constexpr unsigned WindowSize = 32768;
    static constexpr unsigned WindowMask = WindowSize - 1;
    static constexpr unsigned HashSize = 32768;
    static constexpr unsigned HashMask = HashSize - 1;
    static constexpr unsigned HashShift = 5;
    static constexpr unsigned MinMatch = 3;
    static constexpr unsigned MaxMatch = 258;
    static constexpr unsigned MinLookahead = MaxMatch + MinMatch + 1;
    static constexpr unsigned MaxDistance = WindowSize - MinLookahead;
    static constexpr unsigned TooFar = 4096;

    std::vector<uint8_t> window_; // 2 * WindowSize plus slack for wide compares
    std::vector<uint16_t> head_;
    std::vector<uint16_t> prev_;
    DeflateTrees trees_;

    const Reader* reader_ = nullptr;
    unsigned hash_ = 0;
    unsigned strstart_ = 0;
    unsigned lookahead_ = 0;
    unsigned matchStart_ = 0;
    int64_t blockStart_ = 0; // negative once the block's start left the window
    bool endOfInput_ = false;

    unsigned goodLength_ = 0;
    unsigned lazyLimit_ = 0;
    unsigned niceLength_ = 0;
    unsigned chainLimit_ = 0;
    int level_ = DefaultLevel;
};

} // namespace kiv
