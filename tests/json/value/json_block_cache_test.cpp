// Values, entries and container stores come from per-thread chunks. A
// document may be made on one thread and freed on another, or outlive the
// thread that made it; every chunk must go back to the heap in the end (the
// sanitizer build's leak check watches that).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "json/value/json_block_cache.h"
#include "json/value/jsonvalue.h"

namespace {

// A document of many small values: one list of objects with a few members.
IJsonValue ManyValues(int records) {
  IJsonValue document = TJsonValue::Create(skObject);
  IJsonValue list = document->EnsurePath(u"items", skArray);
  for (int i = 0; i < records; ++i) {
    IJsonValue record = TJsonValue::Create(skObject);
    record->PutInt(u"id", i);
    record->PutText(u"name", u"item " + std::u16string(1, char16_t(u'a' + i % 26)));
    record->PutFloat(u"rate", i / 4.0);
    list->ArrayStore()->Append(record);
  }
  return document;
}

std::int64_t SumOfIds(const IJsonValue& document) {
  std::int64_t sum = 0;
  for (const IJsonValue& record : document->Get(u"items")->ArrayStore()->Items()) {
    sum += record->GetInt(u"id");
  }
  return sum;
}

TEST(JsonBlockCache, BlocksOfMixedSizesAreAlignedAndDoNotOverlap) {
  struct TTaken {
    unsigned char* Block;
    std::size_t Size;
  };
  std::vector<TTaken> taken;
  for (int i = 0; i < 3000; ++i) {
    const std::size_t size = 1 + (static_cast<std::size_t>(i) * 37) % json_blocks::kLargestBlock;
    auto* block = static_cast<unsigned char*>(json_blocks::TakeBlock(size));
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % 16, 0u);
    std::memset(block, i & 0xff, size);
    taken.push_back({block, size});
  }
  for (std::size_t i = 0; i < taken.size(); ++i) {
    const TTaken& t = taken[i];
    for (std::size_t k = 0; k < t.Size; ++k) {
      ASSERT_EQ(t.Block[k], static_cast<unsigned char>(i & 0xff)) << "block " << i;
    }
    json_blocks::GiveBlock(t.Block, t.Size);
  }
  // Larger blocks come from the heap and go back to it.
  void* large = json_blocks::TakeBlock(json_blocks::kLargestBlock + 1);
  std::memset(large, 0, json_blocks::kLargestBlock + 1);
  json_blocks::GiveBlock(large, json_blocks::kLargestBlock + 1);
  json_blocks::GiveBlock(nullptr, 16);
}

TEST(JsonBlockCache, EmptiedChunksAreKeptForReuseUpToALimit) {
  json_blocks::ReleaseKeptChunks();
  ManyValues(5000).reset();
  const std::size_t kept = json_blocks::KeptChunks();
  EXPECT_GT(kept, 0u);
  EXPECT_LE(kept, json_blocks::kKeptChunks);
  // The next document is cut from the kept chunks first.
  IJsonValue again = ManyValues(100);
  EXPECT_LT(json_blocks::KeptChunks(), kept);
  EXPECT_EQ(SumOfIds(again), 99 * 100 / 2);
  again.reset();
  json_blocks::ReleaseKeptChunks();
  EXPECT_EQ(json_blocks::KeptChunks(), 0u);
}

TEST(JsonBlockCache, DocumentMadeOnOneThreadIsFreedOnAnother) {
  IJsonValue document;
  std::thread maker([&document] { document = ManyValues(3000); });
  maker.join();
  // The maker has ended; its document lives on and reads back whole.
  EXPECT_EQ(SumOfIds(document), std::int64_t{2999} * 3000 / 2);

  std::size_t keptByFreer = 0;
  std::thread freer([&document, &keptByFreer] {
    document.reset();
    keptByFreer = json_blocks::KeptChunks();
  });
  freer.join();
  // The thread that emptied the chunks kept some (and gave them back at its end).
  EXPECT_GT(keptByFreer, 0u);
}

TEST(JsonBlockCache, ThreadsMakeAndFreeSharedValuesAtTheSameTime) {
  // Each thread makes documents, hands every second one to its neighbour and
  // frees what it gets: blocks of one chunk are given back on several threads.
  constexpr int kThreads = 4;
  constexpr int kRounds = 40;
  std::vector<IJsonValue> handed(kThreads * kRounds);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &handed] {
      for (int round = 0; round < kRounds; ++round) {
        IJsonValue mine = ManyValues(50);
        handed[static_cast<std::size_t>(t * kRounds + round)] = mine;
        EXPECT_EQ(SumOfIds(mine), 49 * 50 / 2);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  threads.clear();
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &handed] {
      const int from = (t + 1) % kThreads;
      for (int round = 0; round < kRounds; ++round) {
        IJsonValue& value = handed[static_cast<std::size_t>(from * kRounds + round)];
        EXPECT_EQ(SumOfIds(value), 49 * 50 / 2);
        value.reset();
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
}

TEST(JsonValueSharing, ReferencesTakenAndDroppedOnManyThreadsBalance) {
  IJsonValue shared = ManyValues(10);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&shared] {
      for (int i = 0; i < 20000; ++i) {
        IJsonValue copy = shared;
        IJsonValue second = copy;
        copy.reset();
        EXPECT_GE(second->References(), 2);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(shared->References(), 1);
  EXPECT_EQ(SumOfIds(shared), 9 * 10 / 2);
}

// A thread-local holder that is destroyed after the chunks of its thread
// were handed back: it frees its document then, and makes and frees one more.
struct TLateHolder {
  IJsonValue Document;
  ~TLateHolder() {
    Document.reset();
    IJsonValue late = ManyValues(20);
    EXPECT_EQ(SumOfIds(late), 19 * 20 / 2);
  }
};

TEST(JsonBlockCache, ValuesFreedOrMadeWhileTheirThreadEndsGoBackToTheHeap) {
  std::thread worker([] {
    // Constructed before the thread takes its first block, so destroyed after
    // the thread's chunks are handed back.
    static thread_local TLateHolder holder;
    holder.Document = ManyValues(500);
    EXPECT_EQ(SumOfIds(holder.Document), 499 * 500 / 2);
  });
  worker.join();
}

}  // namespace
