#pragma once

#include <cstddef>
#include <cstdint>

// Memory for many small objects that all go at once: handed out from a few
// large blocks, which are released together when the arena is destroyed.
// Objects placed here are destroyed by their owners as usual; only their
// memory waits for the arena. A model's faces and what each face owns (its
// corners and its texture handle) live in one, so reading a model costs a few
// allocations per subobject rather than several per face.
class Arena {
public:
    Arena() = default;
    ~Arena();
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;

    // The next block is at least this large (the first one made is, too).
    void reserve(size_t bytes) {
        if (bytes > nextBlockBytes) nextBlockBytes = bytes;
    }
    // `alignment` is a power of two.
    void* allocate(size_t bytes, size_t alignment) {
        char* aligned = at + (-reinterpret_cast<uintptr_t>(at) & (alignment - 1));
        if (at != nullptr && aligned <= end && bytes <= static_cast<size_t>(end - aligned)) {
            at = aligned + bytes;
            return aligned;
        }
        return allocateInNewBlock(bytes, alignment);
    }
    template <class T>
    T* allocateArray(size_t count) {
        return static_cast<T*>(allocate(sizeof(T) * count, alignof(T)));
    }

private:
    struct Block {
        Block* previous;
    };
    void* allocateInNewBlock(size_t bytes, size_t alignment);

    Block* last = nullptr;
    char* at = nullptr;
    char* end = nullptr;
    size_t nextBlockBytes = 4096;
};
