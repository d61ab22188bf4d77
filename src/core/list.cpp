#include "core/list.h"

ListNode::~ListNode() {
    // A loop rather than recursion: a subobject may hold many thousands of faces.
    ListNode* node = next;
    next = nullptr;
    while (node != nullptr) {
        ListNode* after = node->next;
        node->next = nullptr;
        delete node;
        node = after;
    }
}

void List::append(ListNode* node) {
    node->owner = this;
    node->next = nullptr;
    node->prev = last;
    if (last != nullptr) last->next = node;
    last = node;
    if (first == nullptr) first = node;
    ++count;
}

void List::clear() {
    ListNode* head = first;
    first = nullptr;
    last = nullptr;
    count = 0;
    delete head;
}

void List::unlink(ListNode* node) {
    if (node->prev != nullptr) node->prev->next = node->next;
    else first = node->next;
    if (node->next != nullptr) node->next->prev = node->prev;
    else last = node->prev;
    node->next = nullptr;
    node->prev = nullptr;
    node->owner = nullptr;
    --count;
}
