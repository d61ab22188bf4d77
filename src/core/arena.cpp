#include "core/arena.h"

#include <new>

Arena::~Arena() {
    while (last != nullptr) {
        Block* previous = last->previous;
        ::operator delete(last);
        last = previous;
    }
}

// Blocks grow as the arena fills, so a large model needs only a few of them.
void* Arena::allocateInNewBlock(size_t bytes, size_t alignment) {
    const size_t header = (sizeof(Block) + alignof(std::max_align_t) - 1) / alignof(std::max_align_t) *
                          alignof(std::max_align_t);
    size_t size = nextBlockBytes;
    if (size < header + bytes + alignment) size = header + bytes + alignment;
    auto* block = static_cast<Block*>(::operator new(size));
    block->previous = last;
    last = block;
    at = reinterpret_cast<char*>(block) + header;
    end = reinterpret_cast<char*>(block) + size;
    nextBlockBytes = size * 2;
    return allocate(bytes, alignment);
}
