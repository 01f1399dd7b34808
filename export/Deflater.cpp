#include "export/Deflater.h"

#include <algorithm>
#include <cstring>

namespace kiv {

namespace {

struct LevelConfig
{
    unsigned good;
    unsigned lazy;
    unsigned nice;
    unsigned chain;
};

constexpr LevelConfig Levels[10] = {
    {0, 0, 0, 0},        {4, 4, 8, 4},       {4, 5, 16, 8},       {4, 6, 32, 32},
    {4, 4, 16, 16},      {8, 16, 32, 32},    {8, 16, 128, 128},   {8, 32, 128, 256},
    {32, 128, 258, 1024}, {32, 258, 258, 4096},
};

constexpr size_t WindowSlack = 512;

inline uint32_t load32(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4); // little-endian host, as the masks assume
    return v;
}

// Length of the common prefix of a and b, at most limit; reads up to limit + 7
// bytes of each, which the window's slack allows.
inline unsigned commonLength(const uint8_t* a, const uint8_t* b, unsigned limit)
{
    unsigned length = 0;
    while (length < limit) {
        uint64_t x;
        uint64_t y;
        std::memcpy(&x, a + length, 8);
        std::memcpy(&y, b + length, 8);
        const uint64_t diff = x ^ y;
        if (diff) {
            length += unsigned(__builtin_ctzll(diff)) >> 3; // little-endian host
            return std::min(length, limit);
        }
        length += 8;
    }
    return limit;
}

} // namespace

Deflater::Deflater()
    : window_(2 * WindowSize + WindowSlack, 0)
    , head_(HashSize, 0)
    , prev_(WindowSize, 0)
{
}

uint32_t Deflater::deflateEntry(const Reader& read, const Writer& write, uint16_t& flags,
                                uint64_t& compressedSize, int level)
{
    reader_ = &read;
    trees_.start(&write);
    if (initMatcher(level, flags)) {
        if (level_ <= 3)
            compressGreedy();
        else
            compressLazy();
    }
    reader_ = nullptr;
    compressedSize = trees_.compressedBytes();
    return failed() ? DeflateFailed : 0;
}

bool Deflater::initMatcher(int level, uint16_t& flags)
{
    if (level < 1 || level > 8) {
        trees_.setError("bad pack level");
        return false;
    }
    level_ = level;
    const LevelConfig& config = Levels[level];
    goodLength_ = config.good;
    lazyLimit_ = config.lazy;
    niceLength_ = config.nice;
    chainLimit_ = config.chain;
    if (level == 8)
        flags |= 2;
    else if (level <= 2)
        flags |= 4;

    std::fill(head_.begin(), head_.end(), 0);
    strstart_ = 0;
    lookahead_ = 0;
    matchStart_ = 0;
    blockStart_ = 0;
    endOfInput_ = false;
    while (lookahead_ < 2 * WindowSize && !endOfInput_ && !failed())
        fillWindow();
    hash_ = ((unsigned(window_[0]) << HashShift) ^ window_[1]) & HashMask;
    return !failed();
}

void Deflater::fillWindow()
{
    do {
        if (strstart_ >= WindowSize + MaxDistance)
            slideWindow();
        if (endOfInput_)
            return;
        const size_t room = 2 * WindowSize - lookahead_ - strstart_;
        const int64_t n = (*reader_)(window_.data() + strstart_ + lookahead_, room);
        if (n < 0) {
            trees_.setError("input read failed");
            endOfInput_ = true;
            return;
        }
        if (n == 0 || size_t(n) > room) {
            if (n != 0)
                trees_.setError("more < 2");
            endOfInput_ = true;
            return;
        }
        lookahead_ += unsigned(n);
    } while (lookahead_ < MinLookahead);
}

void Deflater::slideWindow()
{
    std::memcpy(window_.data(), window_.data() + WindowSize, WindowSize);
    matchStart_ -= std::min(matchStart_, WindowSize);
    strstart_ -= WindowSize;
    blockStart_ -= WindowSize;
    // Positions that fall out of the window become 0, "no candidate"; written
    // without branches so that the loops vectorise.
    for (uint16_t& h : head_)
        h = uint16_t((h - WindowSize) & -(h >> 15));
    for (uint16_t& p : prev_)
        p = uint16_t((p - WindowSize) & -(p >> 15));
}

inline unsigned Deflater::longestMatch(unsigned chainHead, unsigned previousLength)
{
    unsigned chain = chainLimit_;
    if (previousLength >= goodLength_)
        chain >>= 2;
    const unsigned nice = std::min(niceLength_, lookahead_);
    // Candidates at most MaxDistance back; position 0 doubles as "no candidate".
    const unsigned limit = strstart_ > MaxDistance ? strstart_ - MaxDistance : 1;
    const uint8_t* const window = window_.data();
    const uint16_t* const prev = prev_.data();
    const uint8_t* const scan = window + strstart_;
    unsigned best = previousLength;
    unsigned bestStart = matchStart_;
    unsigned candidate = chainHead;
    // A longer match must agree on the four bytes ending at offset best (three
    // bytes from the start while best is 2); one masked load tests that.
    unsigned endOffset = best >= 3 ? best - 3 : 0;
    uint32_t endMask = best >= 3 ? 0xFFFFFFFFu : 0x00FFFFFFu;
    uint32_t scanEnd = load32(scan + endOffset) & endMask;
    do {
        const uint8_t* match = window + candidate;
        if ((load32(match + endOffset) & endMask) != scanEnd)
            continue;
        const unsigned length = commonLength(scan, match, MaxMatch);
        if (length > best) {
            bestStart = candidate;
            best = length;
            if (length >= nice)
                break;
            endOffset = best - 3;
            endMask = 0xFFFFFFFFu;
            scanEnd = load32(scan + endOffset);
        }
    } while ((candidate = prev[candidate & WindowMask]) >= limit && --chain != 0);
    matchStart_ = bestStart;
    return best;
}

void Deflater::compressLazy()
{
    unsigned matchLength = MinMatch - 1;
    bool literalHeld = false;
    while (lookahead_ != 0) {
        const unsigned chainHead = insertString(strstart_);
        // The next position's chain head is needed soon; start fetching it.
        __builtin_prefetch(&head_[((hash_ << HashShift) ^ window_[strstart_ + 3]) & HashMask]);
        unsigned prevLength = matchLength;
        const unsigned prevMatch = matchStart_;
        matchLength = MinMatch - 1;
        if (chainHead != 0 && prevLength < lazyLimit_ && strstart_ - chainHead <= MaxDistance) {
            matchLength = std::min(longestMatch(chainHead, prevLength), lookahead_);
            if (matchLength == MinMatch && strstart_ - matchStart_ > TooFar)
                matchLength = MinMatch - 1;
            if (matchLength <= prevLength)
                matchStart_ = prevMatch;
        }
        if (prevLength >= MinMatch && matchLength <= prevLength) {
            const bool flush = trees_.tallyMatch(strstart_ - 1 - prevMatch, prevLength,
                                                 blockInput() + prevLength - 1);
            // The match began one position back; insert all but its first string.
            lookahead_ -= prevLength - 1;
            prevLength -= 2;
            do {
                insertString(++strstart_);
            } while (--prevLength != 0);
            literalHeld = false;
            matchLength = MinMatch - 1;
            ++strstart_;
            if (flush)
                flushBlock(false);
        } else {
            if (literalHeld && trees_.tallyLiteral(window_[strstart_ - 1], blockInput()))
                flushBlock(false);
            literalHeld = true;
            ++strstart_;
            --lookahead_;
        }
        if (lookahead_ < MinLookahead)
            fillWindow();
        if (failed())
            return;
    }
    if (literalHeld)
        trees_.tallyLiteral(window_[strstart_ - 1], blockInput());
    flushBlock(true);
}

void Deflater::compressGreedy()
{
    while (lookahead_ != 0) {
        const unsigned chainHead = insertString(strstart_);
        unsigned matchLength = 0;
        if (chainHead != 0 && strstart_ - chainHead <= MaxDistance) {
            matchLength = std::min(longestMatch(chainHead, MinMatch - 1), lookahead_);
            if (matchLength == MinMatch && strstart_ - matchStart_ > TooFar)
                matchLength = 0;
        }
        bool flush;
        if (matchLength >= MinMatch) {
            flush = trees_.tallyMatch(strstart_ - matchStart_, matchLength,
                                      blockInput() + matchLength);
            lookahead_ -= matchLength;
            if (matchLength <= lazyLimit_) {
                while (--matchLength != 0)
                    insertString(++strstart_);
                ++strstart_;
            } else {
                strstart_ += matchLength;
                hash_ = ((unsigned(window_[strstart_]) << HashShift) ^ window_[strstart_ + 1])
                        & HashMask;
            }
        } else {
            flush = trees_.tallyLiteral(window_[strstart_], blockInput() + 1);
            ++strstart_;
            --lookahead_;
        }
        if (flush)
            flushBlock(false);
        if (lookahead_ < MinLookahead)
            fillWindow();
        if (failed())
            return;
    }
    flushBlock(true);
}

void Deflater::flushBlock(bool last)
{
    const uint8_t* data = blockStart_ >= 0 ? window_.data() + blockStart_ : nullptr;
    trees_.flushBlock(data, blockInput(), last);
    blockStart_ = strstart_;
}

} // namespace kiv
