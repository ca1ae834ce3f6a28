// The byte code of a compiled regular expression, shared by the compiler that
// writes it and the matcher that runs it.
//
// A program is a magic byte (0x9C) followed by nodes. A node is an opcode byte, a
// 16-bit offset to the next node (high byte first; 0 = no next node) and the
// operands of its opcode. A BACK node's offset counts backwards, which is how loops
// close. Offsets fit in 15 bits because a program stays below kMaxProgramSize bytes.
//
// The readers below never index outside the program: every node index they return
// is either a valid-looking index (checked again by IsNode before use) or kNoNode /
// kBadNode, so a damaged program is detected instead of read out of bounds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

namespace ob::common::regex_code {

inline constexpr std::uint8_t kMagic = 0234; // 0x9C

/// A program must stay below this many bytes (magic byte included).
inline constexpr std::size_t kMaxProgramSize = 32767;

/// Opcode byte, node offset (2 bytes).
inline constexpr std::size_t kNodeHeader = 3;

/// Group slots: 0 is the whole match, 1 to 9 the parenthesised groups.
inline constexpr int kGroupSlots = 10;

enum Op : std::uint8_t {
    END = 0,     // end of the program: the match succeeded
    BOL = 1,     // beginning of the input
    EOL = 2,     // end of the input
    ANY = 3,     // any one character
    ANYOF = 4,   // one character of the zero-terminated set that follows
    ANYBUT = 5,  // one character not in the zero-terminated set that follows
    BRANCH = 6,  // the operand node, or else the next BRANCH
    BACK = 7,    // matches nothing; its offset points backwards
    EXACTLY = 8, // the zero-terminated string that follows
    NOTHING = 9, // the empty string
    STAR = 10,   // the simple operand node, zero or more times, greedily
    PLUS = 11,   // the simple operand node, one or more times, greedily
    OPEN = 20,   // OPEN + n: start of group n (1 to 9)
    CLOSE = 30,  // CLOSE + n: end of group n
};

/// "No next node" (offset 0).
inline constexpr std::size_t kNoNode = static_cast<std::size_t>(-1);
/// A next-node offset that leaves the program.
inline constexpr std::size_t kBadNode = static_cast<std::size_t>(-2);

/// True when a whole node header starts at `node` (index 0 is the magic byte).
inline bool IsNode(std::span<const std::uint8_t> code, std::size_t node) {
    return node >= 1 && node < code.size() && code.size() - node >= kNodeHeader;
}

/// True when `node` is a node with opcode `op`.
inline bool IsOp(std::span<const std::uint8_t> code, std::size_t node, Op op) {
    return IsNode(code, node) && code[node] == op;
}

/// The node after `node` (which must satisfy IsNode): kNoNode when it has none,
/// kBadNode when a backward offset would leave the program.
inline std::size_t NextNode(std::span<const std::uint8_t> code, std::size_t node) {
    const std::size_t offset = (std::size_t{code[node + 1]} << 8) | code[node + 2];
    if (offset == 0) {
        return kNoNode;
    }
    if (code[node] == BACK) {
        return offset > node ? kBadNode : node - offset;
    }
    return node + offset;
}

/// Index of the first operand byte of `node`.
inline std::size_t Operand(std::size_t node) {
    return node + kNodeHeader;
}

/// The zero-terminated operand string of `node` (EXACTLY, ANYOF, ANYBUT). False
/// when the program ends before the terminator.
inline bool OperandText(std::span<const std::uint8_t> code, std::size_t node,
                        std::string_view& text) {
    const std::size_t begin = Operand(node);
    if (begin >= code.size()) {
        return false;
    }
    const void* nul = std::memchr(code.data() + begin, 0, code.size() - begin);
    if (nul == nullptr) {
        return false;
    }
    const auto* first = reinterpret_cast<const char*>(code.data() + begin);
    text = std::string_view(first, static_cast<const char*>(nul) - first);
    return true;
}

} // namespace ob::common::regex_code
