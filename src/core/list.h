#pragma once

#include <cstdint>
#include <iterator>

struct List;

// Base of every list element. Destroying a node destroys the nodes after it,
// so destroying the first node of a chain releases the whole chain.
struct ListNode {
    ListNode* next = nullptr;
    ListNode* prev = nullptr;
    List* owner = nullptr;

    ListNode() = default;
    ListNode(const ListNode&) = delete;
    ListNode& operator=(const ListNode&) = delete;
    virtual ~ListNode();
};

// A cross-reference element: points at an object it does not own.
template <class T>
struct RefNode : ListNode {
    explicit RefNode(T* target_) : target(target_) {}
    T* target;
};

// Iterates a list as nodes of type T (each node must be a T).
template <class T>
class ListRange {
public:
    class iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = T*;
        using difference_type = std::ptrdiff_t;
        using pointer = T**;
        using reference = T*;

        explicit iterator(ListNode* node) : node_(node) {}
        T* operator*() const { return static_cast<T*>(node_); }
        iterator& operator++() { node_ = node_->next; return *this; }
        iterator operator++(int) { iterator old = *this; node_ = node_->next; return old; }
        bool operator==(const iterator& other) const { return node_ == other.node_; }

    private:
        ListNode* node_;
    };

    explicit ListRange(ListNode* first) : first_(first) {}
    iterator begin() const { return iterator(first_); }
    iterator end() const { return iterator(nullptr); }

private:
    ListNode* first_;
};

// The list header. Every list owns its nodes (a list of RefNodes owns only the
// RefNodes), and releases them when it is destroyed or cleared.
struct List {
    ListNode* first = nullptr;
    ListNode* last = nullptr;
    int32_t count = 0;

    List() = default;
    List(const List&) = delete;
    List& operator=(const List&) = delete;
    ~List() { clear(); }

    // Appends at the end, keeping insertion order.
    void append(ListNode* node);
    // Destroys every node (first to last) and empties the header.
    void clear();
    // Takes `node` out of this list without destroying it.
    void unlink(ListNode* node);

    bool empty() const { return first == nullptr; }

    template <class T>
    ListRange<T> as() const { return ListRange<T>(first); }
};
