// TextMap: the hash map from text keys that holds the part table, the sheet map and the loaded
// sheets. Open addressing with linear probing over a power-of-two slot count (64 at the first
// insertion); MurmurHash3 x86_32 with seed 0, a hash of 0 counting as 314159265. Iteration
// visits the slots from 0 upward, so the order follows the hash codes, not insertion; callers
// that list sheets rely on exactly this order. at() raises KeyError "key not found: " + key.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/errors.h"

namespace ledgerine::xlsx {

// MurmurHash3 x86_32 of the key's bytes, seed 0; 0 is replaced by 314159265 (0 marks empty).
uint32_t textHash(std::string_view key);

template <class V> class TextMap {
public:
    struct Entry {
        std::string key;
        V value{};
    };

    bool contains(std::string_view key) const { return findSlot(key, textHash(key)) >= 0; }

    const V* find(std::string_view key) const {
        long i = findSlot(key, textHash(key));
        return i < 0 ? nullptr : &slots_[static_cast<size_t>(i)].entry.value;
    }
    V* find(std::string_view key) {
        long i = findSlot(key, textHash(key));
        return i < 0 ? nullptr : &slots_[static_cast<size_t>(i)].entry.value;
    }

    const V& at(std::string_view key) const {
        const V* v = find(key);
        if (!v) throw base::KeyError("key not found: " + std::string(key));
        return *v;
    }
    V& at(std::string_view key) {
        V* v = find(key);
        if (!v) throw base::KeyError("key not found: " + std::string(key));
        return *v;
    }

    // Stores under key: a present key keeps its slot and gets the new value.
    void set(std::string_view key, V value) {
        uint32_t h = textHash(key);
        long i = findSlot(key, h);
        if (i >= 0) {
            slots_[static_cast<size_t>(i)].entry.value = std::move(value);
            return;
        }
        size_t n = slots_.size();
        if (n == 0) {
            slots_.resize(64);
        } else if (n * 2 < count_ * 3 || n - count_ < 4) {
            grow();
        }
        place(h, Entry{std::string(key), std::move(value)});
        ++count_;
    }

    size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    // Slot count, for tests of the growth rule.
    size_t slotCount() const { return slots_.size(); }

    template <class Slots, class E> class Iter {
    public:
        Iter(Slots* slots, size_t i) : slots_(slots), i_(i) { skip(); }
        E& operator*() const { return (*slots_)[i_].entry; }
        E* operator->() const { return &(*slots_)[i_].entry; }
        Iter& operator++() {
            ++i_;
            skip();
            return *this;
        }
        bool operator==(const Iter& o) const { return i_ == o.i_; }
        bool operator!=(const Iter& o) const { return i_ != o.i_; }

    private:
        void skip() {
            while (i_ < slots_->size() && (*slots_)[i_].hash == 0) ++i_;
        }
        Slots* slots_;
        size_t i_;
    };

    struct Slot {
        uint32_t hash = 0;
        Entry entry;
    };
    using iterator = Iter<std::vector<Slot>, Entry>;
    using const_iterator = Iter<const std::vector<Slot>, const Entry>;

    iterator begin() { return iterator(&slots_, 0); }
    iterator end() { return iterator(&slots_, slots_.size()); }
    const_iterator begin() const { return const_iterator(&slots_, 0); }
    const_iterator end() const { return const_iterator(&slots_, slots_.size()); }

private:
    long findSlot(std::string_view key, uint32_t h) const {
        if (slots_.empty()) return -1;
        size_t mask = slots_.size() - 1;
        for (size_t i = h & mask;; i = (i + 1) & mask) {
            const Slot& s = slots_[i];
            if (s.hash == 0) return -1;
            if (s.hash == h && s.entry.key == key) return static_cast<long>(i);
        }
    }

    void place(uint32_t h, Entry&& e) {
        size_t mask = slots_.size() - 1;
        size_t i = h & mask;
        while (slots_[i].hash != 0) i = (i + 1) & mask;
        slots_[i].hash = h;
        slots_[i].entry = std::move(e);
    }

    // Doubles the slots, re-inserting the old entries in the order of their old slots.
    void grow() {
        std::vector<Slot> old = std::move(slots_);
        slots_.clear();
        slots_.resize(old.size() * 2);
        for (Slot& s : old)
            if (s.hash != 0) place(s.hash, std::move(s.entry));
    }

    std::vector<Slot> slots_;
    size_t count_ = 0;
};

} // namespace ledgerine::xlsx
