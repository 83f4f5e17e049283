#include "platform/Handles.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

namespace ruvu::platform {
namespace {

TEST(Handles, RegisterResolveReleaseWithZeroAsNull) {
    int a = 1;
    int b = 2;
    EXPECT_EQ(RegisterHandle(nullptr), 0u);
    EXPECT_EQ(ResolveHandle(0), nullptr);
    uint32_t ha = RegisterHandle(&a);
    uint32_t hb = RegisterHandle(&b);
    EXPECT_NE(ha, 0u);
    EXPECT_NE(ha, hb);
    EXPECT_EQ(ResolveHandleAs<int>(ha), &a);
    EXPECT_EQ(ResolveHandleAs<int>(hb), &b);
    ReleaseHandle(ha);
    EXPECT_EQ(ResolveHandle(ha), nullptr);
    EXPECT_EQ(ResolveHandle(0xFFFFFFF0u), nullptr);
    ReleaseHandle(ha);  // twice, unknown and 0: ignored
    ReleaseHandle(0xFFFFFFF0u);
    ReleaseHandle(0);
    EXPECT_EQ(ResolveHandleAs<int>(hb), &b);
    ReleaseHandle(hb);
}

TEST(Handles, NumbersStaySmallBecauseReleasedOnesAreReused) {
    int value = 0;
    uint32_t highest = 0;
    for (int i = 0; i < 100000; ++i) {
        ScopedHandle handle(&value);
        highest = std::max(highest, handle.Get());
    }
    EXPECT_LT(highest, 1000u);
}

TEST(Handles, ScopedHandleMovesAndReleases) {
    int value = 0;
    uint32_t number = 0;
    {
        ScopedHandle first(&value);
        number = first.Get();
        ScopedHandle second = std::move(first);
        EXPECT_EQ(first.Get(), 0u);
        EXPECT_EQ(ResolveHandle(second.Get()), &value);
    }
    EXPECT_EQ(ResolveHandle(number), nullptr);
}

TEST(Handles, ThreadsGetDistinctHandles) {
    constexpr int kThreads = 4;
    constexpr int kEach = 2000;
    std::vector<int> values(kThreads * kEach);
    std::vector<std::vector<uint32_t>> handles(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) {
                handles[t].push_back(RegisterHandle(&values[t * kEach + i]));
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    std::set<uint32_t> distinct;
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kEach; ++i) {
            EXPECT_EQ(ResolveHandle(handles[t][i]), &values[t * kEach + i]);
            distinct.insert(handles[t][i]);
            ReleaseHandle(handles[t][i]);
        }
    }
    EXPECT_EQ(distinct.size(), values.size());
    EXPECT_EQ(distinct.count(0), 0u);
}

}  // namespace
}  // namespace ruvu::platform
