// TEnumSet: a set over an enumeration of at most 32 values, bit n standing for ordinal n, so the
// stored form of a set is the same as the ordinals' bit mask.
#pragma once

#include <cstdint>
#include <initializer_list>

namespace kx {

template <typename E>
class TEnumSet {
 public:
  constexpr TEnumSet() = default;
  constexpr TEnumSet(std::initializer_list<E> items) {
    for (E e : items) fBits |= Bit(e);
  }
  static constexpr TEnumSet FromBits(uint32_t bits) {
    TEnumSet s;
    s.fBits = bits;
    return s;
  }

  constexpr bool Contains(E e) const { return (fBits & Bit(e)) != 0; }
  constexpr void Include(E e) { fBits |= Bit(e); }
  constexpr void Exclude(E e) { fBits &= ~Bit(e); }
  constexpr bool Empty() const { return fBits == 0; }
  constexpr uint32_t Bits() const { return fBits; }

  constexpr TEnumSet operator+(TEnumSet o) const { return FromBits(fBits | o.fBits); }
  constexpr TEnumSet operator-(TEnumSet o) const { return FromBits(fBits & ~o.fBits); }
  constexpr TEnumSet operator*(TEnumSet o) const { return FromBits(fBits & o.fBits); }
  friend constexpr bool operator==(TEnumSet, TEnumSet) = default;

 private:
  static constexpr uint32_t Bit(E e) { return uint32_t(1) << unsigned(e); }
  uint32_t fBits = 0;
};

}  // namespace kx
