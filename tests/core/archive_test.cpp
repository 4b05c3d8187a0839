#include "core/archive.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "archive_builder.h"
#include "core/compression.h"
#include "core/encoding.h"
#include "core/exceptions.h"
#include "core/vask_header.h"
#include "platform/resources.h"
#include "temp_dir.h"

using namespace orva;
using orva::testing::AppendedArchive;
using orva::testing::ArchiveBuilder;
using orva::testing::FixtureEntry;
using orva::testing::TempDir;
using orva::testing::Zlib;

namespace {

std::string Load(TVrFileCollection& archive, const std::string& name) {
  TMemoryStream out;
  archive.LoadFileToStream(out, name);
  return std::string(out.View());
}

uint32_t Crc(const std::string& bytes) {
  TMemoryStream m(bytes);
  return StreamCrc32(m);
}

std::string Noise(size_t n, unsigned seed) {
  std::mt19937 random(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(random());
  return s;
}

// A resource holding bytes for the life of the object.
class Resource {
 public:
  Resource(std::string name, std::string bytes) : name_(std::move(name)), bytes_(std::move(bytes)) {
    RegisterResource("BINTYPE", name_, {reinterpret_cast<const uint8_t*>(bytes_.data()), bytes_.size()});
  }
  ~Resource() { UnregisterResource("BINTYPE", name_); }

 private:
  std::string name_;
  std::string bytes_;
};

// A small archive made by the real writer: one compressed and one raw entry, and an empty one.
std::string WrittenArchive() {
  TVrFileCollection archive;
  archive.AddMemoryFile("title.osb").Data->WriteBuffer("page page page page", 19);
  std::string big = Noise(TVrFile::kRawSize, 1);
  archive.AddMemoryFile("bgm\\op.ogg").Data->WriteBuffer(big.data(), static_cast<int64_t>(big.size()));
  archive.AddMemoryFile("empty.txt");
  TWzBigMemoryStream out;
  EXPECT_TRUE(archive.SaveToStream(out));
  return std::string(out.Memory().View());
}

}  // namespace

TEST(Archive, ReadsEveryDirectoryVersion) {
  const std::string text = "hello hello hello";
  const std::string raw = "RAW\x01\x02";
  for (int version : {0, 100, 101, 102}) {
    SCOPED_TRACE(version);
    bool flags = version >= 101;
    ArchiveBuilder builder(version);
    builder.Add({"Text\\a.txt", Zlib(text), 0, 0x12345678, Crc(text), 1});
    builder.Add({"b.bin", flags ? raw : Zlib(raw), 1, 7, Crc(raw), 0});
    TempDir dir;
    dir.Write("game.dat", builder.Archive());
    TVrFileCollection archive;
    archive.Open(dir.Game("game.dat"));
    ASSERT_EQ(archive.Count(), 3);
    EXPECT_EQ(Load(archive, "TEXT\\A.TXT"), text);
    EXPECT_EQ(Load(archive, "b.bin"), raw);
    TVrFile& a = *archive.Find("text\\a.txt");
    EXPECT_EQ(a.Raw, 0);
    EXPECT_EQ(a.Time, flags ? 0x12345678 : 0);
    EXPECT_EQ(a.Crc, flags ? Crc(text) : 0u);
    EXPECT_EQ(a.CrcBasis, version >= 102 ? 1 : 0);
    EXPECT_EQ(archive.Find("b.bin")->Raw, flags ? 1 : 0);
    ASSERT_GE(archive.IndexOf("\\EOF\\"), 0);
    EXPECT_EQ(archive.Find("\\eof\\")->Size, 0);
    EXPECT_EQ(archive.BaseDirectory(), dir.Game());
  }
}

TEST(Archive, OpensTheAppendedAndTheSeparateDirectoryForms) {
  ArchiveBuilder builder(102);
  builder.Add({"logo.txt", Zlib("logo"), 0, 0, 0, 0}).Add({"voice.wav", "RIFF", 1, 0, 0, 0});
  TempDir dir;
  dir.Write("player.EXE", AppendedArchive(Noise(1000, 2), builder.Archive()));
  TVrFileCollection appended;
  appended.Open(dir.Game("player.exe"));
  EXPECT_EQ(Load(appended, "logo.txt"), "logo");
  EXPECT_EQ(Load(appended, "voice.wav"), "RIFF");

  dir.Write("data.dat", builder.Data());
  dir.Write("data.ext", builder.Directory(0));
  TVrFileCollection separate;
  separate.Open(dir.Game("data.dat"));
  EXPECT_EQ(Load(separate, "logo.txt"), "logo");
  auto range = separate.OpenRangeStream("voice.wav");
  ASSERT_NE(range, nullptr);
  TMemoryStream rangeBytes;
  CopyStream(rangeBytes, *range, 0);
  EXPECT_EQ(rangeBytes.View(), "RIFF");
  EXPECT_EQ(separate.OpenRangeStream("missing.wav"), nullptr);
}

TEST(Archive, ResourceArchives) {
  Resource resource("ARCHIVETEST", WrittenArchive());
  TVrFileCollection archive;
  archive.OpenResource("", "ARCHIVETEST", "BINTYPE");
  EXPECT_EQ(Load(archive, "title.osb"), "page page page page");
  auto range = archive.OpenRangeStream("bgm\\op.ogg");
  ASSERT_NE(range, nullptr);
  EXPECT_EQ(range->GetSize(), TVrFile::kRawSize);

  try {
    archive.OpenResource("", "NO-SUCH-RESOURCE", "BINTYPE");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), Sjis("リソースが見つかりません"));
  }
  archive.OpenResource("\\elsewhere\\other.dll", "ARCHIVETEST", "BINTYPE");  // cannot be loaded here
  EXPECT_EQ(archive.Count(), 0);
}

TEST(Archive, EmptyEntriesExposeNothing) {
  // Size-0 entries in a memory-like source: neither the whole source nor a zlib error leaks out.
  ArchiveBuilder builder(102);
  builder.Add({"zero.txt", "", 0, 0, 0, 0}).Add({"raw0.bin", "", 1, 0, 0, 0}).Add({"x.txt", Zlib("x"), 0, 0, 0, 0});
  Resource resource("EMPTYTEST", builder.Archive());
  TVrFileCollection archive;
  archive.OpenResource("", "EMPTYTEST", "BINTYPE");
  EXPECT_EQ(Load(archive, "zero.txt"), "");
  EXPECT_EQ(Load(archive, "raw0.bin"), "");
  TWzBigMemoryStream notMemory;  // the path through a temporary buffer
  archive.LoadFileToStream(notMemory, "zero.txt");
  EXPECT_EQ(notMemory.GetSize(), 0);
  EXPECT_EQ(archive.OpenRangeStream("raw0.bin")->GetSize(), 0);

  Resource written("WRITTENTEST", WrittenArchive());
  archive.OpenResource("", "WRITTENTEST", "BINTYPE");
  EXPECT_EQ(Load(archive, "empty.txt"), "");
  EXPECT_GT(archive.Find("empty.txt")->Size, 0);  // an empty zlib stream
}

TEST(Archive, WriteReadRoundTripScramblesNamesOnDisk) {
  TVrFileCollection archive;
  archive.AddMemoryFile("a").Data->WriteBuffer("alpha", 5);
  TVrFile& big = archive.AddMemoryFile(Sjis("画像\\big.bmp"));
  std::string bigBytes = Noise(TVrFile::kRawSize + 1, 3);
  big.Data->WriteBuffer(bigBytes.data(), static_cast<int64_t>(bigBytes.size()));
  TVrFile& basis = archive.AddMemoryFile("basis.txt");
  basis.CrcBasis = 1;
  basis.Data->WriteBuffer("uncompressed crc", 16);

  TempDir dir;
  TWzBigMemoryStream out;
  ASSERT_TRUE(archive.SaveToStream(out));
  out.SaveToFile(dir.Game("save.dat"));
  std::string bytes = dir.Read("save.dat");
  EXPECT_EQ(bytes.substr(0, 2), "vf");
  EXPECT_EQ(static_cast<uint8_t>(bytes[14]), 0x83);  // the name "a", scrambled
  EXPECT_EQ(bytes.find(Sjis("画像")), std::string::npos);

  TVrFileCollection back;
  back.Open(dir.Game("save.dat"));
  ASSERT_EQ(back.Count(), 4);
  EXPECT_EQ(back.Item(0).GetName(), "a");
  EXPECT_EQ(back.Item(1).GetName(), Sjis("画像\\big.bmp"));
  EXPECT_EQ(Load(back, "A"), "alpha");
  EXPECT_EQ(Load(back, Sjis("画像\\BIG.BMP")), bigBytes);
  EXPECT_EQ(back.Item(0).Raw, 0);
  EXPECT_EQ(back.Item(1).Raw, 1);
  EXPECT_EQ(back.Item(1).Size, TVrFile::kRawSize + 1);
  EXPECT_EQ(back.Item(1).Crc, Crc(bigBytes));
  EXPECT_EQ(back.Item(2).CrcBasis, 1);
  EXPECT_EQ(back.Item(2).Crc, Crc("uncompressed crc"));
  EXPECT_EQ(back.Item(0).Crc, Crc(Zlib("alpha")));  // basis 0: the stored bytes
}

TEST(Archive, EntriesCopiedFromTheSourceKeepTheirCrcBasis) {
  TVrFileCollection first;
  first.AddMemoryFile("plain.txt").Data->WriteBuffer("plain", 5);
  TVrFile& basis = first.AddMemoryFile("basis.txt");
  basis.CrcBasis = 1;
  basis.Data->WriteBuffer("basis", 5);
  TempDir dir;
  TWzBigMemoryStream out;
  first.SaveToStream(out);
  out.SaveToFile(dir.Game("save.dat"));

  // A save rewrites the slots it keeps from the bytes of the archive it was opened from.
  TVrFileCollection reopened;
  reopened.Open(dir.Game("save.dat"));
  reopened.AddMemoryFile("new.txt").Data->WriteBuffer("new", 3);
  TWzBigMemoryStream rewritten;
  reopened.SaveToStream(rewritten);
  rewritten.SaveToFile(dir.Game("save.dat"));
  TVrFileCollection back;
  back.Open(dir.Game("save.dat"));
  EXPECT_EQ(Load(back, "basis.txt"), "basis");
  EXPECT_EQ(back.Find("basis.txt")->Crc, Crc("basis"));
  EXPECT_EQ(back.Find("plain.txt")->Crc, Crc(Zlib("plain")));
  EXPECT_EQ(Load(back, "new.txt"), "new");
}

// Rewriting an archive (a save into save.dat) takes the entries it keeps over as they are
// stored, without inflating them: a damaged entry blocks nothing and stays as it was, a raw
// or old-compressed one keeps its form, and an archive rewritten unchanged is the same bytes.
TEST(Archive, KeptEntriesGoOverAsStoredEvenWhenDamaged) {
  std::string damaged = Zlib("slot one");
  damaged[damaged.size() / 2] ^= 0x5A;
  const std::string raw = "small but raw";
  ArchiveBuilder old(102);
  old.Add({"GAMESAVEDATA1", damaged, 0, 1234, 0xDEADBEEF, 0})
      .Add({"raw.txt", raw, 1, 5678, Crc(raw), 1})
      .Add({"STATUSSAVEDATA", Zlib("status"), 0, 0, Crc(Zlib("status")), 0});
  TempDir dir;
  dir.Write("save.dat", old.Archive());

  TVrFileCollection archive;
  archive.Open(dir.Game("save.dat"));
  EXPECT_THROW(Load(archive, "GAMESAVEDATA1"), Exception);
  archive.Remove("STATUSSAVEDATA");
  archive.AddMemoryFile("STATUSSAVEDATA").Data->WriteBuffer("status 2", 8);
  archive.AddMemoryFile("GAMESAVEDATA7").Data->WriteBuffer("slot seven", 10);
  TWzBigMemoryStream out;
  ASSERT_TRUE(archive.SaveToStream(out));
  out.SaveToFile(dir.Game("save.dat"));

  TVrFileCollection back;
  back.Open(dir.Game("save.dat"));
  struct Kept {
    const char* name;
    const std::string& stored;
    uint8_t raw;
    int32_t time;
    uint32_t crc;
    uint8_t basis;
  } kept[] = {{"GAMESAVEDATA1", damaged, 0, 1234, 0xDEADBEEF, 0}, {"raw.txt", raw, 1, 5678, Crc(raw), 1}};
  const std::string bytes = dir.Read("save.dat");
  for (const Kept& k : kept) {
    const TVrFile& entry = *back.Find(k.name);
    EXPECT_EQ(bytes.substr(static_cast<size_t>(entry.Offset), static_cast<size_t>(entry.Size)), k.stored) << k.name;
    EXPECT_EQ(entry.Raw, k.raw) << k.name;
    EXPECT_EQ(entry.Time, k.time) << k.name;
    EXPECT_EQ(entry.Crc, k.crc) << k.name;
    EXPECT_EQ(entry.CrcBasis, k.basis) << k.name;
  }
  EXPECT_THROW(Load(back, "GAMESAVEDATA1"), Exception);
  EXPECT_EQ(Load(back, "raw.txt"), raw);
  EXPECT_EQ(Load(back, "GAMESAVEDATA7"), "slot seven");
  EXPECT_EQ(Load(back, "STATUSSAVEDATA"), "status 2");

  TWzBigMemoryStream again;
  ASSERT_TRUE(back.SaveToStream(again));
  EXPECT_EQ(again.Memory().View(), bytes);
}

TEST(Archive, FilesBesideTheArchiveAreStoredByTheStoreRuleAndWinOnReading) {
  TempDir dir;
  std::string vsk103Raw = std::string("Vask103") + std::string("\x28\0\0\0", 4) + std::string(22, '\0') + '\x01' +
                          std::string(17, '\0') + "pixels";
  std::string vsk102 = "Vask102" + std::string(40, '\0');
  struct Case {
    std::string name;
    std::string bytes;
    uint8_t raw;
  } cases[] = {
      {"readme.txt", std::string(100, 't'), 0},
      {"noise.bin", Noise(1000, 4), 1},  // does not shrink by a tenth
      {"big.bmp", std::string(6 << 20, 'b'), 1},
      {"se.ogg", "OggS small", 1},
      {"old.vsk", vsk102, 1},
      {"new.vsk", vsk103Raw, 0},
  };
  TVrFileCollection archive;
  archive.OpenFile(dir.Game("game.dat"), true);  // missing: an empty archive with its base directory
  for (const Case& c : cases) {
    dir.Write(c.name, c.bytes);
    archive.AddFile(c.name);
  }
  TWzBigMemoryStream out;
  archive.SaveToStream(out);
  out.SaveToFile(dir.Game("game.dat"));
  for (const Case& c : cases) dir.Write(c.name, "");  // emptied, then removed below
  for (const Case& c : cases) std::filesystem::remove(dir.Os(c.name));

  TVrFileCollection back;
  back.Open(dir.Game("game.dat"));
  for (const Case& c : cases) {
    EXPECT_EQ(back.Find(c.name)->Raw, c.raw) << c.name;
    EXPECT_NE(back.Find(c.name)->Time, 0) << c.name;
    EXPECT_EQ(Load(back, c.name), c.bytes) << c.name;
  }
  dir.Write("readme.txt", "loose file");
  EXPECT_EQ(Load(back, "README.TXT"), "loose file");
}

TEST(Archive, MissingEntriesAndCancelledWrites) {
  TVrFileCollection archive;
  archive.AddMemoryFile("a.txt").Data->WriteBuffer("in memory", 9);
  EXPECT_EQ(Load(archive, "A.TXT"), "in memory");
  try {
    Load(archive, "nothing.txt");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "nothing.txt" + Sjis(":ファイルがありません"));
  }
  int calls = 0;
  archive.OnProgress = [&](TVrFileCollection&, TVrFile&, int64_t, int32_t, int32_t, bool& cancel) {
    cancel = ++calls == 2;
  };
  TWzBigMemoryStream out;
  EXPECT_FALSE(archive.SaveToStream(out));
  archive.Remove("A.TXT");
  EXPECT_EQ(archive.Count(), 0);
}

TEST(Archive, HostileDirectoriesAreRefused) {
  ArchiveBuilder good(102);
  good.Add({"a.txt", Zlib("a"), 0, 0, 0, 0}).Add({"b.txt", Zlib("b"), 0, 0, 0, 0});
  const std::string archive = good.Archive();
  const size_t tables = archive.size() - good.Data().size() - (8 * 3 + 10 * 2);  // where the offsets begin

  auto withOffsets = [&](int64_t o0, int64_t o1, int64_t o2) {
    std::string bytes = archive;
    TWzRandom mask(TVrFileCollection::kScrambleSeed);
    int64_t offsets[] = {o0, o1, o2};
    for (int i = 0; i < 3; ++i) {
      uint64_t v = static_cast<uint64_t>(offsets[i]) ^ static_cast<uint64_t>(static_cast<int64_t>(static_cast<int32_t>(mask.Next())));
      for (int k = 0; k < 8; ++k) bytes[tables + 8 * i + k] = static_cast<char>(v >> (8 * k));
    }
    return bytes;
  };
  const int64_t end = static_cast<int64_t>(archive.size());
  struct Case {
    const char* what;
    std::string bytes;
    std::string name = "game.dat";
  } cases[] = {
      {"decreasing offsets", withOffsets(end - 2, end - 3, end)},
      {"offsets past the end", withOffsets(end - 2, end - 1, end + 1)},
      {"negative offsets", withOffsets(-5, end - 1, end)},
      {"count beyond the bytes", std::string("vf\x66\0\0\0\xFF\xFF\0\0", 10)},
      {"negative count", std::string("vf\x66\0\0\0\xFF\xFF\xFF\xFF", 10)},
      {"name beyond the bytes", std::string("vf\x66\0\0\0\x01\0\0\0\xFF\xFF\0\0", 14) + std::string(30, 'x')},
      {"tables cut short", archive.substr(0, tables + 8)},
      {"trailer before the file", AppendedArchive("", archive).substr(0, archive.size()) + std::string("\xFF\xFF\xFF\x7Fov", 6), "p.exe"},
      {"trailer too short", "ov", "p.exe"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    dir.Write(c.name, c.bytes);
    TVrFileCollection collection;
    EXPECT_THROW(collection.Open(dir.Game(c.name)), EReadError) << c.what;
    EXPECT_EQ(collection.Count(), 0) << c.what;
  }
}

TEST(Archive, TruncatedAndCorruptedArchivesRaiseOnlyTheSystemsExceptions) {
  const std::string archive = [] {
    TVrFileCollection small;
    small.AddMemoryFile("title.osb").Data->WriteBuffer("page page page page page", 24);
    small.AddMemoryFile("se.wav").Data->WriteBuffer("RIFFdata", 8);
    small.AddMemoryFile("z.txt");
    TWzBigMemoryStream out;
    small.SaveToStream(out);
    return std::string(out.Memory().View());
  }();
  auto attempt = [](const std::string& bytes) {
    Resource resource("FUZZCASE", bytes);
    TVrFileCollection collection;
    try {
      collection.OpenResource("", "FUZZCASE", "BINTYPE");
      for (int i = 0; i < collection.Count(); ++i) {
        TMemoryStream out;
        try {
          collection.LoadFileToStream(out, collection.Item(i).GetName());
        } catch (const Exception&) {
        }
      }
    } catch (const Exception&) {
    }
  };
  for (size_t length = 0; length < archive.size(); ++length) attempt(archive.substr(0, length));
  for (size_t position = 0; position < archive.size(); ++position)
    for (uint8_t flip : {0x01, 0x80, 0xFF}) {
      std::string bytes = archive;
      bytes[position] = static_cast<char>(bytes[position] ^ flip);
      attempt(bytes);
    }
}

TEST(Archive, ShouldCompressFollowsTheStoreRule) {
  struct Case {
    const char* name;
    std::string bytes;
    bool compress;
  } cases[] = {
      {"a.txt", "text", true},
      {"A.OGG", "x", false},
      {"movie.mpeg", "x", false},
      {"x.dat", "x", false},
      {"x.mp", "x", false},  // a piece of ".MPG"
      {"big.bin", std::string(TVrFile::kRawSize, 'x'), false},
      {"noext", "x", true},
      {"v.vsk", "Vask102", false},
      {"v.vsk", "junk", false},
  };
  for (const Case& c : cases) {
    TMemoryStream m(c.bytes);
    EXPECT_EQ(ShouldCompress(m, c.name), c.compress) << c.name;
  }
}

TEST(VaskHeader, RawOnlyFromVersion103WithDataModeOne) {
  auto header = [](const std::string& tag, int32_t size, uint8_t mode) {
    TMemoryStream m(tag);
    m.Seek(0, TSeekOrigin::soEnd);
    WriteStreamInt(m, size);
    std::string block(40, '\0');
    block[22] = static_cast<char>(mode);
    m.WriteBuffer(block.data(), 40);
    m.SetPosition(0);
    return std::string(m.View());
  };
  struct Case {
    std::string bytes;
    bool raw;
    int64_t position;
  } cases[] = {
      {header("Vask106", 40, 1), true, 51},
      {header("Vask103", 40, 0), false, 51},
      {header("Vask102", 40, 1), false, 7},
      {header("Vask1x3", 40, 1), false, 7},
      {header("Vask106", 23, 1), true, 34},   // a short header that still holds the mode
      {header("Vask106", 22, 1), false, 33},  // one that does not
      {header("Vask106", -5, 1), false, 11},
      {"Vas", false, 3},
  };
  for (const Case& c : cases) {
    TMemoryStream m(c.bytes);
    EXPECT_EQ(IsRawVaskStream(m), c.raw) << c.bytes.substr(0, 7);
    EXPECT_EQ(m.GetPosition(), c.position) << c.bytes.substr(0, 7);
  }
}
