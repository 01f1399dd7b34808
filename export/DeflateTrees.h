#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kiv {

// Collects the symbols of one deflate block, picks the cheapest block type
// (stored, fixed or dynamic Huffman codes) and emits the bits.
class DeflateTrees
{
public:
    using Writer = std::function<bool(const uint8_t* data, size_t size)>;

    static constexpr int LiteralBufferSize = 32768;
    static constexpr int OutputBufferSize = 16384;
    static constexpr int SymbolCheckInterval = 4096;

    DeflateTrees();

    // Starts a new stream; output goes to writer, which must outlive the stream.
    void start(const Writer* writer);

    // Record one literal or one match; true when the block should be flushed now.
    // blockInput is the number of input bytes the block covers so far.
    bool tallyLiteral(uint8_t literal, uint64_t blockInput)
    {
        symbols_[count_++] = literal;
        ++literalFreq_[literal];
        return blockFull(blockInput);
    }
    bool tallyMatch(unsigned distance, unsigned length, uint64_t blockInput);

    // Emits the current block. blockData points at its input when that is still
    // available (for a stored block), else null. Last closes the stream.
    void flushBlock(const uint8_t* blockData, uint64_t blockInput, bool last);

    // Huffman code lengths for freq[0, count), none longer than maxLength
    // and together a complete code. Unused symbols get 0, except that a code
    // of fewer than two used symbols is padded to two.
    static std::vector<uint8_t> codeLengths(const uint32_t* freq, int count, int maxLength);

    uint64_t compressedBytes() const { return bytesOut_; }
    const std::string& errorMessage() const { return error_; }
    void setError(const char* message);

private:
    struct Tree
    {
        std::vector<uint8_t> lengths;
        std::vector<uint16_t> codes;
        int maxCode = -1;
    };

    bool blockFull(uint64_t blockInput)
    {
        if ((count_ & (SymbolCheckInterval - 1)) == 0 && compressesWell(blockInput))
            return true;
        return count_ == LiteralBufferSize - 1;
    }
    bool compressesWell(uint64_t blockInput) const;
    void resetBlock();
    bool buildTree(const uint32_t* freq, int count, int maxLength, Tree& tree);
    void buildFixedTrees();
    void countCodeLengths(std::vector<uint8_t>& symbols, std::vector<uint8_t>& extras) const;
    uint64_t dynamicTreeBits(const std::vector<uint8_t>& rleSymbols, int& clCount);
    uint64_t symbolBits(const Tree& literalTree, const Tree& distanceTree) const;
    void sendDynamicTrees(const std::vector<uint8_t>& rleSymbols,
                          const std::vector<uint8_t>& rleExtras, int clCount);
    void sendSymbols(const Tree& literalTree, const Tree& distanceTree);
    void sendStored(const uint8_t* data, uint64_t length, bool last);

    void putBits(uint32_t value, int count)
    {
        bitBuffer_ |= uint64_t(value) << bitCount_;
        bitCount_ += count;
        if (bitCount_ >= 32)
            spillWord();
    }
    void spillWord();
    void alignToByte();
    void putBytes(const uint8_t* data, size_t size);
    void flushOutput();

    // Symbols of the block being built: distance << 8 | literal or length - 3,
    // distance 0 for a literal.
    std::vector<uint32_t> symbols_;
    int count_ = 0;
    int matches_ = 0;
    uint32_t literalFreq_[286] = {};
    uint32_t distanceFreq_[30] = {};

    Tree fixedLiterals_;
    Tree fixedDistances_;
    Tree dynLiterals_;
    Tree dynDistances_;
    Tree codeLengths_;

    // Output.
    const Writer* writer_ = nullptr;
    std::vector<uint8_t> out_;
    size_t outUsed_ = 0;
    uint64_t bitBuffer_ = 0;
    int bitCount_ = 0;
    uint64_t bytesOut_ = 0;     // bytes handed to the writer or buffered
    uint64_t expectedBits_ = 0; // what the chosen blocks should have cost
    std::string error_;
};

} // namespace kiv
