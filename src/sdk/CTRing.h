#pragma once
// A circular doubly linked list of elements that carry their own prev/next
// links and a handle. The ring keeps a current position that Find moves:
// callers rely on a successful Find leaving the element found as current.
// No locking here; the owner serialises every call.

#include <cstdint>

namespace tavix {

template <class Element>
class CTRing {
public:
    CTRing() = default;
    CTRing(const CTRing&) = delete;
    CTRing& operator=(const CTRing&) = delete;

    Element* Current() const { return current_; }
    uint32_t Count() const { return count_; }

    // Links element in just before current (the end of the walk from
    // current) and makes it current.
    void Link(Element* element)
    {
        if (current_ == nullptr) {
            element->prev = element->next = element;
        } else {
            element->next = current_;
            element->prev = current_->prev;
            current_->prev->next = element;
            current_->prev = element;
        }
        current_ = element;
        ++count_;
    }

    // Examines every element once, walking next from current. Found: current
    // is the element. Not found: current is the element before the start.
    bool Find(uint32_t handle)
    {
        if (current_ == nullptr)
            return false;
        if (current_->handle == handle)
            return true;
        const Element* last = current_->prev;
        while (current_ != last) {
            current_ = current_->next;
            if (current_->handle == handle)
                return true;
        }
        return false;
    }

    // Unlinks current and returns it (the caller frees it); current moves to
    // its next. Null on an empty ring.
    Element* UnlinkCurrent()
    {
        Element* removed = current_;
        if (removed == nullptr)
            return nullptr;
        if (removed->next == removed) {
            current_ = nullptr;
        } else {
            removed->prev->next = removed->next;
            removed->next->prev = removed->prev;
            current_ = removed->next;
        }
        removed->prev = removed->next = nullptr;
        --count_;
        return removed;
    }

private:
    Element* current_ = nullptr;
    uint32_t count_ = 0;
};

} // namespace tavix
