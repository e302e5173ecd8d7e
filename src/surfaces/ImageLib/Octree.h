#pragma once
// Adaptive palette by colour octree: every pixel adds to a leaf seven levels
// down, the leaves sit in a min-heap, and the least important ones are folded
// into their parents until few enough remain.
//
// While pixels go in, only leaves exist: a table from the 21 colour bits of a
// leaf to its record, and the heap of those records. The tree above them is
// built when reduction starts, which gives the same heap as building it pixel
// by pixel, since interior nodes enter the heap only when folding.

#include <cstdint>
#include <cstddef>
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

    // Adds one pixel to the leaf of bits 7 down to 1 of the three channels,
    // then puts the leaf into the heap or moves it to its new place there.
    void insert(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

    // insert() for each pixel in turn (alpha unused). The leaf records lie
    // all over memory, so the records of pixels further on are fetched while
    // earlier ones go in.
    void insertRow(const Pixel8* pixels, std::uint32_t count);

    // Folds the heap's top node into its parent while the heap holds more
    // than maxColours nodes. No pixel may be added after.
    void reduce(std::uint32_t maxColours);

    // Writes (1, R, G, B), each channel the node's mean / 255, for every heap
    // node in heap-array order; returns how many were written. Call it after
    // reduce.
    std::uint32_t writeColours(Pixel32* colours) const;

private:
    // Nodes are numbered in the order of a depth-first walk, the root 0, so
    // that a parent lies just before its children; the tree needs no child
    // links, as nothing walks down it once built.
    struct Node {
        std::uint64_t red, green, blue;
        std::uint32_t count;
        std::uint32_t parent;  // kNoParent for the root
        std::uint8_t childCount;
        std::uint8_t depth;
        bool inHeap;
    };
    static constexpr std::uint32_t kNoParent = UINT32_MAX;
    static constexpr std::uint8_t kLeafDepth = 7;

    // A leaf while pixels go in: channel sums are kept as the count of odd
    // bytes, the leaf's seven upper bits being the same for all its pixels,
    // so that a record stays small.
    struct Leaf {
        std::uint32_t key;  // 7 bits each of red, green and blue
        std::uint32_t count;
        std::uint32_t oddRed, oddGreen, oddBlue;
        std::uint32_t heapPosition;
    };
    // Leaf numbers by key, in pages of the low kPageBits bits made when a
    // colour first reaches them: a picture's colours fill few of them.
    static constexpr unsigned kPageBits = 9;
    static constexpr std::uint32_t kPages = 1u << (3 * kLeafDepth - kPageBits);

    static std::uint32_t keyOf(const Pixel8& pixel) {
        return (pixel.red >> 1u) << 14 | (pixel.green >> 1u) << 7 | (pixel.blue >> 1u);
    }
    // The slot of a key's page, null while the page does not exist.
    std::uint32_t* slotOf(std::uint32_t key) const {
        std::uint32_t* page = leafPages_[key >> kPageBits];
        return page ? &page[key & ((1u << kPageBits) - 1)] : nullptr;
    }

    // One more pixel in a leaf.
    static void addTo(Leaf& leaf, const Pixel8& pixel) {
        ++leaf.count;
        leaf.oddRed += pixel.red & 1u;
        leaf.oddGreen += pixel.green & 1u;
        leaf.oddBlue += pixel.blue & 1u;
    }
    // insert() for a pixel whose slot the caller may have found already
    // (null: not yet).
    void add(const Pixel8& pixel, std::uint32_t* slot);
    void siftLeafDown(std::uint32_t leaf);
    void siftLeafUp(std::uint32_t leaf);
    // Builds the nodes above the leaves and the heap of nodes from the heap
    // of leaves.
    void buildTree();
    std::uint32_t newNode(std::uint8_t depth, std::uint32_t parent);
    struct HeapEntry {
        std::uint64_t key;  // orderKey of the node
        std::uint32_t node;
    };
    static std::uint64_t orderKey(const Node& node);
    void push(std::uint32_t node);
    std::uint32_t pop();
    void siftDown(std::size_t position);
    void siftUp(std::size_t position);

    std::vector<Node> nodes_;
    // Each node's place in heap_, apart from the nodes, as sifting moves
    // entries of nodes all over memory and only a few of them are ever
    // looked up by place.
    std::vector<std::uint32_t> heapPositions_;
    // Slot 0 stays empty so that the children of slot n are 2n and 2n + 1.
    std::vector<HeapEntry> heap_;
    // Leaf number plus one (0: none yet).
    std::unique_ptr<std::uint32_t*[]> leafPages_;
    std::vector<std::unique_ptr<std::uint32_t[]>> pageStore_;
    std::vector<Leaf> leaves_;
    // Leaf numbers; slot 0 stays empty as in heap_.
    std::vector<std::uint32_t> leafHeap_;
};

}  // namespace ImageLib
