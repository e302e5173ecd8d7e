#include "surfaces/ImageLib/Octree.h"

namespace ImageLib {

Octree::Octree()
    : heap_(1, HeapEntry{0, 0}), leafPages_(new std::uint32_t*[kPages]()), leafHeap_(1, 0) {}

Octree::~Octree() = default;

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
        // The slot's place in the ring is taken by the pixel kAhead on.
        std::uint32_t* slot = slots[i % kAhead];
        if (i + kAhead < count) {
            find(i + kAhead);
        }
        // The usual pixel, of a leaf that exists and whose weight stays the
        // same, goes in here; the others through add().
        if (slot && *slot != 0) {
            Leaf& leaf = leaves_[*slot - 1];
            if (((leaf.count + 1) & ((1u << kLeafDepth) - 1)) != 0) {
                addTo(leaf, pixels[i]);
                continue;
            }
        }
        add(pixels[i], slot);
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
    addTo(leaf, pixel);
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

namespace {

// The key's bits of each level side by side (green, red, blue), the first
// level's highest: keys in this order are leaves in the order of a
// depth-first walk of the tree.
constexpr std::uint32_t spreadBits(std::uint32_t bits) {
    std::uint32_t spread = 0;
    for (unsigned bit = 0; bit < 7; ++bit) {
        spread |= ((bits >> bit) & 1u) << (3 * bit);
    }
    return spread;
}

struct SpreadTable {
    std::uint32_t of[128];
    constexpr SpreadTable() : of() {
        for (std::uint32_t bits = 0; bits < 128; ++bits) {
            of[bits] = spreadBits(bits);
        }
    }
};
constexpr SpreadTable kSpread;

std::uint32_t walkOrderOf(std::uint32_t key) {
    return kSpread.of[(key >> 7) & 0x7F] << 2 | kSpread.of[key >> 14] << 1 | kSpread.of[key & 0x7F];
}

// Sorts numbers by their upper 32 bits, of which the low `bits` may be set,
// eleven bits a pass.
void sortByHighWord(std::vector<std::uint64_t>& items, unsigned bits) {
    constexpr unsigned kDigitBits = 11;
    std::vector<std::uint64_t> sorted(items.size());
    for (unsigned shift = 32; shift < 32 + bits; shift += kDigitBits) {
        std::vector<std::size_t> starts((1u << kDigitBits) + 1);
        for (const std::uint64_t item : items) {
            ++starts[((item >> shift) & ((1u << kDigitBits) - 1)) + 1];
        }
        for (std::size_t d = 1; d < starts.size(); ++d) {
            starts[d] += starts[d - 1];
        }
        for (const std::uint64_t item : items) {
            sorted[starts[(item >> shift) & ((1u << kDigitBits) - 1)]++] = item;
        }
        items.swap(sorted);
    }
}

}  // namespace

std::uint32_t Octree::newNode(std::uint8_t depth, std::uint32_t parent) {
    nodes_.push_back(Node{0, 0, 0, 0, parent, 0, depth, false});
    return static_cast<std::uint32_t>(nodes_.size() - 1);
}

// The leaves in walk order differ from the one before from some level on,
// where their path leaves the one before; the nodes from there down are new.
// Which nodes exist and what they hold is all that the reduction reads, so
// building them in this order gives the same tree as building them pixel by
// pixel.
void Octree::buildTree() {
    constexpr unsigned kKeyBits = 3 * kLeafDepth;
    std::vector<std::uint64_t> order(leaves_.size());
    for (std::size_t i = 0; i < leaves_.size(); ++i) {
        order[i] = std::uint64_t{walkOrderOf(leaves_[i].key)} << 32 | i;
    }
    sortByHighWord(order, kKeyBits);
    const auto newLevelsOf = [&](std::size_t i) {
        if (i == 0) {
            return 1;
        }
        const auto differ = static_cast<std::uint32_t>((order[i] ^ order[i - 1]) >> 32);
        return kLeafDepth - (31 - __builtin_clz(differ)) / 3;
    };
    std::size_t nodeCount = 1;
    for (std::size_t i = 0; i < order.size(); ++i) {
        nodeCount += kLeafDepth + 1 - newLevelsOf(i);
    }
    nodes_.reserve(nodeCount);
    heapPositions_.assign(nodeCount, 0);
    heap_.assign(leafHeap_.size(), HeapEntry{0, 0});
    std::uint32_t path[kLeafDepth + 1];
    path[0] = newNode(0, kNoParent);
    for (std::size_t i = 0; i < order.size(); ++i) {
        for (auto depth = static_cast<std::uint8_t>(newLevelsOf(i)); depth <= kLeafDepth; ++depth) {
            path[depth] = newNode(depth, path[depth - 1]);
            ++nodes_[path[depth - 1]].childCount;
        }
        const Leaf& leaf = leaves_[static_cast<std::uint32_t>(order[i])];
        const std::uint32_t red = leaf.key >> 14, green = (leaf.key >> 7) & 0x7F,
                            blue = leaf.key & 0x7F;
        Node& node = nodes_[path[kLeafDepth]];
        node.red = std::uint64_t{red} * 2 * leaf.count + leaf.oddRed;
        node.green = std::uint64_t{green} * 2 * leaf.count + leaf.oddGreen;
        node.blue = std::uint64_t{blue} * 2 * leaf.count + leaf.oddBlue;
        node.count = leaf.count;
        node.inHeap = true;
        heapPositions_[path[kLeafDepth]] = leaf.heapPosition;
        heap_[leaf.heapPosition] = {orderKey(node), path[kLeafDepth]};
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
    while (heap_.size() - 1 > maxColours && nodes_[heap_[1].node].parent != kNoParent) {
        const Node& node = nodes_[pop()];
        Node& parent = nodes_[node.parent];
        parent.red += node.red;
        parent.green += node.green;
        parent.blue += node.blue;
        parent.count += node.count;
        --parent.childCount;
        push(node.parent);
    }
}

std::uint32_t Octree::writeColours(Pixel32* colours) const {
    std::uint32_t written = 0;
    for (std::size_t slot = 1; slot < heap_.size(); ++slot) {
        const Node& node = nodes_[heap_[slot].node];
        const double scale = 1.0 / node.count;
        colours[written++] = {1.0f, static_cast<float>(node.red * scale / 255.0),
                              static_cast<float>(node.green * scale / 255.0),
                              static_cast<float>(node.blue * scale / 255.0)};
    }
    return written;
}

// Nodes with fewer children come first; among equals, the one with fewer
// pixels for its depth. The heap keeps this order as one number beside each
// node, so that sifting reads no nodes.
std::uint64_t Octree::orderKey(const Node& node) {
    return std::uint64_t{node.childCount} << 32 | (node.count >> node.depth);
}

// A node taken from the heap keeps its flag and last place, as a node
// pushed again after that updates the entry at that place.
void Octree::push(std::uint32_t node) {
    std::uint32_t& position = heapPositions_[node];
    if (nodes_[node].inHeap) {
        heap_[position].key = orderKey(nodes_[node]);
        siftDown(position);
        siftUp(position);
        return;
    }
    nodes_[node].inHeap = true;
    position = static_cast<std::uint32_t>(heap_.size());
    heap_.push_back({orderKey(nodes_[node]), node});
    siftUp(position);
}

std::uint32_t Octree::pop() {
    const std::uint32_t top = heap_[1].node;
    heap_[1] = heap_.back();
    heap_.pop_back();
    if (heap_.size() > 1) {
        heapPositions_[heap_[1].node] = 1;
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
        heapPositions_[heap_[n].node] = static_cast<std::uint32_t>(n);
        n = m;
    }
    heap_[n] = entry;
    heapPositions_[entry.node] = static_cast<std::uint32_t>(n);
}

void Octree::siftUp(std::size_t n) {
    const HeapEntry entry = heap_[n];
    while (n > 1) {
        const HeapEntry& parent = heap_[n / 2];
        if (entry.key >= parent.key) {
            break;
        }
        heap_[n] = parent;
        heapPositions_[heap_[n].node] = static_cast<std::uint32_t>(n);
        n /= 2;
    }
    heap_[n] = entry;
    heapPositions_[entry.node] = static_cast<std::uint32_t>(n);
}

}  // namespace ImageLib
