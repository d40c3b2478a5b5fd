// The 64-bit flag word in which the register keeps its configuration flags,
// and its map onto the flag groups of an IQAVECRFlags object: which bit carries
// which flag of Keyboard, Print, Scales, Misc and Sale. The flags reader and
// writer split the word into packet fields and assemble it from them.
#pragma once

#include <cstdint>
#include <span>

#include "corvatin/Corvatin.h"

namespace corvatin {

// The five flag groups that travel in the word.
enum class FlagGroup { Keyboard, Print, Scales, Misc, Sale };

// One bit of the word: the group and the constant of its enumeration.
struct FlagBit {
  int bit;
  FlagGroup group;
  LONG flag;
};

// Every bit that carries a flag, by bit number; bits without a row are 0.
std::span<const FlagBit> FlagWordMap();

// Sets bit BIT (0..63) of WORD; a bit outside the word changes nothing.
void SetFlagBit(std::uint64_t& word, int bit);
// Whether bit BIT (0..63) of WORD is set; false for a bit outside the word.
bool TestFlagBit(int bit, std::uint64_t word);

// The word built from the five groups of FLAGS.
std::uint64_t GetFlagsWord(IQAVECRFlags* flags);
// Stores WORD into FLAGS: the five groups are cleared and then hold exactly
// the flags of the word's bits (a flag of a group that the word does not carry,
// such as economy print, is cleared). Power, ScalesCodeType, ScalesType and
// PLUStaling are left as they are.
void SetFlagsWord(IQAVECRFlags* flags, std::uint64_t word);

}  // namespace corvatin
