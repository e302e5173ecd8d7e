#include "surfaces/ImageLib/Octree.h"

namespace ImageLib {

Octree::Octree()
    : root_(newNode(0, 0, nullptr)),
      heap_(1, HeapEntry{0, nullptr}),
      leafPages_(new std::uint32_t*[kPages]()),
      leafHeap_(1, 0) {}

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
    add(Pixel8{0, red, green, blue}, nullptr);
}

void Octree::insertRow(const Pixel8* pixels, std::uint32_t count) {
    // Each pixel's slot is found and fetched this many pixels ahead, and its
    // leaf fetched half as many ahead, when the slot names one by then. The
    // slots found wait in a ring; pages never move, so a slot found stays
    // valid, and one whose page did not exist yet is looked up again.
    constexpr std::uint32_t kAhead = 16;
    std::uint32_t* slots[kAhead];
    const auto find = [&](std::uint32_t i) {
        std::uint32_t* slot = slotOf(keyOf(pixels[i]));
        if (slot) {
            __builtin_prefetch(slot);
        }
        slots[i % kAhead] = slot;
    };
    for (std::uint32_t i = 0; i < kAhead && i < count; ++i) {
        find(i);
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        if (i + kAhead / 2 < count) {
            const std::uint32_t* slot = slots[(i + kAhead / 2) % kAhead];
            if (slot && *slot != 0) {
                __builtin_prefetch(&leaves_[*slot - 1]);
            }
        }
        add(pixels[i], slots[i % kAhead]);
        if (i + kAhead < count) {
            find(i + kAhead);
        }
    }
}

void Octree::add(const Pixel8& pixel, std::uint32_t* slot) {
    if (!slot) {
        const std::uint32_t key = keyOf(pixel);
        std::uint32_t*& page = leafPages_[key >> kPageBits];
        if (!page) {
            pageStore_.emplace_back(new std::uint32_t[1u << kPageBits]());
            page = pageStore_.back().get();
        }
        slot = &page[key & ((1u << kPageBits) - 1)];
    }
    if (*slot == 0) {
        leaves_.push_back({keyOf(pixel), 1, pixel.red & 1u, pixel.green & 1u, pixel.blue & 1u,
                           static_cast<std::uint32_t>(leafHeap_.size())});
        *slot = static_cast<std::uint32_t>(leaves_.size());
        leafHeap_.push_back(*slot - 1);
        siftLeafUp(*slot - 1);
        return;
    }
    const std::uint32_t number = *slot - 1;
    Leaf& leaf = leaves_[number];
    ++leaf.count;
    leaf.oddRed += pixel.red & 1u;
    leaf.oddGreen += pixel.green & 1u;
    leaf.oddBlue += pixel.blue & 1u;
    // A leaf keeps its place unless its weight (count >> depth) changed: the
    // heap order held before, and sifting would move nothing.
    if ((leaf.count & ((1u << kLeafDepth) - 1)) == 0) {
        siftLeafDown(number);
        siftLeafUp(number);
    }
}

// The heap of leaves orders them as the heap of nodes would: all have no
// children and the same depth, so by count >> depth alone, ties staying put.
void Octree::siftLeafDown(std::uint32_t leaf) {
    const std::size_t size = leafHeap_.size();
    const std::uint32_t weight = leaves_[leaf].count >> kLeafDepth;
    std::size_t n = leaves_[leaf].heapPosition;
    for (;;) {
        std::size_t m = n * 2;
        if (m >= size) {
            break;
        }
        if (m + 1 < size && (leaves_[leafHeap_[m]].count >> kLeafDepth) >
                                (leaves_[leafHeap_[m + 1]].count >> kLeafDepth)) {
            ++m;
        }
        if (weight <= (leaves_[leafHeap_[m]].count >> kLeafDepth)) {
            break;
        }
        leafHeap_[n] = leafHeap_[m];
        leaves_[leafHeap_[n]].heapPosition = static_cast<std::uint32_t>(n);
        n = m;
    }
    leafHeap_[n] = leaf;
    leaves_[leaf].heapPosition = static_cast<std::uint32_t>(n);
}

void Octree::siftLeafUp(std::uint32_t leaf) {
    const std::uint32_t weight = leaves_[leaf].count >> kLeafDepth;
    std::size_t n = leaves_[leaf].heapPosition;
    while (n > 1) {
        const std::uint32_t parent = leafHeap_[n / 2];
        if (weight >= (leaves_[parent].count >> kLeafDepth)) {
            break;
        }
        leafHeap_[n] = parent;
        leaves_[parent].heapPosition = static_cast<std::uint32_t>(n);
        n /= 2;
    }
    leafHeap_[n] = leaf;
    leaves_[leaf].heapPosition = static_cast<std::uint32_t>(n);
}

void Octree::buildTree() {
    heap_.assign(leafHeap_.size(), HeapEntry{0, nullptr});
    for (const Leaf& leaf : leaves_) {
        const std::uint32_t red = leaf.key >> 14, green = (leaf.key >> 7) & 0x7F,
                            blue = leaf.key & 0x7F;
        Node* node = root_;
        for (std::uint8_t depth = 1; depth <= kLeafDepth; ++depth) {
            const unsigned bit = kLeafDepth - depth;
            const auto child = static_cast<std::uint8_t>(
                ((green >> bit) & 1u) << 2 | ((red >> bit) & 1u) << 1 | ((blue >> bit) & 1u));
            if (!node->children[child]) {
                node->children[child] = newNode(child, depth, node);
                ++node->childCount;
            }
            node = node->children[child];
        }
        node->red = std::uint64_t{red} * 2 * leaf.count + leaf.oddRed;
        node->green = std::uint64_t{green} * 2 * leaf.count + leaf.oddGreen;
        node->blue = std::uint64_t{blue} * 2 * leaf.count + leaf.oddBlue;
        node->count = leaf.count;
        node->flags = kInHeap;
        node->heapPosition = leaf.heapPosition;
        heap_[leaf.heapPosition] = {orderKey(node), node};
    }
    std::vector<Leaf>().swap(leaves_);
    std::vector<std::uint32_t>().swap(leafHeap_);
    pageStore_.clear();
    leafPages_.reset();
}

void Octree::reduce(std::uint32_t maxColours) {
    if (leafPages_) {
        buildTree();
    }
    // The root has no parent to fold into; it can only reach the top when
    // fewer than one colour is asked for.
    while (heap_.size() - 1 > maxColours && heap_[1].node->parent) {
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
        const Node* node = heap_[slot].node;
        const double scale = 1.0 / node->count;
        colours[written++] = {1.0f, static_cast<float>(node->red * scale / 255.0),
                              static_cast<float>(node->green * scale / 255.0),
                              static_cast<float>(node->blue * scale / 255.0)};
    }
    return written;
}

// Nodes with fewer children come first; among equals, the one with fewer
// pixels for its depth. The heap keeps this order as one number beside each
// node, so that sifting reads no nodes.
std::uint64_t Octree::orderKey(const Node* node) {
    return std::uint64_t{node->childCount} << 32 | (node->count >> node->depth);
}

void Octree::push(Node* node) {
    if (node->flags & kInHeap) {
        heap_[node->heapPosition].key = orderKey(node);
        siftDown(node->heapPosition);
        siftUp(node->heapPosition);
        return;
    }
    node->flags |= kInHeap;
    node->heapPosition = static_cast<std::uint32_t>(heap_.size());
    heap_.push_back({orderKey(node), node});
    siftUp(node->heapPosition);
}

Octree::Node* Octree::pop() {
    Node* top = heap_[1].node;
    heap_[1] = heap_.back();
    heap_.pop_back();
    if (heap_.size() > 1) {
        heap_[1].node->heapPosition = 1;
        siftDown(1);
    }
    return top;
}

void Octree::siftDown(std::size_t n) {
    const HeapEntry entry = heap_[n];
    const std::size_t size = heap_.size();
    for (;;) {
        std::size_t m = n * 2;
        if (m >= size) {
            break;
        }
        if (m + 1 < size && heap_[m].key > heap_[m + 1].key) {
            ++m;
        }
        if (entry.key <= heap_[m].key) {
            break;
        }
        heap_[n] = heap_[m];
        heap_[n].node->heapPosition = static_cast<std::uint32_t>(n);
        n = m;
    }
    heap_[n] = entry;
    entry.node->heapPosition = static_cast<std::uint32_t>(n);
}

void Octree::siftUp(std::size_t n) {
    const HeapEntry entry = heap_[n];
    while (n > 1) {
        const HeapEntry& parent = heap_[n / 2];
        if (entry.key >= parent.key) {
            break;
        }
        heap_[n] = parent;
        heap_[n].node->heapPosition = static_cast<std::uint32_t>(n);
        n /= 2;
    }
    heap_[n] = entry;
    entry.node->heapPosition = static_cast<std::uint32_t>(n);
}

}  // namespace ImageLib
