#include <gtest/gtest.h>

#include <vector>

#include "sdk/CSdkChain.h"
#include "sdk/CTRing.h"

using tavix::CSdkChain;
using tavix::CTRing;

namespace {
struct Node {
    uint32_t handle;
    Node* prev = nullptr;
    Node* next = nullptr;
};

// Walks next from current; also checks that prev is the exact inverse.
std::vector<uint32_t> Walk(const CTRing<Node>& ring)
{
    std::vector<uint32_t> handles;
    const Node* start = ring.Current();
    if (start == nullptr)
        return handles;
    const Node* node = start;
    do {
        EXPECT_EQ(node->next->prev, node);
        handles.push_back(node->handle);
        node = node->next;
    } while (node != start && handles.size() <= ring.Count());
    return handles;
}
} // namespace

TEST(Ring, AddLinksBeforeCurrentAndBecomesCurrent)
{
    CTRing<Node> ring;
    Node a{1}, b{2}, c{3};
    ring.Link(&a);
    EXPECT_EQ(a.next, &a);
    EXPECT_EQ(a.prev, &a);
    ring.Link(&b);
    ring.Link(&c);
    EXPECT_EQ(ring.Count(), 3u);
    // c went in before b, which went in before a: walking from c gives c, b, a.
    EXPECT_EQ(Walk(ring), (std::vector<uint32_t>{3, 2, 1}));
    while (ring.UnlinkCurrent() != nullptr) {
    }
}

TEST(Ring, FindLeavesCurrentOnTheFoundOrTheElementBeforeTheStart)
{
    CTRing<Node> ring;
    Node a{1}, b{2}, c{3}, d{4};
    for (Node* n : {&a, &b, &c, &d})
        ring.Link(n); // walk from current: 4, 3, 2, 1
    EXPECT_TRUE(ring.Find(2));
    EXPECT_EQ(ring.Current(), &b);
    EXPECT_TRUE(ring.Find(2));
    EXPECT_EQ(ring.Current(), &b);

    // From 2 the walk is 2, 1, 4, 3: a miss stops on 3, the element before 2.
    EXPECT_FALSE(ring.Find(99));
    EXPECT_EQ(ring.Current(), &c);
    EXPECT_TRUE(ring.Find(4)); // wraps around
    EXPECT_EQ(ring.Current(), &d);
    while (ring.UnlinkCurrent() != nullptr) {
    }
}

TEST(Ring, RemoveCurrentMovesToNextAndEmptiesCleanly)
{
    CTRing<Node> ring;
    EXPECT_EQ(ring.UnlinkCurrent(), nullptr);
    EXPECT_FALSE(ring.Find(1));
    Node a{1}, b{2}, c{3};
    for (Node* n : {&a, &b, &c})
        ring.Link(n);
    ASSERT_TRUE(ring.Find(2));
    EXPECT_EQ(ring.UnlinkCurrent(), &b);
    EXPECT_EQ(ring.Current(), &a); // 2's next
    EXPECT_EQ(Walk(ring), (std::vector<uint32_t>{1, 3}));
    EXPECT_EQ(ring.UnlinkCurrent(), &a);
    EXPECT_EQ(ring.Current(), &c);
    EXPECT_EQ(c.next, &c);
    EXPECT_EQ(c.prev, &c);
    EXPECT_EQ(ring.UnlinkCurrent(), &c);
    EXPECT_EQ(ring.Current(), nullptr);
    EXPECT_EQ(ring.Count(), 0u);
}

TEST(SdkChain, NewHandlesAreNeverZeroNorAlreadyRegistered)
{
    CSdkChain chain;
    uint32_t first = chain.Register(nullptr, [](uint32_t) { return 500u; });
    EXPECT_EQ(first, 500u);
    // A source that first yields 0, then the registered 500, then 501.
    std::vector<uint32_t> candidates{0, 500, 0, 501};
    size_t next = 0;
    uint32_t second = chain.Register(nullptr, [&](uint32_t count) {
        EXPECT_EQ(count, 1u);
        return candidates[next++];
    });
    EXPECT_EQ(second, 501u);
    EXPECT_EQ(next, candidates.size());
    EXPECT_EQ(chain.Count(), 2u);
    EXPECT_TRUE(chain.Contains(500));
    EXPECT_TRUE(chain.Contains(501));
    EXPECT_FALSE(chain.Contains(0));
}

TEST(SdkChain, LookupAndRemoveByHandle)
{
    CSdkChain chain;
    for (uint32_t h : {10u, 20u, 30u})
        chain.Add({h, nullptr});
    ASSERT_TRUE(chain.Contains(20));
    EXPECT_EQ(chain.CurrentHandle(), 20u);
    EXPECT_EQ(chain.CurrentHandle(), 20u) << "a successful lookup leaves the element current";
    EXPECT_TRUE(chain.Remove(20));
    EXPECT_FALSE(chain.Remove(20));
    EXPECT_FALSE(chain.Contains(20));
    EXPECT_TRUE(chain.Contains(10));
    EXPECT_TRUE(chain.Contains(30));
    chain.RemoveAll();
    EXPECT_EQ(chain.Count(), 0u);
    EXPECT_EQ(chain.CurrentHandle(), 0u);
}
