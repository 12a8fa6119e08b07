#include "tree/note_tree.h"

namespace {

// Handles are addresses: the low bits carry nothing, the product spreads
// the rest over the table.
size_t HashOf(HTREEITEM item, size_t mask)
{
    const uint64_t value = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(item)) >> 4;
    return static_cast<size_t>((value * 0x9E3779B97F4A7C15ull) >> 32) & mask;
}

}  // namespace

size_t ItemRecords::SlotOf(HTREEITEM item) const
{
    const size_t mask = table.size() - 1;
    size_t at = HashOf(item, mask);
    while (table[at].item && table[at].item != item)
        at = (at + 1) & mask;
    return at;
}

ItemRecord* ItemRecords::Find(HTREEITEM item)
{
    if (!item || table.empty())
        return nullptr;
    const Slot& slot = table[SlotOf(item)];
    return slot.item ? &pool[slot.index] : nullptr;
}

const ItemRecord* ItemRecords::Find(HTREEITEM item) const
{
    return const_cast<ItemRecords*>(this)->Find(item);
}

ItemRecord& ItemRecords::operator[](HTREEITEM item)
{
    if (ItemRecord* found = Find(item))
        return *found;
    // Kept at most half full, so a search for a missing handle ends soon.
    if ((count + 1) * 2 > table.size())
        Grow();
    uint32_t index;
    if (!unused.empty()) {
        index = unused.back();
        unused.pop_back();
    } else {
        index = static_cast<uint32_t>(pool.size());
        pool.emplace_back();
    }
    table[SlotOf(item)] = Slot{item, index};
    ++count;
    pool[index].item = item;
    return pool[index];
}

void ItemRecords::Erase(HTREEITEM item)
{
    if (!item || table.empty())
        return;
    const size_t mask = table.size() - 1;
    size_t hole = SlotOf(item);
    if (!table[hole].item)
        return;
    pool[table[hole].index] = ItemRecord();
    unused.push_back(table[hole].index);
    table[hole].item = nullptr;
    --count;
    // Later entries of the same run move back into the hole when their own
    // place lies at or before it, so every search still finds them.
    for (size_t next = (hole + 1) & mask; table[next].item; next = (next + 1) & mask) {
        const size_t home = HashOf(table[next].item, mask);
        if (((next - home) & mask) >= ((next - hole) & mask)) {
            table[hole] = table[next];
            table[next].item = nullptr;
            hole = next;
        }
    }
}

void ItemRecords::Grow()
{
    std::vector<Slot> old;
    old.swap(table);
    table.assign(old.empty() ? 64 : old.size() * 2, Slot{nullptr, 0});
    for (const Slot& slot : old) {
        if (slot.item)
            table[SlotOf(slot.item)] = slot;
    }
}

void ItemRecords::clear()
{
    table.clear();
    pool.clear();
    unused.clear();
    count = 0;
}
