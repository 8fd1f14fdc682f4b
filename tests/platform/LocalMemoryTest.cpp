#include <cstdint>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/LocalMemory.h"

namespace {

TEST(LocalMemory, BlocksKnowTheirExactSizeAndAreAligned) {
    for (size_t size : {size_t{0}, size_t{1}, size_t{15}, size_t{16}, size_t{17}, size_t{4096}}) {
        HLOCAL h = LocalAlloc(OBRI_LMEM_ZEROINIT, size);
        ASSERT_NE(h, nullptr) << size;
        EXPECT_EQ(LocalSize(h), size);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(h) % 16, 0u);
        auto* p = static_cast<unsigned char*>(LocalLock(h));
        EXPECT_EQ(p, h);
        for (size_t i = 0; i < size; ++i) ASSERT_EQ(p[i], 0) << i;
        EXPECT_EQ(LocalUnlock(h), 0);
        EXPECT_EQ(LocalFree(h), nullptr);
    }
}

TEST(LocalMemory, ForeignHandlesAreRecognisedAndLeftAlone) {
    int onStack = 0;
    HLOCAL foreign = &onStack;
    EXPECT_EQ(LocalLock(foreign), nullptr);
    EXPECT_EQ(LocalSize(foreign), 0u);
    EXPECT_EQ(LocalUnlock(foreign), 0);
    EXPECT_EQ(LocalFree(foreign), foreign);
    EXPECT_EQ(LocalFree(nullptr), nullptr);
    EXPECT_EQ(LocalLock(nullptr), nullptr);

    HLOCAL h = LocalAlloc(0, 8);
    ASSERT_EQ(LocalFree(h), nullptr);
    EXPECT_EQ(LocalSize(h), 0u) << "a freed block is no longer live";
    EXPECT_EQ(LocalFree(h), h);
}

TEST(LocalMemory, LockCountsAndFreeWhileLocked) {
    HLOCAL h = LocalAlloc(OBRI_LMEM_MOVEABLE, 32);
    ASSERT_NE(LocalLock(h), nullptr);
    ASSERT_NE(LocalLock(h), nullptr);
    EXPECT_EQ(LocalUnlock(h), 1);
    EXPECT_EQ(LocalFree(h), nullptr) << "a locked block is freed all the same";
}

TEST(LocalMemory, OverflowingSizesFail) {
    EXPECT_EQ(LocalAlloc(0, SIZE_MAX), nullptr);
    EXPECT_EQ(LocalAlloc(0, SIZE_MAX - 3), nullptr);
}

TEST(LocalMemory, IsThreadSafe) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([] {
            for (int i = 0; i < 2000; ++i) {
                HLOCAL h = LocalAlloc(0, static_cast<size_t>(i % 64));
                EXPECT_EQ(LocalSize(h), static_cast<size_t>(i % 64));
                EXPECT_EQ(LocalFree(h), nullptr);
            }
        });
    }
    for (auto& t : threads) t.join();
}

}  // namespace
