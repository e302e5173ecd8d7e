#include "surfaces/ImageLib/Octree.h"

namespace ImageLib {

Octree::Octree()
    : root_(newNode(0, 0, nullptr)), heap_(1, nullptr), leafCache_(new CachedLeaf[kCacheSlots]()) {}

Octree::~Octree() = default;

Octree::Node* Octree::newNode(std::uint8_t index, std::uint8_t depth, Node* parent) {
    if (usedInLastBlock_ == kBlockNodes) {
        blocks_.emplace_back(new Node[kBlockNodes]());
        usedInLastBlock_ = 0;
    }
    Node* node = &blocks_.back()[usedInLastBlock_++];
    node->indexInParent = index;
    node->depth = depth;
    node->parent = parent;
    return node;
}

void Octree::insert(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    const std::uint32_t key = ((red >> 1u) << 14 | (green >> 1u) << 7 | (blue >> 1u)) + 1;
    CachedLeaf& cached = leafCache_[(key ^ (key >> 16)) & (kCacheSlots - 1)];
    Node* node = cached.leaf;
    if (cached.key != key) {
        node = root_;
        std::uint8_t depth = 1;
        for (unsigned bit = 0x80; depth < 8; bit >>= 1, ++depth) {
            const std::uint8_t child = static_cast<std::uint8_t>(
                ((green & bit) ? 4 : 0) | ((red & bit) ? 2 : 0) | ((blue & bit) ? 1 : 0));
            if (!node->children[child]) {
                node->children[child] = newNode(child, depth, node);
                ++node->childCount;
            }
            node = node->children[child];
        }
        cached = {key, node};
    }
    node->red += red;
    node->green += green;
    node->blue += blue;
    ++node->count;
    // A leaf already in the heap keeps its place unless its weight (count >>
    // depth) changed: the heap order held before, and sifting would move
    // nothing.
    if (!(node->flags & kInHeap) || (node->count & ((1u << node->depth) - 1)) == 0) {
        push(node);
    }
}

void Octree::reduce(std::uint32_t maxColours) {
    // The root has no parent to fold into; it can only reach the top when
    // fewer than one colour is asked for.
    while (heap_.size() - 1 > maxColours && heap_[1]->parent) {
        Node* node = pop();
        Node* parent = node->parent;
        parent->red += node->red;
        parent->green += node->green;
        parent->blue += node->blue;
        parent->count += node->count;
        --parent->childCount;
        parent->children[node->indexInParent] = nullptr;
        push(parent);
    }
}

std::uint32_t Octree::writeColours(Pixel32* colours) const {
    std::uint32_t written = 0;
    for (std::size_t slot = 1; slot < heap_.size(); ++slot) {
        const Node* node = heap_[slot];
        const double scale = 1.0 / node->count;
        colours[written++] = {1.0f, static_cast<float>(node->red * scale / 255.0),
                              static_cast<float>(node->green * scale / 255.0),
                              static_cast<float>(node->blue * scale / 255.0)};
    }
    return written;
}

// Nodes with fewer children come first; among equals, the one with fewer
// pixels for its depth.
int Octree::compare(const Node* a, const Node* b) {
    if (a->childCount != b->childCount) {
        return a->childCount < b->childCount ? -1 : 1;
    }
    const std::uint32_t weightA = a->count >> a->depth;
    const std::uint32_t weightB = b->count >> b->depth;
    return weightA < weightB ? -1 : (weightA > weightB ? 1 : 0);
}

void Octree::push(Node* node) {
    if (node->flags & kInHeap) {
        siftDown(node);
        siftUp(node);
        return;
    }
    node->flags |= kInHeap;
    node->heapPosition = static_cast<std::uint32_t>(heap_.size());
    heap_.push_back(node);
    siftUp(node);
}

Octree::Node* Octree::pop() {
    Node* top = heap_[1];
    heap_[1] = heap_.back();
    heap_.pop_back();
    if (heap_.size() > 1) {
        heap_[1]->heapPosition = 1;
        siftDown(heap_[1]);
    }
    return top;
}

void Octree::siftDown(Node* node) {
    const std::size_t size = heap_.size();
    std::size_t n = node->heapPosition;
    for (;;) {
        std::size_t m = n * 2;
        if (m >= size) {
            break;
        }
        if (m + 1 < size && compare(heap_[m], heap_[m + 1]) > 0) {
            ++m;
        }
        if (compare(node, heap_[m]) <= 0) {
            break;
        }
        heap_[n] = heap_[m];
        heap_[n]->heapPosition = static_cast<std::uint32_t>(n);
        n = m;
    }
    heap_[n] = node;
    node->heapPosition = static_cast<std::uint32_t>(n);
}

void Octree::siftUp(Node* node) {
    std::size_t n = node->heapPosition;
    while (n > 1) {
        Node* parent = heap_[n / 2];
        if (compare(node, parent) >= 0) {
            break;
        }
        heap_[n] = parent;
        parent->heapPosition = static_cast<std::uint32_t>(n);
        n /= 2;
    }
    heap_[n] = node;
    node->heapPosition = static_cast<std::uint32_t>(n);
}

}  // namespace ImageLib
