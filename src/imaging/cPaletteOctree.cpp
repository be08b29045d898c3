// The optimal palette of a picture: octree colour quantisation.
// Every pixel is filed into a tree that splits the colour cube into eight boxes per level; whenever the tree holds
// more leaf colours than allowed, the most recently listed inner node of the deepest level is merged into one leaf.
#include "base/AppError.h"
#include "base/Rounding.h"
#include "imaging/cDIBSection.h"
#include "imaging/cPalette.h"
#include "base/HostHooks.h"

namespace {
constexpr int kInitialNodeSlots = 50;
}

void cPalette::CreateOptimal(const cDIBSection& picture, int maxColours, int depth)
{
    if (depth < 1 || depth > static_cast<int>(mReducible.size()))
        throw AppError(ErrorNumber::kSubscriptOutOfRange, ExecutableName() + ".cPalette",
                       "Subscript out of range: an octree depth of " + std::to_string(depth));
    mMaxDepth = depth;
    const Stopwatch clock;

    mNodes.assign(kInitialNodeSlots + 1, Node{});
    mNodesInUse = 1;
    mFreeList = 0;
    mLeafCount = 0;
    mReducible.fill(0);

    Events.RaiseInitProgress((picture.Height() - 1) + maxColours);

    const std::uint8_t* bits = picture.DIBSectionBitsPtr();
    const int stride = picture.BytesPerScanLine();
    for (int y = 0; bits && y < picture.Height(); ++y) {
        const std::uint8_t* row = bits + static_cast<std::size_t>(y) * stride;
        for (int x = 0; x < picture.Width(); ++x) {
            const std::uint8_t* p = row + 3 * x;
            AddColour(1, 1, 0, 255, 0, 255, 0, 255, p[2], p[1], p[0]);
            bool reduced = true;
            while (mLeafCount > maxColours) {
                reduced = ReduceTree();
                if (!reduced)
                    break;
            }
            // Only a maximum below the number of occupied boxes under the root gets here.
            if (!reduced && !AskHostYesNo("Error in reducing nodes"))
                throw AppError(ErrorNumber::kInvalidCall, ExecutableName() + ".cPalette", "Error in reducing nodes");
        }
        Events.RaiseProgress(y);
    }

    Clear();
    for (std::size_t i = 1; i < mNodes.size(); ++i) {
        const Node& node = mNodes[i];
        if (!node.leaf)
            continue;
        const double count = static_cast<double>(node.pixelCount);
        Add(static_cast<std::uint8_t>(RoundHalfEven(node.redSum / count)),
            static_cast<std::uint8_t>(RoundHalfEven(node.greenSum / count)),
            static_cast<std::uint8_t>(RoundHalfEven(node.blueSum / count)));
        Events.RaiseProgress(static_cast<int>(i));
    }
    Events.RaiseComplete(clock.ElapsedMilliseconds());
}

void cPalette::EraseNodes()
{
    mNodes.clear();
    mFreeList = 0;
}

void cPalette::AddColour(int node, int level, int rMin, int rMax, int gMin, int gMax, int bMin, int bMax, int R,
                         int G, int B)
{
    // Halves meet at mid: from (0, 255) the first split is at 128, the next at 64 or 192.
    auto split = [](int value, int& low, int& high) {
        const int mid = static_cast<int>(RoundHalfEven(low / 2.0 + high / 2.0));
        if (value <= mid) {
            high = mid;
            return 0;
        }
        low = mid;
        return 1;
    };
    const int slot = split(R, rMin, rMax) + 2 * split(G, gMin, gMax) + 4 * split(B, bMin, bMax);

    int child = mNodes[static_cast<std::size_t>(node)].children[static_cast<std::size_t>(slot)];
    if (child == 0) {
        child = NewNode();
        mNodes[static_cast<std::size_t>(node)].children[static_cast<std::size_t>(slot)] = child;
        mNodes[static_cast<std::size_t>(node)].pixelCount += 1;
        Node& fresh = mNodes[static_cast<std::size_t>(child)];
        fresh.redSum = fresh.greenSum = fresh.blueSum = 0;
        fresh.pixelCount = 0;
        fresh.next = 0;
        fresh.leaf = level == mMaxDepth;
    }

    Node& c = mNodes[static_cast<std::size_t>(child)];
    if (c.leaf) {
        if (c.pixelCount == 0)
            ++mLeafCount;
        c.pixelCount += 1;
        c.redSum += R;
        c.greenSum += G;
        c.blueSum += B;
        return;
    }
    if (!c.listed) {
        int& head = mReducible[static_cast<std::size_t>(level - 1)];
        c.next = head;
        head = child;
        c.listed = true;
    }
    AddColour(child, level + 1, rMin, rMax, gMin, gMax, bMin, bMax, R, G, B);
}

bool cPalette::ReduceTree()
{
    int list = mMaxDepth - 1;
    while (list >= 0 && mReducible[static_cast<std::size_t>(list)] == 0)
        --list;
    if (list < 0)
        return false;

    const int nodeNumber = mReducible[static_cast<std::size_t>(list)];
    mReducible[static_cast<std::size_t>(list)] = mNodes[static_cast<std::size_t>(nodeNumber)].next;

    std::int64_t red = 0, green = 0, blue = 0, pixels = 0;
    for (int& child : mNodes[static_cast<std::size_t>(nodeNumber)].children) {
        if (child == 0)
            continue;
        const Node& c = mNodes[static_cast<std::size_t>(child)];
        red += c.redSum;
        green += c.greenSum;
        blue += c.blueSum;
        pixels += c.pixelCount;
        FreeNode(child);
        --mLeafCount;
        child = 0;
    }
    Node& merged = mNodes[static_cast<std::size_t>(nodeNumber)];
    merged.leaf = true;
    merged.redSum = red;
    merged.greenSum = green;
    merged.blueSum = blue;
    merged.pixelCount = pixels;
    ++mLeafCount;
    return true;
}

int cPalette::NewNode()
{
    ++mNodesInUse;
    if (mFreeList == 0) {
        const int lastSlot = static_cast<int>(mNodes.size()) - 1;
        if (mNodesInUse > lastSlot)
            mNodes.resize(static_cast<std::size_t>(RoundHalfEven(mNodesInUse * 1.1)) + 1);
        return mNodesInUse;
    }
    const int k = mFreeList;
    Node& node = mNodes[static_cast<std::size_t>(k)];
    mFreeList = node.next;
    node.children.fill(0);
    return k;
}

void cPalette::FreeNode(int k)
{
    Node& node = mNodes[static_cast<std::size_t>(k)];
    node.next = mFreeList;
    mFreeList = k;
    node.leaf = false;
    node.listed = false;
    --mNodesInUse;
}
