#include "export/DeflateTrees.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace kiv {

namespace {

constexpr int LiteralCodes = 286;
constexpr int DistanceCodes = 30;
constexpr int CodeLengthCodes = 19;
constexpr int EndOfBlock = 256;
constexpr int MaxBits = 15;
constexpr int MaxCodeLengthBits = 7;
constexpr int MinMatch = 3;
constexpr int MaxMatch = 258;

constexpr uint8_t LengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                     2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint8_t DistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6,
                                       6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
constexpr uint8_t CodeLengthExtra[19] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                         0, 0, 0, 0, 0, 0, 2, 3, 7};
constexpr uint8_t CodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5,
                                         11, 4, 12, 3, 13, 2, 14, 1, 15};

// Lookup tables from match length and distance to their codes.
struct CodeTables
{
    uint8_t lengthCode[256];   // by length - 3
    uint16_t lengthBase[29];   // length - 3 of each code's first length
    uint8_t distanceCode[512]; // by distance - 1, then 256 + ((distance - 1) >> 7)
    uint16_t distanceBase[30]; // distance - 1 of each code's first distance
    const char* error = nullptr;

    CodeTables()
    {
        int length = 0;
        for (int code = 0; code < 28; ++code) {
            lengthBase[code] = uint16_t(length);
            for (int n = 0; n < (1 << LengthExtra[code]); ++n)
                lengthCode[length++] = uint8_t(code);
        }
        if (length != 256)
            error = "ct_init: length != 256";
        // Length 258 has a code of its own; 255 would otherwise map to code 27.
        lengthCode[255] = 28;
        lengthBase[28] = 255;

        int dist = 0;
        for (int code = 0; code < 16; ++code) {
            distanceBase[code] = uint16_t(dist);
            for (int n = 0; n < (1 << DistanceExtra[code]); ++n)
                distanceCode[dist++] = uint8_t(code);
        }
        if (dist != 256 && !error)
            error = "ct_init: dist != 256";
        dist >>= 7;
        for (int code = 16; code < DistanceCodes; ++code) {
            distanceBase[code] = uint16_t(dist << 7);
            for (int n = 0; n < (1 << (DistanceExtra[code] - 7)); ++n)
                distanceCode[256 + dist++] = uint8_t(code);
        }
        if (256 + dist != 512 && !error)
            error = "ct_init: 256+dist != 512";
    }

    unsigned distanceCodeOf(unsigned distanceMinusOne) const
    {
        return distanceMinusOne < 256 ? distanceCode[distanceMinusOne]
                                      : distanceCode[256 + (distanceMinusOne >> 7)];
    }
};

const CodeTables codeTables;

inline const CodeTables& tables()
{
    return codeTables;
}

uint16_t reverseBits(unsigned code, int length)
{
    unsigned result = 0;
    for (int i = 0; i < length; ++i) {
        result = (result << 1) | (code & 1);
        code >>= 1;
    }
    return uint16_t(result);
}

// Canonical codes from code lengths, bit-reversed for LSB-first output.
void assignCodes(const std::vector<uint8_t>& lengths, std::vector<uint16_t>& codes)
{
    unsigned count[MaxBits + 1] = {};
    for (uint8_t length : lengths)
        ++count[length];
    count[0] = 0;
    unsigned next[MaxBits + 1] = {};
    unsigned code = 0;
    for (int bits = 1; bits <= MaxBits; ++bits) {
        code = (code + count[bits - 1]) << 1;
        next[bits] = code;
    }
    codes.assign(lengths.size(), 0);
    for (size_t i = 0; i < lengths.size(); ++i)
        if (lengths[i])
            codes[i] = reverseBits(next[lengths[i]]++, lengths[i]);
}

} // namespace

DeflateTrees::DeflateTrees()
    : symbols_(LiteralBufferSize)
    , out_(OutputBufferSize)
{
    buildFixedTrees();
}

void DeflateTrees::buildFixedTrees()
{
    fixedLiterals_.lengths.assign(288, 8);
    std::fill(fixedLiterals_.lengths.begin() + 144, fixedLiterals_.lengths.begin() + 256, 9);
    std::fill(fixedLiterals_.lengths.begin() + 256, fixedLiterals_.lengths.begin() + 280, 7);
    assignCodes(fixedLiterals_.lengths, fixedLiterals_.codes);
    fixedLiterals_.maxCode = LiteralCodes - 1;
    fixedDistances_.lengths.assign(DistanceCodes, 5);
    assignCodes(fixedDistances_.lengths, fixedDistances_.codes);
    fixedDistances_.maxCode = DistanceCodes - 1;
}

void DeflateTrees::start(const Writer* writer)
{
    writer_ = writer;
    outUsed_ = 0;
    bitBuffer_ = 0;
    bitCount_ = 0;
    bytesOut_ = 0;
    expectedBits_ = 0;
    error_.clear();
    if (tables().error)
        setError(tables().error);
    resetBlock();
}

void DeflateTrees::setError(const char* message)
{
    if (error_.empty())
        error_ = message;
}

void DeflateTrees::resetBlock()
{
    count_ = 0;
    matches_ = 0;
    std::fill(std::begin(literalFreq_), std::end(literalFreq_), 0u);
    std::fill(std::begin(distanceFreq_), std::end(distanceFreq_), 0u);
}

bool DeflateTrees::tallyMatch(unsigned distance, unsigned length, uint64_t blockInput)
{
    const CodeTables& t = tables();
    if (distance == 0 || distance > 32768 || length < MinMatch || length > MaxMatch) {
        setError("ct_tally: bad match");
        return false;
    }
    symbols_[count_++] = distance << 8 | (length - MinMatch);
    ++matches_;
    ++literalFreq_[EndOfBlock + 1 + t.lengthCode[length - MinMatch]];
    ++distanceFreq_[t.distanceCodeOf(distance - 1)];
    return blockFull(blockInput);
}

// A block that already compresses well ends early, so that the next one can
// adapt its codes to data that may look different.
bool DeflateTrees::compressesWell(uint64_t blockInput) const
{
    uint64_t estimate = uint64_t(count_) * 8;
    for (int code = 0; code < DistanceCodes; ++code)
        estimate += uint64_t(distanceFreq_[code]) * (5 + DistanceExtra[code]);
    estimate >>= 3;
    return matches_ < count_ / 2 && estimate < blockInput / 2;
}

std::vector<uint8_t> DeflateTrees::codeLengths(const uint32_t* freq, int count, int maxLength)
{
    std::vector<uint8_t> lengths(size_t(count), 0);
    std::vector<int> leaves;
    for (int i = 0; i < count; ++i)
        if (freq[i])
            leaves.push_back(i);
    // A code needs two symbols; pad with unused ones, as decoders expect.
    for (int i = 0; leaves.size() < 2 && i < count; ++i)
        if (!freq[i] && std::find(leaves.begin(), leaves.end(), i) == leaves.end())
            leaves.push_back(i);

    struct Node
    {
        uint64_t weight;
        int depth;
        int index;
    };
    const int leafCount = int(leaves.size());
    std::vector<int> parent(2 * leafCount, -1);
    auto later = [](const Node& a, const Node& b) {
        return a.weight != b.weight ? a.weight > b.weight : a.depth > b.depth;
    };
    std::vector<Node> heap;
    for (int i = 0; i < leafCount; ++i)
        heap.push_back({std::max<uint64_t>(freq[leaves[i]], 1), 0, i});
    std::make_heap(heap.begin(), heap.end(), later);
    int next = leafCount;
    while (heap.size() > 1) {
        std::pop_heap(heap.begin(), heap.end(), later);
        Node a = heap.back();
        heap.pop_back();
        std::pop_heap(heap.begin(), heap.end(), later);
        Node b = heap.back();
        heap.pop_back();
        parent[a.index] = parent[b.index] = next;
        heap.push_back({a.weight + b.weight, std::max(a.depth, b.depth) + 1, next++});
        std::push_heap(heap.begin(), heap.end(), later);
    }
    const int root = next - 1;
    std::vector<int> depth(next, 0);
    for (int node = root - 1; node >= 0; --node)
        depth[node] = depth[parent[node]] + 1;

    const uint64_t full = uint64_t(1) << maxLength;
    std::vector<unsigned> perLength(size_t(maxLength) + 1, 0);
    uint64_t kraft = 0; // in units of 2^-maxLength
    for (int i = 0; i < leafCount; ++i) {
        const int length = std::min(depth[i], maxLength);
        ++perLength[length];
        kraft += uint64_t(1) << (maxLength - length);
    }
    if (kraft == full) {
        for (int i = 0; i < leafCount; ++i)
            lengths[leaves[i]] = uint8_t(depth[i]);
        return lengths;
    }
    // Clamping overfilled the code. Each step hangs one leaf of the longest
    // length under a shorter leaf, which lowers the sum by exactly one unit,
    // so the code ends complete however deep the tree was.
    while (kraft > full) {
        int bits = maxLength - 1;
        while (perLength[bits] == 0)
            --bits;
        --perLength[bits];
        perLength[bits + 1] += 2;
        --perLength[maxLength];
        --kraft;
    }
    std::vector<int> order(leafCount);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return freq[leaves[a]] < freq[leaves[b]]; });
    size_t k = 0;
    for (int bits = maxLength; bits >= 1; --bits)
        for (unsigned n = 0; n < perLength[bits]; ++n)
            lengths[leaves[order[k++]]] = uint8_t(bits);
    return lengths;
}

bool DeflateTrees::buildTree(const uint32_t* freq, int count, int maxLength, Tree& tree)
{
    tree.lengths = codeLengths(freq, count, maxLength);
    tree.maxCode = -1;
    for (int i = 0; i < count; ++i)
        if (tree.lengths[i])
            tree.maxCode = i;

    // Kraft sum must be exactly one.
    uint64_t kraft = 0;
    for (uint8_t length : tree.lengths)
        if (length)
            kraft += uint64_t(1) << (MaxBits - length);
    if (kraft != (uint64_t(1) << MaxBits)) {
        setError(kraft > (uint64_t(1) << MaxBits) ? "too many codes" : "not enough codes");
        return false;
    }
    assignCodes(tree.lengths, tree.codes);
    return true;
}

// Run-length codes (RFC 1951, 3.2.7) of the literal and distance code lengths.
void DeflateTrees::countCodeLengths(std::vector<uint8_t>& symbols,
                                    std::vector<uint8_t>& extras) const
{
    std::vector<uint8_t> all(dynLiterals_.lengths.begin(),
                             dynLiterals_.lengths.begin() + dynLiterals_.maxCode + 1);
    all.insert(all.end(), dynDistances_.lengths.begin(),
               dynDistances_.lengths.begin() + dynDistances_.maxCode + 1);
    symbols.clear();
    extras.clear();
    size_t i = 0;
    while (i < all.size()) {
        const uint8_t value = all[i];
        size_t run = 1;
        while (i + run < all.size() && all[i + run] == value)
            ++run;
        i += run;
        if (value == 0) {
            while (run >= 11) {
                const size_t n = std::min<size_t>(run, 138);
                symbols.push_back(18);
                extras.push_back(uint8_t(n - 11));
                run -= n;
            }
            if (run >= 3) {
                symbols.push_back(17);
                extras.push_back(uint8_t(run - 3));
                run = 0;
            }
        } else {
            symbols.push_back(value);
            extras.push_back(0);
            --run;
            while (run >= 3) {
                const size_t n = std::min<size_t>(run, 6);
                symbols.push_back(16);
                extras.push_back(uint8_t(n - 3));
                run -= n;
            }
        }
        for (; run > 0; --run) {
            symbols.push_back(value);
            extras.push_back(0);
        }
    }
}

uint64_t DeflateTrees::dynamicTreeBits(const std::vector<uint8_t>& rleSymbols, int& clCount)
{
    uint32_t freq[CodeLengthCodes] = {};
    for (uint8_t s : rleSymbols)
        ++freq[s];
    if (!buildTree(freq, CodeLengthCodes, MaxCodeLengthBits, codeLengths_))
        return 0;
    clCount = CodeLengthCodes;
    while (clCount > 4 && codeLengths_.lengths[CodeLengthOrder[clCount - 1]] == 0)
        --clCount;
    uint64_t bits = 5 + 5 + 4 + 3 * uint64_t(clCount);
    for (int s = 0; s < CodeLengthCodes; ++s)
        bits += uint64_t(freq[s]) * (codeLengths_.lengths[s] + CodeLengthExtra[s]);
    return bits;
}

uint64_t DeflateTrees::symbolBits(const Tree& literalTree, const Tree& distanceTree) const
{
    uint64_t bits = literalTree.lengths[EndOfBlock];
    for (int c = 0; c < 256; ++c)
        bits += uint64_t(literalFreq_[c]) * literalTree.lengths[c];
    for (int c = 0; c < 29; ++c)
        bits += uint64_t(literalFreq_[EndOfBlock + 1 + c])
                * (literalTree.lengths[EndOfBlock + 1 + c] + LengthExtra[c]);
    for (int c = 0; c < DistanceCodes; ++c)
        bits += uint64_t(distanceFreq_[c]) * (distanceTree.lengths[c] + DistanceExtra[c]);
    return bits;
}

void DeflateTrees::flushBlock(const uint8_t* blockData, uint64_t blockInput, bool last)
{
    if (!error_.empty())
        return;
    literalFreq_[EndOfBlock] = 1;
    std::vector<uint8_t> rleSymbols;
    std::vector<uint8_t> rleExtras;
    int clCount = 0;
    if (!buildTree(literalFreq_, LiteralCodes, MaxBits, dynLiterals_)
        || !buildTree(distanceFreq_, DistanceCodes, MaxBits, dynDistances_))
        return;
    countCodeLengths(rleSymbols, rleExtras);
    const uint64_t treeBits = dynamicTreeBits(rleSymbols, clCount);
    if (!error_.empty())
        return;
    const uint64_t dynamicBits = treeBits + symbolBits(dynLiterals_, dynDistances_);
    const uint64_t fixedBits = symbolBits(fixedLiterals_, fixedDistances_);
    const uint64_t dynamicBytes = (dynamicBits + 3 + 7) / 8;
    const uint64_t fixedBytes = (fixedBits + 3 + 7) / 8;
    const uint64_t best = std::min(dynamicBytes, fixedBytes);

    if (blockData && blockInput + 4 <= best) {
        sendStored(blockData, blockInput, last);
    } else if (fixedBytes == best) {
        putBits((1u << 1) | (last ? 1 : 0), 3);
        sendSymbols(fixedLiterals_, fixedDistances_);
        expectedBits_ += 3 + fixedBits;
    } else {
        putBits((2u << 1) | (last ? 1 : 0), 3);
        sendDynamicTrees(rleSymbols, rleExtras, clCount);
        sendSymbols(dynLiterals_, dynDistances_);
        expectedBits_ += 3 + dynamicBits;
    }
    if (expectedBits_ != bytesOut_ * 8 + uint64_t(bitCount_))
        setError("bad compressed size");
    resetBlock();
    if (last) {
        alignToByte();
        flushOutput();
    }
}

void DeflateTrees::sendStored(const uint8_t* data, uint64_t length, bool last)
{
    // A stored block holds at most 65535 bytes; longer input takes several.
    do {
        const uint64_t part = std::min<uint64_t>(length, 65535);
        const bool final = last && part == length;
        putBits(final ? 1 : 0, 3);
        alignToByte();
        const uint8_t header[4] = {uint8_t(part), uint8_t(part >> 8), uint8_t(~part),
                                   uint8_t(~part >> 8)};
        putBytes(header, 4);
        putBytes(data, size_t(part));
        data += part;
        length -= part;
    } while (length > 0);
    expectedBits_ = bytesOut_ * 8;
}

void DeflateTrees::sendDynamicTrees(const std::vector<uint8_t>& rleSymbols,
                                    const std::vector<uint8_t>& rleExtras, int clCount)
{
    putBits(unsigned(dynLiterals_.maxCode + 1 - 257), 5);
    putBits(unsigned(dynDistances_.maxCode + 1 - 1), 5);
    putBits(unsigned(clCount - 4), 4);
    for (int i = 0; i < clCount; ++i)
        putBits(codeLengths_.lengths[CodeLengthOrder[i]], 3);
    for (size_t i = 0; i < rleSymbols.size(); ++i) {
        const uint8_t s = rleSymbols[i];
        putBits(codeLengths_.codes[s], codeLengths_.lengths[s]);
        if (CodeLengthExtra[s])
            putBits(rleExtras[i], CodeLengthExtra[s]);
    }
}

void DeflateTrees::sendSymbols(const Tree& literalTree, const Tree& distanceTree)
{
    const CodeTables& t = tables();
    const uint8_t* litLengths = literalTree.lengths.data();
    const uint16_t* litCodes = literalTree.codes.data();
    const uint32_t* symbols = symbols_.data();
    for (int i = 0; i < count_; ++i) {
        const unsigned distance = symbols[i] >> 8;
        const unsigned value = symbols[i] & 0xFF;
        if (distance == 0) {
            putBits(litCodes[value], litLengths[value]);
            continue;
        }
        const unsigned lengthCode = t.lengthCode[value];
        const unsigned symbol = EndOfBlock + 1 + lengthCode;
        putBits(litCodes[symbol], litLengths[symbol]);
        if (LengthExtra[lengthCode])
            putBits(value - t.lengthBase[lengthCode], LengthExtra[lengthCode]);
        const unsigned d = distance - 1;
        const unsigned distanceCode = t.distanceCodeOf(d);
        if (distanceTree.lengths[distanceCode] == 0) {
            setError("bad d_code");
            return;
        }
        putBits(distanceTree.codes[distanceCode], distanceTree.lengths[distanceCode]);
        if (DistanceExtra[distanceCode])
            putBits(d - t.distanceBase[distanceCode], DistanceExtra[distanceCode]);
    }
    putBits(litCodes[EndOfBlock], litLengths[EndOfBlock]);
}

void DeflateTrees::spillWord()
{
    if (outUsed_ + 4 > out_.size())
        flushOutput();
    uint8_t* out = out_.data() + outUsed_;
    out[0] = uint8_t(bitBuffer_);
    out[1] = uint8_t(bitBuffer_ >> 8);
    out[2] = uint8_t(bitBuffer_ >> 16);
    out[3] = uint8_t(bitBuffer_ >> 24);
    outUsed_ += 4;
    bytesOut_ += 4;
    bitBuffer_ >>= 32;
    bitCount_ -= 32;
}

void DeflateTrees::alignToByte()
{
    while (bitCount_ > 0) {
        if (outUsed_ == out_.size())
            flushOutput();
        out_[outUsed_++] = uint8_t(bitBuffer_);
        ++bytesOut_;
        bitBuffer_ >>= 8;
        bitCount_ = std::max(bitCount_ - 8, 0);
    }
    bitBuffer_ = 0;
}

void DeflateTrees::putBytes(const uint8_t* data, size_t size)
{
    while (size > 0) {
        if (outUsed_ == out_.size())
            flushOutput();
        const size_t n = std::min(size, out_.size() - outUsed_);
        std::memcpy(out_.data() + outUsed_, data, n);
        outUsed_ += n;
        bytesOut_ += n;
        data += n;
        size -= n;
    }
}

void DeflateTrees::flushOutput()
{
    if (outUsed_ > 0 && error_.empty() && writer_ && !(*writer_)(out_.data(), outUsed_))
        setError("output write failed");
    outUsed_ = 0;
}

} // namespace kiv
