// Stream objects: memory growth and reads, the counter, files, and the kinds of export g.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "TestEnv.h"
#include "core/Image.h"
#include "formats/Stream.h"

namespace zelvo {
namespace {

TEST(MemoryStream, GrowsIn64KiBSteps) {
  StreamPtr s = makeMemoryWriter();
  ASSERT_TRUE(s);
  EXPECT_EQ(memoryCapacity(s.get()), 0);
  std::vector<uint8_t> ten(10, 1), big(70000, 2);
  EXPECT_EQ(s->ops->Write(s.get(), ten.data(), 1, ten.size()), 10u);
  EXPECT_EQ(memoryCapacity(s.get()), 65536);
  EXPECT_EQ(s->ops->Write(s.get(), big.data(), 1, big.size()), 70000u);
  EXPECT_EQ(memoryCapacity(s.get()), 131072);
  EXPECT_EQ(s->ops->Size(s.get()), 70010);
  // Exactly at a multiple: 65536 bytes need the next step.
  StreamPtr t = makeMemoryWriter();
  std::vector<uint8_t> step(65536, 3);
  EXPECT_EQ(t->ops->Write(t.get(), step.data(), 4, 16384), 16384u);
  EXPECT_EQ(memoryCapacity(t.get()), 131072);
}

TEST(MemoryStream, ReadSeekEofAndErrorFollowThePosition) {
  const uint8_t data[] = {'a', 'b', 'c', '\n', 'd', 'e'};
  StreamPtr s = makeMemoryReader(data, sizeof data);
  ZvStream* m = s.get();
  uint8_t buf[8] = {};
  EXPECT_EQ(m->ops->Read(m, buf, 4, 2), 1u);  // 6 bytes: one whole element of 4
  EXPECT_EQ(m->ops->Tell(m), 6);
  EXPECT_TRUE(m->ops->Eof(m));
  EXPECT_FALSE(m->ops->Error(m));
  EXPECT_EQ(m->ops->GetC(m), -1);
  EXPECT_TRUE(m->ops->Seek(m, -100, SEEK_CUR));  // a negative result becomes 0
  EXPECT_EQ(m->ops->Tell(m), 0);
  EXPECT_TRUE(m->ops->Seek(m, 3, SEEK_END));  // past the end is allowed
  EXPECT_TRUE(m->ops->Error(m));
  EXPECT_EQ(m->ops->Read(m, buf, 1, 1), 0u);
  EXPECT_FALSE(m->ops->Seek(m, 0, 7));

  m->ops->Seek(m, 0, SEEK_SET);
  char line[16];
  ASSERT_NE(m->ops->GetS(m, line, sizeof line), nullptr);
  EXPECT_STREQ(line, "abc\n");
  char small[3];
  ASSERT_NE(m->ops->GetS(m, small, sizeof small), nullptr);  // capacity - 1 bytes
  EXPECT_STREQ(small, "de");
  EXPECT_EQ(m->ops->GetS(m, line, sizeof line), nullptr);
  EXPECT_EQ(m->ops->Scanf(m, "%d", nullptr), 0);
}

TEST(MemoryStream, ReaderOverCallerBytesNeverGrowsOrFrees) {
  std::vector<uint8_t> data = {1, 2, 3};
  StreamPtr s = makeMemoryReader(data.data(), data.size());
  const uint8_t more[] = {9, 9};
  s->ops->Seek(s.get(), 2, SEEK_SET);
  EXPECT_EQ(s->ops->Write(s.get(), more, 1, 2), 0u);  // would pass the end: fixed
  EXPECT_EQ(s->ops->Write(s.get(), more, 1, 1), 1u);  // inside: allowed
  EXPECT_EQ(data[2], 9);
  s.reset();  // must not free the caller's vector (ASan would see it)
  EXPECT_EQ(data.size(), 3u);
}

TEST(MemoryStream, GapAfterSeekPastEndReadsAsZero) {
  StreamPtr s = makeMemoryWriter();
  const uint8_t a = 7;
  s->ops->Write(s.get(), &a, 1, 1);
  s->ops->Seek(s.get(), 5, SEEK_SET);
  s->ops->Write(s.get(), &a, 1, 1);
  size_t n = 0;
  MallocPtr buf(detachMemoryBuffer(s.get(), &n));
  ASSERT_EQ(n, 6u);
  EXPECT_EQ(std::memcmp(buf.get(), "\x07\0\0\0\0\x07", 6), 0);
  EXPECT_EQ(s->ops->Size(s.get()), -1);  // detached: nothing left in the stream
}

TEST(MemoryStream, OverflowingElementCountsAreRefused) {
  StreamPtr s = makeMemoryWriter();
  uint8_t b = 0;
  EXPECT_EQ(s->ops->Write(s.get(), &b, SIZE_MAX / 2, 4), 0u);
  EXPECT_EQ(s->ops->Read(s.get(), &b, SIZE_MAX / 2, 4), 0u);
  EXPECT_EQ(s->ops->Size(s.get()), 0);
}

TEST(CountingStream, CountsWithoutStoringAndClampsSeeks) {
  StreamPtr s = makeCountingStream();
  ZvStream* c = s.get();
  const uint8_t data[100] = {};
  EXPECT_EQ(c->ops->Write(c, data, 10, 10), 10u);
  EXPECT_TRUE(c->ops->PutC(c, 1));
  EXPECT_EQ(c->ops->Size(c), 101);
  EXPECT_TRUE(c->ops->Seek(c, 50, SEEK_SET));
  EXPECT_EQ(c->ops->Write(c, data, 1, 10), 10u);  // overwrite inside: size unchanged
  EXPECT_EQ(c->ops->Size(c), 101);
  EXPECT_TRUE(c->ops->Seek(c, 500, SEEK_SET));
  EXPECT_EQ(c->ops->Tell(c), 101);
  EXPECT_TRUE(c->ops->Seek(c, -1, SEEK_END));
  EXPECT_EQ(c->ops->Tell(c), 100);
  uint8_t buf[4];
  EXPECT_EQ(c->ops->Read(c, buf, 1, 4), 0u);
  EXPECT_EQ(c->ops->GetC(c), 0);
  EXPECT_FALSE(c->ops->Eof(c));
  EXPECT_TRUE(c->ops->Close(c));
  EXPECT_TRUE(c->ops->Eof(c));
  EXPECT_EQ(c->ops->Size(c), -1);

  StreamPtr limited = makeCountingStream(64);
  EXPECT_EQ(limited->ops->Write(limited.get(), data, 1, 100), 100u);
  EXPECT_EQ(limited->ops->Size(limited.get()), 64);
}

TEST(FileStream, MapsToTheFileAndFailsWithoutOne) {
  auto dir = gallivo::test::freshDir("filestream");
  const std::string path = (dir / "f.bin").string();
  FILE* f = std::fopen(path.c_str(), "w+b");
  ASSERT_NE(f, nullptr);
  {
    StreamPtr s = makeFileStream(f, false);
    EXPECT_EQ(s->ops->Write(s.get(), "hello\nworld", 1, 11), 11u);
    EXPECT_EQ(s->ops->Size(s.get()), 11);
    EXPECT_EQ(s->ops->Tell(s.get()), 11);  // Size seeks back
    EXPECT_TRUE(s->ops->Seek(s.get(), 0, SEEK_SET));
    char line[16];
    EXPECT_STREQ(s->ops->GetS(s.get(), line, sizeof line), "hello\n");
    EXPECT_EQ(s->ops->GetC(s.get()), 'w');
  }
  // Not closed by the stream: still usable.
  EXPECT_EQ(std::fseek(f, 0, SEEK_SET), 0);
  EXPECT_EQ(std::fgetc(f), 'h');
  std::fclose(f);

  StreamPtr none = makeFileStream(nullptr, true);
  uint8_t b;
  EXPECT_EQ(none->ops->Read(none.get(), &b, 1, 1), 0u);
  EXPECT_EQ(none->ops->Write(none.get(), &b, 1, 1), 0u);
  EXPECT_EQ(none->ops->Tell(none.get()), -1);
  EXPECT_EQ(none->ops->Size(none.get()), -1);
  EXPECT_FALSE(none->ops->Seek(none.get(), 0, SEEK_SET));
  EXPECT_EQ(none->ops->GetC(none.get()), -1);
}

TEST(StreamKinds, ByNameExactAndCaseSensitive) {
  struct Case {
    const char16_t* name;
    bool made;
  };
  const Case cases[] = {{u"dummy", true}, {u"stdio", true}, {u"memory", true},
                        {u"Dummy", false}, {u"file", false}, {u"", false}};
  for (const Case& c : cases) {
    StreamPtr s(createStreamByName(c.name));
    EXPECT_EQ(bool(s), c.made) << std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name));
  }
  EXPECT_EQ(createStreamByName(nullptr), nullptr);

  StreamPtr dummy(createStreamByName(u"dummy"));
  EXPECT_EQ(dummy->ops->Size(dummy.get()), 0);
  EXPECT_EQ(dummy->ops->Write(dummy.get(), "abc", 1, 3), 3u);
  EXPECT_EQ(dummy->ops->Size(dummy.get()), 3);

  StreamPtr memory(createStreamByName(u"memory"));
  EXPECT_EQ(memory->ops->Size(memory.get()), -1);  // no buffer yet
  EXPECT_EQ(memory->ops->Write(memory.get(), "abc", 1, 3), 3u);
  EXPECT_EQ(memory->ops->Size(memory.get()), 3);
}

}  // namespace
}  // namespace zelvo
