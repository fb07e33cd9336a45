#pragma once
// Kept runs by their start and length in one open-addressed table: no allocation per
// run, and a lookup touches one or two neighbouring slots. Runs are only added, never
// removed one by one.
#include <cstdint>
#include <vector>

namespace qr::fat {

template <typename Value> class RunIndex {
public:
    // The value kept for the run, or null.
    const Value* find(std::uint64_t start, std::uint32_t count) const {
        if (slots_.empty())
            return nullptr;
        for (std::size_t at = slotOf(start, count);; at = (at + 1) & mask()) {
            const Slot& slot = slots_[at];
            if (!slot.used)
                return nullptr;
            if (slot.start == start && slot.count == count)
                return &slot.value;
        }
    }
    // Adds a run that find() does not know.
    void insert(std::uint64_t start, std::uint32_t count, const Value& value) {
        if ((size_ + 1) * 2 > slots_.size())
            grow();
        place({start, count, true, value});
        ++size_;
    }
    void clear() {
        slots_.clear();
        size_ = 0;
    }
    std::size_t size() const { return size_; }

private:
    struct Slot {
        std::uint64_t start = 0;
        std::uint32_t count = 0;
        bool used = false;
        Value value{};
    };

    std::size_t mask() const { return slots_.size() - 1; }
    std::size_t slotOf(std::uint64_t start, std::uint32_t count) const {
        const std::uint64_t key = (start ^ (std::uint64_t{count} << 48)) * 0x9E3779B97F4A7C15ull;
        return static_cast<std::size_t>(key >> 32) & mask();
    }
    void place(const Slot& slot) {
        std::size_t at = slotOf(slot.start, slot.count);
        while (slots_[at].used)
            at = (at + 1) & mask();
        slots_[at] = slot;
    }
    void grow() {
        std::vector<Slot> old(slots_.empty() ? 64 : slots_.size() * 2);
        old.swap(slots_);
        for (const Slot& slot : old)
            if (slot.used)
                place(slot);
    }

    std::vector<Slot> slots_; // a power of two, at most half used
    std::size_t size_ = 0;
};

} // namespace qr::fat
