// A thread-local object's destructor runs while the thread's other
// thread-local values still hold what the thread left in them: the block
// cache hands a thread's chunks back from such a destructor.
#include <gtest/gtest.h>

#include <thread>

namespace {

thread_local int tLeftByThread = 0;

struct TSeen {
  int Other = 0;
  const int* OtherAt = nullptr;
};
TSeen gSeenAtEnd;

struct TWitness {
  ~TWitness() { gSeenAtEnd = {tLeftByThread, &tLeftByThread}; }
};

TEST(ThreadLocalObjects, AreDestroyedBeforeTheRestOfTheirThreadsStorage) {
  const int* otherAt = nullptr;
  std::thread thread([&otherAt] {
    static thread_local TWitness witness;
    (void)witness;
    tLeftByThread = 42;
    otherAt = &tLeftByThread;
  });
  thread.join();
  EXPECT_EQ(gSeenAtEnd.Other, 42);
  EXPECT_EQ(gSeenAtEnd.OtherAt, otherAt);
}

}  // namespace
