#include "core/stream.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "core/exceptions.h"
#include "core/string_lists.h"

using namespace orva;

namespace {

std::string Bytes(TMemoryStream& m) { return std::string(m.View()); }

// A stream that is not a memory stream, to drive CopyStream's buffered path.
class ChunkStream : public TStream {
 public:
  explicit ChunkStream(std::string data) : data_(std::move(data)) {}
  int64_t Read(void* buffer, int64_t count) override {
    int64_t n = std::min<int64_t>({count, 3, static_cast<int64_t>(data_.size()) - pos_});
    if (n <= 0) return 0;
    data_.copy(static_cast<char*>(buffer), n, pos_);
    pos_ += n;
    return n;
  }
  int64_t Write(const void*, int64_t) override { return 0; }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override {
    pos_ = origin == TSeekOrigin::soBeginning ? offset : origin == TSeekOrigin::soCurrent ? pos_ + offset : static_cast<int64_t>(data_.size()) + offset;
    return pos_;
  }

 private:
  std::string data_;
  int64_t pos_ = 0;
};

}  // namespace

TEST(StreamRoutines, ByteFormsAreLittleEndian) {
  TMemoryStream m;
  WriteStreamInt(m, -2);
  WriteStreamByte(m, 0xAB);
  WriteStreamBool(m, true);
  WriteStreamInt64(m, 0x0102030405060708LL);
  WriteStreamString(m, "ab");
  EXPECT_EQ(Bytes(m), std::string("\xFE\xFF\xFF\xFF\xAB\x01\x08\x07\x06\x05\x04\x03\x02\x01\x02\x00\x00\x00" "ab", 20));
  m.SetPosition(0);
  EXPECT_EQ(ReadStreamInt(m), -2);
  EXPECT_EQ(ReadStreamByte(m), 0xAB);
  EXPECT_TRUE(ReadStreamBool(m));
  EXPECT_EQ(ReadStreamInt64(m), 0x0102030405060708LL);
  EXPECT_EQ(ReadStreamString(m), "ab");
}

TEST(StreamRoutines, EmptyStringIsFourZeroBytes) {
  TMemoryStream m;
  WriteStreamString(m, "");
  EXPECT_EQ(Bytes(m), std::string(4, '\0'));
  WriteStreamInt(m, 7);
  m.SetPosition(0);
  EXPECT_EQ(ReadStreamString(m), "");
  EXPECT_EQ(m.GetPosition(), 4);
  EXPECT_EQ(ReadStreamInt(m), 7);
}

TEST(StreamRoutines, TruncatedIntegersReadMissingBytesAsZero) {
  TMemoryStream m(std::string("\x01\x02", 2));
  EXPECT_EQ(ReadStreamInt(m), 0x0201);
  EXPECT_EQ(ReadStreamByte(m), 0);
  EXPECT_FALSE(ReadStreamBool(m));
}

TEST(StreamRoutines, HostileStringCounts) {
  // A negative count reads as the empty string and consumes only the count.
  TMemoryStream negative(std::string("\xFF\xFF\xFF\xFFxyz", 7));
  EXPECT_EQ(ReadStreamString(negative), "");
  EXPECT_EQ(negative.GetPosition(), 4);

  // A count beyond the bytes left raises instead of allocating 2 GiB.
  TMemoryStream huge(std::string("\xFF\xFF\xFF\x7F" "abc", 7));
  EXPECT_THROW(ReadStreamString(huge), EReadError);
  TMemoryStream oneShort(std::string("\x04\x00\x00\x00" "abc", 7));
  EXPECT_THROW(ReadStreamString(oneShort), EReadError);
}

TEST(StreamRoutines, StoredCountsAreBoundedByTheBytesLeft) {
  TMemoryStream m(std::string("\x03\x00\x00\x00" "12345678", 12));
  EXPECT_THROW(ReadStreamCount(m, 4), EReadError);  // 3 x 4 > 8
  m.SetPosition(0);
  EXPECT_EQ(ReadStreamCount(m, 2), 3);
  TMemoryStream negative(std::string("\xFF\xFF\xFF\xFF", 4));
  EXPECT_THROW(ReadStreamCount(negative, 1), EReadError);
}

TEST(VersionTag, ReadsTagDigitsOrFallsBackToVersionZero) {
  struct Case {
    std::string data;
    int version;
    int64_t position;  // where the reader is left
  } cases[] = {
      {"is107rest", 107, 5},
      {"is0x7rest", 0, 5},    // digits that are not a number
      {"xx107rest", 0, 0},    // no tag: put back where it would have begun
      {"i", 0, 0},            // too short for the tag
      {"is", 0, 2},           // the tag without its digits
  };
  for (const Case& c : cases) {
    TMemoryStream m(c.data);
    EXPECT_EQ(ReadVersionTag(m, "is"), c.version) << c.data;
    EXPECT_EQ(m.GetPosition(), c.position) << c.data;
  }
  TMemoryStream m;
  WriteVersionTag(m, "Status", 7);
  EXPECT_EQ(Bytes(m), "Status007");
}

TEST(CopyStream, CountZeroCopiesTheWholeSourceFromItsStart) {
  TMemoryStream source("abcdef");
  source.SetPosition(6);
  TMemoryStream target;
  EXPECT_EQ(CopyStream(target, source, 0), 6);
  EXPECT_EQ(Bytes(target), "abcdef");

  ChunkStream chunked("ghijk");
  chunked.SetPosition(5);
  TMemoryStream target2;
  EXPECT_EQ(CopyStream(target2, chunked, 0), 5);
  EXPECT_EQ(Bytes(target2), "ghijk");
}

TEST(CopyStream, ShortSourceStopsAtItsEndAndReturnsTheCountAsked) {
  ChunkStream chunked("abcdefg");
  chunked.SetPosition(2);
  TMemoryStream target;
  EXPECT_EQ(CopyStream(target, chunked, 100), 100);
  EXPECT_EQ(Bytes(target), "cdefg");

  TMemoryStream memory("abcdefg");
  memory.SetPosition(5);
  TMemoryStream target2;
  EXPECT_EQ(CopyStream(target2, memory, 100), 100);
  EXPECT_EQ(Bytes(target2), "fg");
  EXPECT_EQ(memory.GetPosition(), 7);
}

TEST(MemoryStream, SeekWriteAndSize) {
  TMemoryStream m;
  m.SetPosition(3);
  m.WriteBuffer("x", 1);
  EXPECT_EQ(Bytes(m), std::string("\0\0\0x", 4));
  EXPECT_EQ(m.Seek(-1, TSeekOrigin::soEnd), 3);
  m.SetSize(2);
  EXPECT_EQ(m.GetPosition(), 2);
  char c;
  EXPECT_THROW(m.ReadBuffer(&c, 1), EReadError);
}

TEST(FileStream, RoundTripAndMissingFile) {
  char dir[] = "/tmp/orva-stream-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  std::string path = std::string(dir) + "/f.bin";
  {
    TFileStream f(path, TFileStream::fmCreate);
    WriteStreamString(f, "hello");
    f.Flush();
  }
  TMemoryStream m;
  m.LoadFromFile(path);
  EXPECT_EQ(ReadStreamString(m), "hello");
  EXPECT_THROW(TFileStream(std::string(dir) + "/missing", TFileStream::fmOpenRead), EFOpenError);
  std::remove(path.c_str());
  rmdir(dir);
}

TEST(FileStream, AFailedWriteNamesTheFile) {
  if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  TFileStream full("/dev/full", TFileStream::fmOpenWrite);
  try {
    full.WriteBuffer("bytes", 5);
    FAIL() << "a full device took the bytes";
  } catch (const EWriteError& e) {
    EXPECT_EQ(e.Message(), "Stream write error: /dev/full: No space left on device");
  }
}

TEST(ArrayString, RoundTripAndCounts) {
  TArrayString a;
  a.Add("one");
  a.Add("");
  a.Add("one");
  TMemoryStream m;
  a.SaveToStream(m);
  EXPECT_EQ(Bytes(m).substr(0, 4), std::string("\x03\x00\x00\x00", 4));
  m.SetPosition(0);
  TArrayString b;
  b.Add("stale");
  b.LoadFromStream(m);
  EXPECT_EQ(b.Items(), a.Items());

  TMemoryStream zero(std::string(4, '\0'));
  b.LoadFromStream(zero);
  EXPECT_EQ(b.Count(), 0);

  TMemoryStream hostile(std::string("\x00\x00\x00\x40", 4));
  EXPECT_THROW(b.LoadFromStream(hostile), EReadError);
}

TEST(FolderDiskList, DiskOfPathWalksUpTheFolders) {
  TFolderDiskList list;
  list.AddEntry("c:\\game\\data", 2);
  list.AddEntry("C:\\GAME\\", 1);
  list.AddEntry("C:\\\x95\x5C", 3);  // a folder named 表, whose trail byte is a backslash
  struct Case {
    const char* path;
    int disk;
  } cases[] = {
      {"C:\\GAME\\DATA\\X.OSB", 2},
      {"c:\\game\\data\\bg\\a.vsk", 2},
      {"C:\\GAME\\OTHER\\Y.OSB", 1},
      {"C:\\GAME", 1},
      {"C:\\\x95\x5C\\A.VSK", 3},
      {"D:\\GAME\\DATA\\X.OSB", 0},
      {"", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(list.DiskOfPath(c.path), c.disk) << c.path;
  EXPECT_EQ(list.IndexOfPath("C:\\game\\DATA\\"), 0);

  TMemoryStream m;
  list.SaveToStream(m);
  m.SetPosition(0);
  TFolderDiskList copy;
  copy.LoadFromStream(m);
  ASSERT_EQ(copy.Count(), 3);
  EXPECT_EQ(copy[2].folder, "C:\\\x95\x5C");
  EXPECT_EQ(copy[2].disk, 3);
}

TEST(CopyBytes, ExactCountsAndZeroCopiesNothing) {
  ChunkStream chunked("abcdefgh");  // returns at most 3 bytes a read
  chunked.SetPosition(1);
  TMemoryStream target("XY");
  target.SetPosition(1);
  EXPECT_EQ(CopyBytes(target, chunked, 5), 5);
  EXPECT_EQ(Bytes(target), "Xbcdef");
  EXPECT_EQ(target.GetPosition(), 6);
  EXPECT_EQ(CopyBytes(target, chunked, 0), 0);
  EXPECT_EQ(CopyBytes(target, chunked, 100), 2);  // what is left
  EXPECT_EQ(Bytes(target), "Xbcdefgh");

  TMemoryStream memory("abc");
  TMemoryStream target2;
  EXPECT_EQ(CopyBytes(target2, memory, 0), 0);
  EXPECT_EQ(target2.GetSize(), 0);
}
