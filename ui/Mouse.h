// Mouse buttons, shift states and small sets of enumeration values, as events report them.
#pragma once

#include <functional>
#include <initializer_list>

class TComponent;

// A set of the values of a small enumeration (at most 32), kept as bits.
template <class E>
class TSmallSet {
public:
    constexpr TSmallSet() noexcept = default;
    constexpr TSmallSet(std::initializer_list<E> values) noexcept {
        for (E value : values)
            bits_ |= Bit(value);
    }
    constexpr bool Contains(E value) const noexcept { return (bits_ & Bit(value)) != 0; }
    constexpr bool Empty() const noexcept { return bits_ == 0; }
    constexpr void Include(E value) noexcept { bits_ |= Bit(value); }
    constexpr void Exclude(E value) noexcept { bits_ &= ~Bit(value); }
    friend constexpr bool operator==(TSmallSet, TSmallSet) noexcept = default;

private:
    static constexpr unsigned Bit(E value) noexcept { return 1u << static_cast<unsigned>(value); }
    unsigned bits_ = 0;
};

enum class TMouseButton { mbLeft, mbRight, mbMiddle };
enum class TShift { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle };
using TShiftState = TSmallSet<TShift>;

using TMouseEvent =
    std::function<void(TComponent* sender, TMouseButton button, TShiftState shift, int x, int y)>;
