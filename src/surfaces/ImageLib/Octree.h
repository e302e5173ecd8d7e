#pragma once
// Adaptive palette by colour octree: every pixel adds to a leaf seven levels
// down, the leaves sit in a min-heap, and the least important ones are folded
// into their parents until few enough remain.

#include <cstdint>
#include <memory>
#include <vector>

#include "surfaces/ImageLib/Pixels.h"

namespace ImageLib {

class Octree {
public:
    Octree();
    ~Octree();
    Octree(const Octree&) = delete;
    Octree& operator=(const Octree&) = delete;

    // Adds one pixel: descends from the root by bits 7 down to 1 of the three
    // channels, child 4·g + 2·r + b, then puts the leaf into the heap or moves
    // it to its new place there.
    void insert(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

    // Folds the heap's top node into its parent while the heap holds more
    // than maxColours nodes.
    void reduce(std::uint32_t maxColours);

    // Writes (1, R, G, B), each channel the node's mean / 255, for every heap
    // node in heap-array order; returns how many were written.
    std::uint32_t writeColours(Pixel32* colours) const;

private:
    struct Node {
        std::uint64_t red, green, blue;
        std::uint32_t count;
        std::uint32_t heapPosition;
        std::uint8_t childCount;
        std::uint8_t indexInParent;
        std::uint8_t flags;
        std::uint8_t depth;
        Node* children[8];
        Node* parent;
    };
    static constexpr std::uint8_t kInHeap = 1;
    static constexpr std::uint32_t kBlockNodes = 2048;

    Node* newNode(std::uint8_t index, std::uint8_t depth, Node* parent);
    static int compare(const Node* a, const Node* b);
    void push(Node* node);
    Node* pop();
    void siftDown(Node* node);
    void siftUp(Node* node);

    // All nodes come from blocks that die together with the tree.
    std::vector<std::unique_ptr<Node[]>> blocks_;
    std::uint32_t usedInLastBlock_ = kBlockNodes;
    Node* root_;
    // Slot 0 stays empty so that the children of slot n are 2n and 2n + 1.
    std::vector<Node*> heap_;
    // Recently reached leaves by their 21 colour bits (plus one, so that 0
    // marks a free slot): neighbouring pixels mostly share leaves, and
    // nothing is folded before all pixels are in.
    struct CachedLeaf {
        std::uint32_t key;
        Node* leaf;
    };
    static constexpr std::uint32_t kCacheSlots = 1u << 16;
    std::unique_ptr<CachedLeaf[]> leafCache_;
};

}  // namespace ImageLib
