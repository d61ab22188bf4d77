#include "core/arena.h"

#include <cstdint>
#include <new>

Arena::~Arena() {
    while (last != nullptr) {
        Block* previous = last->previous;
        ::operator delete(last);
        last = previous;
    }
}

void* Arena::allocate(size_t bytes, size_t alignment) {
    const auto address = reinterpret_cast<uintptr_t>(at);
    const uintptr_t aligned = (address + alignment - 1) & ~(static_cast<uintptr_t>(alignment) - 1);
    if (at != nullptr && aligned <= reinterpret_cast<uintptr_t>(end) &&
        bytes <= static_cast<size_t>(reinterpret_cast<uintptr_t>(end) - aligned)) {
        at = reinterpret_cast<char*>(aligned + bytes);
        return reinterpret_cast<void*>(aligned);
    }
    return allocateInNewBlock(bytes, alignment);
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
