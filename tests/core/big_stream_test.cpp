#include "core/big_stream.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <string>

#include "core/exceptions.h"
#include "core/game_path.h"
#include "core/range_stream.h"
#include "platform/resources.h"
#include "temp_dir.h"

using namespace orva;
using orva::testing::TempDir;

namespace {

constexpr int64_t kPart = 16;  // a small part size instead of 1 GiB

std::string ReadAll(TStream& s, int64_t count) {
  std::string out(static_cast<size_t>(count), '\0');
  out.resize(static_cast<size_t>(s.Read(out.data(), count)));
  return out;
}

std::string Alphabet(size_t n) {
  std::string s;
  for (size_t i = 0; i < n; ++i) s += static_cast<char>('a' + i % 26);
  return s;
}

}  // namespace

TEST(BigFileStream, WritesSplitPartsAndReadsAcrossThemInOneCall) {
  TempDir dir;
  const std::string data = Alphabet(kPart + 10);
  {
    TWzBigFileStream out(dir.Game("game.dat"), TWzBigFileStream::fmCreate, kPart);
    out.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
  }
  EXPECT_EQ(dir.Read("game.dat"), data.substr(0, kPart));
  EXPECT_EQ(dir.Read("game.001"), data.substr(kPart));
  TWzBigFileStream in(dir.Game("GAME.DAT"), TWzBigFileStream::fmOpenRead, kPart);
  EXPECT_EQ(in.PartCount(), 2);
  EXPECT_EQ(in.GetSize(), kPart + 10);
  in.SetPosition(kPart - 2);
  EXPECT_EQ(ReadAll(in, 100), data.substr(kPart - 2));
  in.SetPosition(1000);
  EXPECT_EQ(in.GetPosition(), kPart + 10);  // clamped to the size
  EXPECT_EQ(ReadAll(in, 10), "");
}

TEST(BigFileStream, ANameEndsAtItsFirstNul) {
  // Stored names may carry a NUL and bytes after it; the part names made from the whole name
  // ("game.dat\0x\y.001") must not all open the first part again.
  TempDir dir;
  dir.Write("game.dat", Alphabet(kPart));
  dir.Write("game.001", "de");
  const std::string name = dir.Game("game.dat") + std::string("\0x\\y", 4);
  TWzBigFileStream in(name, TWzBigFileStream::fmOpenRead, kPart);
  EXPECT_EQ(in.PartCount(), 2);
  EXPECT_EQ(ReadAll(in, 100), Alphabet(kPart) + "de");
  EXPECT_TRUE(GameFileExists(name));
  {
    TWzBigFileStream out(dir.Game("new.dat") + std::string("\0x", 2), TWzBigFileStream::fmCreate, kPart);
    out.WriteBuffer("xyz", 3);
  }
  EXPECT_EQ(dir.Read("new.dat"), "xyz");
}

TEST(BigFileStream, PartNames) {
  EXPECT_EQ(TWzBigFileStream::PartName("c:\\g\\game.dat", 0), "c:\\g\\game.dat");
  EXPECT_EQ(TWzBigFileStream::PartName("c:\\g\\game.dat", 2), "c:\\g\\game.002");
  EXPECT_EQ(TWzBigFileStream::PartName("c:\\g.x\\game", 12), "c:\\g.x\\game.012");
}

TEST(BigFileStream, RewritingReplacesAllOldPartsOnlyWhenDone) {
  TempDir dir;
  dir.Write("save.dat", Alphabet(kPart));
  dir.Write("save.001", Alphabet(kPart));
  dir.Write("save.002", "tail");
  {
    TWzBigFileStream out(dir.Game("save.dat"), TWzBigFileStream::fmCreate, kPart);
    out.WriteBuffer("new", 3);
    EXPECT_EQ(dir.Read("save.dat"), Alphabet(kPart));  // the old file stands while writing
  }
  EXPECT_EQ(dir.Read("save.dat"), "new");
  EXPECT_FALSE(dir.Exists("save.001"));
  EXPECT_FALSE(dir.Exists("save.002"));
  TWzBigMemoryStream().SaveToFile(dir.Game("save.dat"));
  EXPECT_TRUE(dir.Exists("save.dat"));
  EXPECT_EQ(dir.Read("save.dat"), "");
}

TEST(BigFileStream, AWriteEndedByAnExceptionKeepsTheOldFile) {
  TempDir dir;
  dir.Write("save.dat", "old save");
  EXPECT_THROW(
      {
        TWzBigFileStream out(dir.Game("save.dat"), TWzBigFileStream::fmCreate);
        out.WriteBuffer("half", 4);
        throw EWriteError("disk full");
      },
      EWriteError);
  EXPECT_EQ(dir.Read("save.dat"), "old save");
  TWzBigFileStream discarded(dir.Game("save.dat"), TWzBigFileStream::fmCreate);
  discarded.WriteBuffer("x", 1);
  discarded.Discard();
  EXPECT_EQ(dir.Read("save.dat"), "old save");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Os("")), {}), 1);  // no staging files left
}

// A write that fails says which file and why, in the system's words after its own.
TEST(BigFileStream, AFailedWriteNamesTheFileAndTheCause) {
  TempDir dir;
  try {
    TWzBigFileStream out(dir.Game("gone\\save.dat"), TWzBigFileStream::fmCreate);
    out.WriteBuffer("save", 4);
    FAIL() << "no directory to write into";
  } catch (const EWriteError& e) {
    EXPECT_EQ(e.Message(), "Stream write error: " + dir.Os("gone/save.dat") + ": No such file or directory");
  }
  // A file size limit stops the bytes part-way, as a full disk does.
  const auto writeOverTheLimit = [&dir] {
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    const rlim_t unlimited = limit.rlim_cur;
    limit.rlim_cur = 8;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    try {
      TWzBigFileStream out(dir.Game("save.dat"), TWzBigFileStream::fmCreate);
      out.WriteBuffer("more than eight bytes", 21);
    } catch (const EWriteError& e) {
      limit.rlim_cur = unlimited;  // the test's own report is a file too
      ::setrlimit(RLIMIT_FSIZE, &limit);
      std::fprintf(stderr, "[%s]", e.what());
      std::_Exit(0);
    }
    std::_Exit(1);
  };
  EXPECT_EXIT(writeOverTheLimit(), ::testing::ExitedWithCode(0),
              "\\[Stream write error: .*/save\\.dat: File too large\\]");
}

// A writer killed before its rename leaves its staging file; a later start removes such
// files of its own naming and nothing else.
TEST(BigFileStream, StaleStagingFilesAreRemovedAndNothingElse) {
  TempDir dir;
  dir.Write("save.dat", "old save");
  if (const pid_t child = ::fork(); child == 0) {
    TWzBigFileStream out(dir.Game("save.dat"), TWzBigFileStream::fmCreate, kPart);
    const std::string bytes = Alphabet(40);  // three parts
    out.WriteBuffer(bytes.data(), 40);
    std::_Exit(0);  // killed: no commit, no clean-up
  } else {
    ::waitpid(child, nullptr, 0);
  }
  const std::vector<std::string> kept = {".save.dat.tmp", "save.dat.~1-2.tmp", ".save.dat.~1x-2.tmp",
                                         ".save.dat.~1-.tmp", ".~1-2.tmp", "notes.txt"};
  for (const std::string& name : kept) dir.Write(name, "x");
  dir.Write(".other.vsk.~" + std::to_string(::getpid()) + "-7.tmp", "a live process's name");
  std::filesystem::create_directory(dir.Os(".dir.~1-2.tmp"));
  const auto names = [&dir] {
    std::set<std::string> all;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Os(""))) all.insert(entry.path().filename());
    return all;
  };
  ASSERT_EQ(names().size(), 1 + kept.size() + 2 + 3) << "the killed writer's three parts";

  RemoveStaleStagingFiles(dir.Os(""));
  std::set<std::string> expected(kept.begin(), kept.end());
  expected.insert({"save.dat", ".dir.~1-2.tmp"});
  EXPECT_EQ(names(), expected);
  EXPECT_EQ(dir.Read("save.dat"), "old save");
  RemoveStaleStagingFiles(dir.Os("missing"));
}

TEST(BigFileStream, AShortMiddlePartEndsTheRead) {
  TempDir dir;
  dir.Write("game.dat", "0123456789");  // 10 bytes where 16 were due
  dir.Write("game.001", Alphabet(kPart));
  TWzBigFileStream in(dir.Game("game.dat"), TWzBigFileStream::fmOpenRead, kPart);
  EXPECT_EQ(ReadAll(in, 100), "0123456789");
  in.SetPosition(12);
  EXPECT_EQ(ReadAll(in, 100), "");
}

TEST(BigFileStream, ReadWriteChangesBytesInPlaceAndMissingFilesReadNothing) {
  TempDir dir;
  dir.Write("a.dat", "abcdef");
  {
    TWzBigFileStream rw(dir.Game("a.dat"), TWzBigFileStream::fmOpenReadWrite);
    rw.SetPosition(2);
    rw.WriteBuffer("XY", 2);
  }
  EXPECT_EQ(dir.Read("a.dat"), "abXYef");
  TWzBigFileStream missing(dir.Game("none.dat"), TWzBigFileStream::fmOpenRead);
  EXPECT_EQ(missing.GetSize(), 0);
  EXPECT_EQ(ReadAll(missing, 4), "");
  EXPECT_EQ(missing.Write("x", 1), 0);
}

TEST(RangeStream, FileRangeStaysInsideItsWindow) {
  TempDir dir;
  dir.Write("media.dat", Alphabet(1000));
  TFileRangeStream range(dir.Game("media.dat"), 100, 50);
  EXPECT_EQ(range.GetSize(), 50);
  EXPECT_EQ(range.Seek(60, TSeekOrigin::soBeginning), 50);
  EXPECT_EQ(range.Seek(-10, TSeekOrigin::soEnd), 40);
  range.SetPosition(0);
  EXPECT_EQ(ReadAll(range, 100), Alphabet(1000).substr(100, 50));
  EXPECT_EQ(range.Write("x", 1), 0);

  TFileRangeStream rest(dir.Game("media.dat"), 100, 0);  // size 0: the rest of the file
  EXPECT_EQ(rest.GetSize(), 900);
  TRangeStream exact(std::make_unique<TWzBigFileStream>(dir.Game("media.dat"), TWzBigFileStream::fmOpenRead), 100, 0);
  EXPECT_EQ(exact.GetSize(), 0);
  EXPECT_EQ(ReadAll(exact, 10), "");
}

TEST(RangeStream, ResourceRange) {
  static const uint8_t bytes[] = {'v', 'f', 'x', 'y', 'z'};
  RegisterResource("BINTYPE", "RANGETEST", bytes);
  TResourceRangeStream range("RANGETEST", 2, 2, "BINTYPE");
  EXPECT_EQ(ReadAll(range, 10), "xy");
  TResourceRangeStream rest("RANGETEST", 1, 0, "BINTYPE");
  EXPECT_EQ(ReadAll(rest, 10), "fxyz");
  UnregisterResource("BINTYPE", "RANGETEST");
  TWzBigResourceStream missing("RANGETEST", "BINTYPE");
  EXPECT_EQ(missing.GetSize(), 0);
}

TEST(BuffBigStream, ReadsAcrossTheEndAndPutsTheSourceBack) {
  TWzBigMemoryStream source;
  std::string data = Alphabet(250000);
  source.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
  source.SetPosition(10);
  {
    TWzBuffBigStream buffered(source);
    EXPECT_EQ(ReadAll(buffered, 5), data.substr(10, 5));
    EXPECT_EQ(buffered.Seek(100, TSeekOrigin::soBeginning), 100);  // inside the buffer
    EXPECT_EQ(ReadAll(buffered, 3), data.substr(100, 3));
    EXPECT_EQ(buffered.Seek(200000, TSeekOrigin::soBeginning), 200000);  // past it
    EXPECT_EQ(ReadAll(buffered, 3), data.substr(200000, 3));
    EXPECT_EQ(buffered.Remaining(), 250000 - 200003);
  }
  EXPECT_EQ(source.GetPosition(), 200003);
  source.SetPosition(249990);
  TWzBuffBigStream tail(source);
  EXPECT_EQ(ReadAll(tail, 100), data.substr(249990));
  EXPECT_EQ(ReadAll(tail, 100), "");
}

TEST(BigMemoryStream, CopiesKeepExactCountsAndFilesRoundTrip) {
  TWzBigMemoryStream m;
  TMemoryStream source("abcdef");
  source.SetPosition(4);
  EXPECT_EQ(m.CopyFromStream(source, 0), 6);  // count 0: the whole source from its start
  m.SetPosition(1);
  TMemoryStream out;
  EXPECT_EQ(m.CopyToStream(out, 0), 0);  // count 0: nothing
  EXPECT_EQ(out.GetSize(), 0);
  EXPECT_EQ(m.CopyToStream(out, 100), 5);
  EXPECT_EQ(out.View(), "bcdef");

  TempDir dir;
  m.SaveToFile(dir.Game("out.bin"));
  TWzBigMemoryStream back;
  back.LoadFromFile(dir.Game("OUT.BIN"));
  EXPECT_EQ(back.Memory().View(), "abcdef");
  EXPECT_THROW(back.LoadFromFile(dir.Game("missing.bin")), EFOpenError);
}
